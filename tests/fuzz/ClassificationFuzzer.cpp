// A clipboard offer comes from whichever program owns the clipboard: any types, any bytes, any
// number of items, and an owner that may stop answering part-way. The classification must take all
// of it, refuse marked content, and only ever produce a clip that keeps its own invariants.
#include "FuzzCheck.h"

#include "FakePasteboard.h"
#include "capture/Classification.h"


#include <fuzzer/FuzzedDataProvider.h>

using namespace mendrake;

namespace {

namespace pt = pasteboard_type;

const QStringList& knownTypes() {
    static const QStringList types{pt::string, pt::html, pt::rtf, pt::rtfd, pt::png, pt::tiff, pt::fileURL,
                                   QStringLiteral("text/plain"), QStringLiteral("image/png"),
                                   QStringLiteral("x-special/gnome-copied-files"), filePathsType};
    return types;
}

QString pickType(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 9)) {
    case 0: return QString::fromStdString(input.ConsumeRandomLengthString(24));
    case 1: return skipMarkerTypes().value(input.ConsumeIntegralInRange<int>(0, int(skipMarkerTypes().size()) - 1));
    default: return knownTypes().value(input.ConsumeIntegralInRange<int>(0, int(knownTypes().size()) - 1));
    }
}

bool isLowerHex64(const QString& s) {
    if (s.size() != 64) return false;
    for (QChar c : s)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    test::FakePasteboard pasteboard;
    std::vector<test::FakePasteboard::Item> items(input.ConsumeIntegralInRange(0, 3));
    bool marked = false;
    for (auto& item : items) {
        const int count = input.ConsumeIntegralInRange(0, 5);
        for (int i = 0; i < count; ++i) {
            const QString type = pickType(input);
            marked = marked || skipMarkerTypes().contains(type);
            const std::string bytes = input.ConsumeRandomLengthString(2048);
            item.emplace_back(type, QByteArray(bytes.data(), qsizetype(bytes.size())));
        }
    }
    const bool faulty = input.ConsumeBool();
    const int vanishAfter = faulty ? input.ConsumeIntegralInRange(0, 6) : -1;
    if (faulty && input.ConsumeBool()) pasteboard.unreadableTypes.push_back(pickType(input));
    pasteboard.copy(items);
    pasteboard.vanishAfterReads = vanishAfter;

    const auto clip = readClip(pasteboard);
    if (!clip) return 0;

    FUZZ_CHECK(!marked);
    FUZZ_CHECK(!items.empty());
    FUZZ_CHECK(isLowerHex64(clip->hash));
    FUZZ_CHECK(!clip->text.isEmpty());
    qint64 total = 0;
    for (const auto& [type, bytes] : clip->representations) total += bytes.size();
    FUZZ_CHECK(total <= maxCaptureBytes);
    FUZZ_CHECK(clip->byteSize == total);
    switch (clip->kind) {
    case ClipKind::color: FUZZ_CHECK(parseColor(clip->text).has_value()); break;
    case ClipKind::url: FUZZ_CHECK(isWebURL(clip->text)); break;
    case ClipKind::file: FUZZ_CHECK(clip->representations.count(filePathsType) == 1); break;
    case ClipKind::text:
    case ClipKind::richText: FUZZ_CHECK(!clip->text.trimmed().isEmpty()); break;
    case ClipKind::image: FUZZ_CHECK(clip->text.startsWith(QLatin1String("Image"))); break;
    }
    // Representations come from the first item only (the file list is made by us).
    QStringList firstTypes;
    for (const auto& [type, bytes] : items.front()) firstTypes << type;
    for (const auto& [type, bytes] : clip->representations)
        FUZZ_CHECK(firstTypes.contains(type) || type == filePathsType);

    // Same offer, same answer: the hash that merges repeats must not depend on anything else.
    if (!faulty) {
        test::FakePasteboard again;
        again.copy(items);
        const auto second = readClip(again);
        FUZZ_CHECK(second.has_value() && *second == *clip);
    }
    return 0;
}
