#pragma once
// Helpers for the capture tests that run on a real X server (inside tests/support/with-x11):
// offering clipboard content with xclip or our clip_owner, windows of a chosen class, and waiting
// with time-outs while Qt's event loop runs.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>

namespace mendrake::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; answers whether it held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// A folder of this process's own: X11 test groups run in parallel and must not share files.
inline QString scratchDir() {
    static QTemporaryDir dir;
    return dir.path();
}

inline QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = scratchDir() + u'/' + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

// Output of a short command, run to its end. The event loop keeps running meanwhile, so the
// command may read a clipboard that this process owns.
inline QByteArray run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
    return process.readAllStandardOutput();
}

// xclip offers `bytes` as one MIME type and stays in the background until another client copies.
inline void xclipCopy(const QString& type, const QByteArray& bytes) {
    run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", type, "-i", writeFile("xclip.bin", bytes)});
}

// Our owner offering several types at once; it keeps running until it loses the clipboard or the
// returned process is destroyed.
inline std::unique_ptr<QProcess> ownerCopy(const QStringList& options,
                                           const std::vector<std::pair<QString, QByteArray>>& offers) {
    auto process = std::make_unique<QProcess>();
    QStringList args = options;
    int n = 0;
    for (auto& [type, bytes] : offers)
        args << type + u'=' + writeFile(QStringLiteral("offer%1.bin").arg(n++), bytes);
    process->start(QStringLiteral(CLIP_OWNER_PATH), args);
    process->waitForReadyRead(5000);  // "owned"
    return process;
}

// An xterm with the given WM_CLASS, active in front, closed when this goes out of scope.
struct Window {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString id;

    explicit Window(const QString& windowClass) {
        process->start(QStringLiteral("xterm"), {"-class", windowClass, "-e", "sleep", "300"});
        waitUntil([&] {
            id = QString::fromUtf8(run("xdotool", {"search", "--onlyvisible", "--class", "^" + windowClass + "$"}))
                     .split(u'\n')
                     .first();
            return !id.isEmpty();
        }, 10000);
        waitUntil([&] {
            run("xdotool", {"windowactivate", id});
            return run("xdotool", {"getactivewindow"}).trimmed() == id.toUtf8();
        });
    }
    ~Window() {
        process->kill();
        process->waitForFinished(3000);
    }
};

}  // namespace mendrake::test
