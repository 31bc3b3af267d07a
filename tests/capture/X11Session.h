#pragma once
// Helpers for the capture tests on a real X server (inside tests/support/with-x11): copies made by
// xclip or our clip_owner, windows of a chosen class, and waits that keep Qt's event loop running.

#include "WaitFor.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace mendrake::test {

// A file in a folder of this process's own: X11 test groups run in parallel and share no files.
inline QString writeFile(const QString& name, const QByteArray& bytes) {
    static QTemporaryDir dir;
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return file.fileName();
}

// Output of a short command, run to its end while the event loop keeps running (the command may
// read a clipboard that this process owns).
inline QByteArray run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    waitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
    return process.readAllStandardOutput();
}

// xclip offers `bytes` as one MIME type and stays in the background until another client copies.
inline void xclipCopy(const QString& type, const QByteArray& bytes) {
    run("xclip", {"-selection", "clipboard", "-t", type, "-i", writeFile("xclip.bin", bytes)});
}

// Our owner offering several types at once, until it loses the clipboard or the process is destroyed.
inline std::unique_ptr<QProcess> ownerCopy(QStringList args, const std::vector<std::pair<QString, QByteArray>>& offers) {
    auto process = std::make_unique<QProcess>();
    for (auto& [type, bytes] : offers) args << type + u'=' + writeFile(QString("offer%1.bin").arg(args.size()), bytes);
    process->start(CLIP_OWNER_PATH, args);
    process->waitForReadyRead(5000);  // "owned"
    return process;
}

// An xterm with the given WM_CLASS, active in front, closed when this goes out of scope.
struct Window {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString id;

    explicit Window(const QString& windowClass) {
        process->start("xterm", {"-class", windowClass, "-e", "sleep", "300"});
        waitFor([&] {
            return !(id = run("xdotool", {"search", "--onlyvisible", "--class", "^" + windowClass + "$"}).split('\n').first()).isEmpty();
        }, 10000);
        waitFor([&] { return run("xdotool", {"windowactivate", id}), run("xdotool", {"getactivewindow"}).trimmed() == id.toUtf8(); });
    }
    ~Window() {
        process->kill();
        process->waitForFinished(3000);
    }
};

}  // namespace mendrake::test
