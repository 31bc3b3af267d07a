// Any offer (any types, bytes and items, an owner that stops answering): marked content is refused, clips hold.
#include "FuzzCheck.h"
#include "FakePasteboard.h"
#include "capture/Classification.h"

#include <QRegularExpression>

#include <fuzzer/FuzzedDataProvider.h>

using namespace mendrake;
namespace pt = pasteboard_type;

static QString pickType(FuzzedDataProvider& input) {
    static const QStringList known{pt::string, pt::html, pt::rtf, pt::rtfd, pt::png, pt::tiff, pt::fileURL, "text/plain",
                                   "image/png", "x-special/gnome-copied-files", filePathsType};
    const int pick = input.ConsumeIntegralInRange(0, 9);
    const QStringList& from = pick == 1 ? skipMarkerTypes() : known;
    return pick ? from.value(input.ConsumeIntegralInRange<int>(0, int(from.size()) - 1))
                : QString::fromStdString(input.ConsumeRandomLengthString(24));
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<test::FakePasteboard::Item> items(input.ConsumeIntegralInRange(0, 3));
    bool marked = false;
    for (auto& item : items)
        for (int i = 0, count = input.ConsumeIntegralInRange(0, 5); i < count; ++i) {
            item.emplace_back(pickType(input), QByteArray::fromStdString(input.ConsumeRandomLengthString(2048)));
            marked = marked || skipMarkerTypes().contains(item.back().first);
        }
    test::FakePasteboard pasteboard, again;
    const bool faulty = input.ConsumeBool();
    pasteboard.copy(items);
    again.copy(items);
    pasteboard.vanishAfterReads = faulty ? input.ConsumeIntegralInRange(0, 6) : -1;
    if (faulty && input.ConsumeBool()) pasteboard.unreadableTypes.push_back(pickType(input));
    const auto clip = readClip(pasteboard);
    if (!clip) return 0;

    FUZZ_CHECK(!marked && !items.empty() && !clip->text.trimmed().isEmpty());
    FUZZ_CHECK(QRegularExpression("^[0-9a-f]{64}$").match(clip->hash).hasMatch());
    qint64 total = 0;
    for (const auto& [type, bytes] : clip->representations) {
        total += bytes.size();
        // Representations come from the first item only (the file list is made by us).
        FUZZ_CHECK(type == filePathsType || std::ranges::count(items[0], type, &std::pair<QString, QByteArray>::first));
    }
    FUZZ_CHECK(total <= maxCaptureBytes && clip->byteSize == total);
    FUZZ_CHECK(clip->kind != ClipKind::color || parseColor(clip->text));
    FUZZ_CHECK(clip->kind != ClipKind::url || isWebURL(clip->text));
    FUZZ_CHECK(clip->kind != ClipKind::file || clip->representations.count(filePathsType));
    FUZZ_CHECK(clip->kind != ClipKind::image || clip->text.startsWith("Image"));
    // Same offer, same answer: the hash that merges repeats depends on nothing else.
    FUZZ_CHECK(faulty || readClip(again) == clip);
    return 0;
}
