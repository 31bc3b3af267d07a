// The cost of classifying one clipboard change, without the X transfer: what a tick adds on top
// of reading the bytes. The whole path on a real X server is timed by bench/capture-latency.sh.
#include "capture/Classification.h"

#include "../tests/support/FakePasteboard.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace mendrake;
namespace pt = pasteboard_type;

namespace {

QByteArray noisePng(qint64 targetBytes) {
    const int side = int(std::sqrt(double(targetBytes) / 4));
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), side);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

void classify(benchmark::State& state, const std::vector<test::FakePasteboard::Item>& items) {
    test::FakePasteboard board;
    board.copy(items);
    for (auto _ : state) benchmark::DoNotOptimize(readClip(board));
}

void BM_ShortText(benchmark::State& state) { classify(state, {{{pt::string, "a short line of text"}}}); }
void BM_RichText100KiB(benchmark::State& state) {
    const QByteArray text(100 * 1024, 'w');
    classify(state, {{{pt::string, text}, {pt::html, "<p>" + text + "</p>"}}});
}
void BM_FileList100(benchmark::State& state) {
    QByteArray uris;
    for (int i = 0; i < 100; ++i) uris += "file:///home/me/Documents/report-" + QByteArray::number(i) + ".pdf\r\n";
    classify(state, {{{pt::fileURL, uris}}});
}
void BM_Png10MiB(benchmark::State& state) {
    static const QByteArray png = noisePng(10 * 1024 * 1024);
    classify(state, {{{pt::png, png}}});
}
void BM_Png10MiBSizeOnly(benchmark::State& state) {
    static const QByteArray png = noisePng(10 * 1024 * 1024);
    for (auto _ : state) benchmark::DoNotOptimize(imageText(png));
}

}  // namespace

BENCHMARK(BM_ShortText);
BENCHMARK(BM_RichText100KiB);
BENCHMARK(BM_FileList100);
BENCHMARK(BM_Png10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png10MiBSizeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
