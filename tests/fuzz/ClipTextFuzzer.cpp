// The recognisers of copied text take any text and keep their promises about what they accept.
#include "FuzzCheck.h"
#include "capture/Classification.h"
#include "capture/ClipModel.h"

#include <QRegularExpression>

#include <cmath>

using namespace mendrake;

static bool inUnitRange(double v) { return v >= 0.0 && v <= 1.0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzText(data, size);
    if (const auto color = parseColor(text)) {
        FUZZ_CHECK(text.trimmed().toUcs4().size() <= 40 && std::isfinite(color->alpha));
        FUZZ_CHECK(inUnitRange(color->red) && inUnitRange(color->green) && inUnitRange(color->blue));
    }
    if (const auto color = parseHexColor(text)) {
        FUZZ_CHECK(QRegularExpression("^([0-9a-fA-F]{3}|[0-9a-fA-F]{6}|[0-9a-fA-F]{8})$").match(text).hasMatch());
        FUZZ_CHECK(inUnitRange(color->alpha));
    }
    if (isWebURL(text)) {
        FUZZ_CHECK(text.trimmed().toLower().startsWith("http"));
        for (QChar c : text.trimmed()) FUZZ_CHECK(!c.isSpace());
    }
    const QString title = displayTitle(text);
    FUZZ_CHECK(!title.isEmpty() && !title.contains(u'\n') && !title.contains(u'\r'));
    FUZZ_CHECK(text.startsWith(firstGraphemes(text, qsizetype(size % 300))));
    (void)looksLikeCode(text);
    (void)makeSearchKey(text, text);
    return 0;
}
