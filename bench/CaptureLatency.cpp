// Whole-path timing of the clipboard monitor on a real X server (run it inside tests/support/with-x11
// through bench/capture-latency.sh): the time from `xclip` finishing to the capture callback for
// text and for a 10 MiB PNG, and the CPU the monitor burns while nothing is copied.
//   bench_capture_latency [idle-seconds]
#include "capture/ClipboardMonitor.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/ThreadTaskRunner.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "prefs/Preferences.h"

#include "../tests/support/PreferencesFixture.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace mendrake;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray noisePng(qint64 targetBytes) {
    // Random pixels do not compress, so the PNG is about as large as its pixel data.
    const int side = int(std::sqrt(double(targetBytes) / 4));
    QImage image(side, side, QImage::Format_ARGB32);
    auto* rng = QRandomGenerator::global();
    for (int y = 0; y < side; ++y) rng->fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), side);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;

    SystemClock clock;
    test::FakeDefaultsStore defaults;
    test::FakeLoginItems loginItems;
    test::FakeSystemLog log;
    Preferences prefs(defaults, loginItems, log, clock);
    X11Pasteboard board;
    X11Workspace workspace;
    ThreadTaskRunner reads;
    ClipboardMonitor monitor(board, workspace, prefs, clock, reads, log);
    QElapsedTimer sinceStart;
    sinceStart.start();
    qint64 capturedAt = -1;
    QString capturedText;
    monitor.onCapture = [&](const CapturedClip& clip) {
        capturedAt = sinceStart.nsecsElapsed();
        capturedText = clip.text;
    };
    monitor.start();

    auto measure = [&](const char* label, const QString& type, const QByteArray& bytes, int rounds) {
        const QString path = QDir::temp().filePath("mendrake-bench-offer");
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        file.close();
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            capturedAt = -1;
            QProcess xclip;
            xclip.start("xclip", {"-selection", "clipboard", "-t", type, "-i", path});
            while (xclip.state() != QProcess::NotRunning) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const qint64 done = sinceStart.nsecsElapsed();
            QElapsedTimer wait;
            wait.start();
            while (capturedAt < 0 && wait.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (capturedAt < 0) { std::printf("%s: no capture\n", label); return; }
            ms.push_back((capturedAt - done) / 1e6);
            spin(100);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-28s median %7.1f ms  max %7.1f ms  (%zu rounds, %s)\n", label, ms[ms.size() / 2], ms.back(),
                    ms.size(), qPrintable(capturedText.left(40)));
    };

    for (int i = 0; i < 1; ++i) measure("warm-up", "text/plain", "warm", 1);
    measure("text, xclip -> capture", "text/plain", "a short line of text", 15);
    const QByteArray png = noisePng(10 * 1024 * 1024);
    std::printf("PNG size: %.1f MiB\n", png.size() / 1048576.0);
    measure("10 MiB PNG, xclip -> capture", "image/png", png, 5);

    const double cpu0 = cpuSeconds();
    spin(idleSeconds * 1000);
    const double cpu = cpuSeconds() - cpu0;
    std::printf("idle monitor: %.3f s CPU in %d s = %.3f%% of one core\n", cpu, idleSeconds, 100.0 * cpu / idleSeconds);
    return 0;
}
