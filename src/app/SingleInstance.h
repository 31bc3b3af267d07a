#pragma once
// One Mendrake per user. An exclusive flock on a lock file in the history's folder, held for the
// whole life of the process, decides which process runs: the lock goes away with the process however
// it ends, so a crash never leaves a stale claim. The local socket in $XDG_RUNTIME_DIR only carries
// short requests from later launches ("show the panel", the command-line options) to the holder,
// and only the lock holder ever removes or creates it.
//
// A later launch alternates between taking the lock and asking the holder until its time is up, so
// two launches started together end with one instance, and a launch while the holder does not
// answer (stopped, or busy for seconds) gives up instead of starting a second copy.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

namespace mendrake {

// What the running instance answers to a request: done or refused, and one line for the user.
struct InstanceReply {
    bool ok = true;
    QString text;
};

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // Longest request line accepted, newline included, and how long a connection may stay idle.
    static constexpr int maxRequestBytes = 64;
    static constexpr int idleTimeoutMs = 1000;
    // How long a later launch tries to reach the running instance before giving up.
    static constexpr int reachTimeoutMs = 5000;

    explicit SingleInstance(QString lockPath = defaultLockPath(), QString socketPath = defaultSocketPath());
    ~SingleInstance() override;

    static QString defaultLockPath();
    static QString defaultSocketPath();

    // Takes the lock without waiting; true when this process now holds it (or already did).
    bool tryLock();
    bool holdsLock() const { return lockFd_ >= 0; }
    void releaseLock();

    // Why the lock could not be taken other than another holder (the folder cannot be written).
    const QString& lockError() const { return lockError_; }

    // noLock: the lock file cannot be used at all and nobody answered on the socket.
    enum class Outcome { holdsLock, answered, noAnswer, noLock };
    // Takes the lock, or else delivers `request` (one line, no newline) to the holder, retrying both
    // until `timeoutMs` has passed. `reply` receives the holder's answer.
    Outcome claimOrSend(const QByteArray& request, InstanceReply* reply, int timeoutMs = reachTimeoutMs);

    // Starts listening (only while holding the lock); `onRequest` runs on the main thread for every
    // request line and its reply goes back to the sender. False when the socket cannot be created.
    bool listen(std::function<InstanceReply(const QByteArray& request)> onRequest);

private:
    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    QString lockError_;
    QLocalServer* server_ = nullptr;
    std::function<InstanceReply(const QByteArray&)> onRequest_;
};

}  // namespace mendrake
