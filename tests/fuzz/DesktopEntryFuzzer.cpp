// Desktop entries are files any installed package (or the user) wrote. The reader takes any bytes
// and any locale, and never calls an entry visible without a name.
#include "FuzzCheck.h"

#include "platform/x11/DesktopEntries.h"

using namespace mendrake;

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line of the input is the locale, the rest the file.
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = all.indexOf('\n');
    const QString locale = newline < 0 ? QStringLiteral("de_DE") : QString::fromUtf8(all.left(newline));
    const QByteArray contents = newline < 0 ? all : all.mid(newline + 1);
    if (const auto entry = DesktopEntries::parse(contents, locale))
        if (entry->visible) FUZZ_CHECK(!entry->name.isEmpty());
    return 0;
}
