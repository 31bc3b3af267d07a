// Timing of the data-control clipboard under a real compositor (bench/wayland-clipboard-latency.sh
// runs it inside tests/support/with-sway): a second connection of this process plays the other
// application and sets the selection; measured are the time to our selection event and to the
// end of reading the bytes, for text and for 10 MiB, as medians and maxima over many copies.
//   bench_wayland_clipboard_latency [copies]
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

using namespace mendrake;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::printf("%-34s median %7.2f ms   max %7.2f ms   (%zu copies)\n", what, samples[samples.size() / 2],
                samples.back(), samples.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int copies = argc > 1 ? std::atoi(argv[1]) : 50;

    std::mutex mutex;
    std::condition_variable changed;
    DataControlClipboard::Change last;
    WaylandConnection ours, theirs;
    DataControlClipboard watcher(ours, [&](const DataControlClipboard::Change& c) {
        std::lock_guard lock(mutex);
        last = c;
        changed.notify_all();
    });
    DataControlClipboard copier(theirs, {});
    if (!watcher.isAvailable() || !copier.isAvailable()) {
        std::fprintf(stderr, "no data-control protocol on this display\n");
        return 1;
    }

    QByteArray big(10 << 20, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(big.data()), big.size() / 4);
    const struct {
        const char* name;
        QString mime;
        QByteArray bytes;
    } kinds[] = {{"text", QStringLiteral("text/plain;charset=utf-8"), "a line of copied text"},
                 {"10 MiB", QStringLiteral("image/png"), big}};

    for (const auto& kind : kinds) {
        std::vector<double> toEvent, toBytes;
        for (int i = 0; i < copies; ++i) {
            const quint64 before = watcher.current().serial;
            const auto start = Clock::now();
            copier.setSelection({{kind.mime, kind.bytes}});
            DataControlClipboard::Change change;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return last.serial > before && last.mimeTypes.contains(kind.mime); });
                change = last;
            }
            const auto seen = Clock::now();
            std::mutex readMutex;
            std::condition_variable readDone;
            bool done = false;
            qint64 size = 0;
            watcher.read(change.serial, kind.mime, {}, [&](DataControlClipboard::ReadResult r) {
                std::lock_guard lock(readMutex);
                size = r.bytes.size();
                done = true;
                readDone.notify_all();
            });
            std::unique_lock lock(readMutex);
            readDone.wait(lock, [&] { return done; });
            if (size != kind.bytes.size()) std::fprintf(stderr, "short read: %lld bytes\n", size);
            toEvent.push_back(ms(seen - start));
            toBytes.push_back(ms(Clock::now() - start));
        }
        report((std::string(kind.name) + ": set -> selection event").c_str(), toEvent);
        report((std::string(kind.name) + ": set -> bytes read").c_str(), toBytes);
    }
    return 0;
}
