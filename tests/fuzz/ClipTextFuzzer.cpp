// The recognisers that read copied text: colours, web links, and the derived title, code marker
// and search key. Each must accept any text and keep its promises about what it accepts.
#include "FuzzCheck.h"

#include "capture/Classification.h"
#include "capture/ClipModel.h"

#include <cmath>

using namespace mendrake;

namespace {

bool inUnitRange(double v) { return v >= 0.0 && v <= 1.0; }

bool isHexDigits(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'))) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzText(data, size);

    if (const auto color = parseColor(text)) {
        FUZZ_CHECK(text.trimmed().toUcs4().size() <= 40);
        FUZZ_CHECK(inUnitRange(color->red) && inUnitRange(color->green) && inUnitRange(color->blue));
        FUZZ_CHECK(std::isfinite(color->alpha));
    }
    if (const auto color = parseHexColor(text)) {
        FUZZ_CHECK(text.size() == 3 || text.size() == 6 || text.size() == 8);
        FUZZ_CHECK(isHexDigits(text));
        FUZZ_CHECK(inUnitRange(color->alpha));
    }
    if (isWebURL(text)) {
        const QString trimmed = text.trimmed();
        for (QChar c : trimmed) FUZZ_CHECK(!c.isSpace());
        const QString lower = trimmed.toLower();
        FUZZ_CHECK(lower.startsWith(QLatin1String("http")));
    }

    const QString title = displayTitle(text);
    FUZZ_CHECK(!title.isEmpty());
    FUZZ_CHECK(!title.contains(u'\n') && !title.contains(u'\r'));
    const QString head = firstGraphemes(text, qsizetype(size % 300));
    FUZZ_CHECK(text.startsWith(head));
    (void)looksLikeCode(text);
    (void)makeSearchKey(text, text);
    return 0;
}
