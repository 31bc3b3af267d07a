// Desktop entries are files anyone wrote: any bytes, any locale, and no entry is visible without a name.
#include "FuzzCheck.h"
#include "platform/x11/DesktopEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line of the input is the locale, the rest the file.
    const QByteArray all = fuzzBytes(data, size);
    const qsizetype newline = all.indexOf('\n');
    const QString locale = newline < 0 ? QStringLiteral("de_DE") : QString::fromUtf8(all.left(newline));
    const auto entry = mendrake::DesktopEntries::parse(all.mid(newline + 1), locale);
    FUZZ_CHECK(!entry || !entry->visible || !entry->name.isEmpty());
    return 0;
}
