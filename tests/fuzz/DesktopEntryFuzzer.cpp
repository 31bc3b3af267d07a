// Desktop entries (input: a locale line, then the file) take any bytes; no entry is visible without a name.
#include "FuzzCheck.h"
#include "platform/x11/DesktopEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray all = fuzzBytes(data, size);
    const qsizetype newline = all.indexOf('\n');
    const QString locale = newline < 0 ? QStringLiteral("de_DE") : QString::fromUtf8(all.left(newline));
    const auto entry = mendrake::DesktopEntries::parse(all.mid(newline + 1), locale);
    FUZZ_CHECK(!entry || !entry->visible || !entry->name.isEmpty());
    return 0;
}
