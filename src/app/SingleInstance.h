#pragma once
// One Mendrake per user. The first process listens on a per-user local socket in
// $XDG_RUNTIME_DIR; a later one connects, asks the running process to show its panel (the reopen
// event) and exits. A socket left behind by a crashed process is detected (nobody answers) and
// replaced.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace mendrake {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socketPath = defaultSocketPath());
    ~SingleInstance() override;

    static QString defaultSocketPath();

    // Asks a running instance to reopen. True when one answered within `timeoutMs`.
    bool notifyRunningInstance(int timeoutMs = 1000) const;

    // Starts listening; `onReopen` runs on the main thread for every later launch.
    // False when the socket cannot be created (the app then runs without the reopen event).
    bool listen(std::function<void()> onReopen);

private:
    QString socketPath_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onReopen_;
};

}  // namespace mendrake
