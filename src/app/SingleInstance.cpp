#include "app/SingleInstance.h"

#include "store/HistoryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mendrake {

namespace {
using Steady = std::chrono::steady_clock;

const QByteArray kOk = "ok";
const QByteArray kError = "error";
// An answer longer than this is not from a Mendrake.
constexpr int kMaxAnswerBytes = 1024;
constexpr auto kRetryPause = std::chrono::milliseconds(50);

// Only a process of the same user may tell us another Mendrake runs, or send us a request; a socket
// planted by someone else (possible in the shared /tmp fallback) must not make us quit.
bool peerIsThisUser(int fd) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return false;
    return credentials.uid == getuid();
}

int remainingMs(Steady::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return left > 0 ? int(left) : 0;
}

int connectTo(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.size() >= qsizetype(sizeof address.sun_path)) return -1;
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || !peerIsThisUser(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

enum class Exchange { answered, dropped, timedOut };

// Sends one request line and reads one answer line before `deadline`.
Exchange exchange(int fd, const QByteArray& request, Steady::time_point deadline, QByteArray* answer) {
    const QByteArray line = request + '\n';
    if (send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size()) return Exchange::dropped;
    answer->clear();
    while (!answer->endsWith('\n')) {
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Exchange::timedOut;
        char buffer[256];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0 || answer->size() + got > kMaxAnswerBytes) return Exchange::dropped;
        answer->append(buffer, got);
    }
    answer->chop(1);
    return Exchange::answered;
}

InstanceReply parseAnswer(const QByteArray& answer) {
    const qsizetype space = answer.indexOf(' ');
    const QByteArray status = space < 0 ? answer : answer.left(space);
    const QString text = space < 0 ? QString() : QString::fromUtf8(answer.mid(space + 1));
    return {status == kOk, text};
}

// The history folder is private; create it the way the store keeps it when it does not exist yet.
bool ensurePrivateDirectory(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    QDir().mkpath(QFileInfo(path).path());
    mkdir(QFile::encodeName(path).constData(), 0700);
    return QFileInfo(path).isDir();
}
}  // namespace

SingleInstance::SingleInstance(QString lockPath, QString socketPath)
    : lockPath_(std::move(lockPath)), socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    // The server (a child) closes and removes its socket first, while the lock is still held.
    delete server_;
    releaseLock();
}

QString SingleInstance::defaultLockPath() {
    return HistoryStore::defaultDirectory() + QStringLiteral("/instance.lock");
}

QString SingleInstance::defaultSocketPath() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        return QDir::tempPath() + QStringLiteral("/mendrake-%1.socket").arg(getuid());
    return dir + QStringLiteral("/mendrake.socket");
}

bool SingleInstance::tryLock() {
    if (lockFd_ >= 0) return true;
    lockError_.clear();
    // Close-on-exec: a program Mendrake starts (a browser for a link) must not inherit the claim.
    const int fd = ensurePrivateDirectory(QFileInfo(lockPath_).path())
                       ? open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)
                       : -1;
    if (fd < 0) {
        lockError_ = lockPath_ + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) lockError_ = lockPath_ + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

void SingleInstance::releaseLock() {
    if (lockFd_ < 0) return;
    close(lockFd_);
    lockFd_ = -1;
}

SingleInstance::Outcome SingleInstance::claimOrSend(const QByteArray& request, InstanceReply* reply,
                                                    int timeoutMs) {
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (tryLock()) return Outcome::holdsLock;
        if (const int fd = connectTo(socketPath_); fd >= 0) {
            QByteArray answer;
            const Exchange result = exchange(fd, request, deadline, &answer);
            close(fd);
            if (result == Exchange::answered) {
                if (reply) *reply = parseAnswer(answer);
                return Outcome::answered;
            }
        }
        if (!lockError_.isEmpty()) return Outcome::noLock;
        // The holder may still be starting (not listening yet) or have just quit: try both again.
        if (Steady::now() >= deadline) return Outcome::noAnswer;
        std::this_thread::sleep_for(kRetryPause);
    }
}

bool SingleInstance::listen(std::function<InstanceReply(const QByteArray&)> onRequest) {
    if (!holdsLock()) return false;
    onRequest_ = std::move(onRequest);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock means no live Mendrake owns a socket file still there: it is a leftover.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!peerIsThisUser(int(socket->socketDescriptor()))) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            // A request is one short line: never buffer more, never wait long for it.
            socket->setReadBufferSize(maxRequestBytes);
            QTimer::singleShot(idleTimeoutMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() >= maxRequestBytes) socket->abort();
                    return;
                }
                QByteArray line = socket->readLine(maxRequestBytes + 1);
                line.chop(1);
                const InstanceReply reply =
                    onRequest_ ? onRequest_(line) : InstanceReply{false, QStringLiteral("Not ready.")};
                QByteArray answer = (reply.ok ? kOk : kError) + ' ' + reply.text.toUtf8();
                answer.replace('\n', ' ');
                socket->write(answer + '\n');
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

}  // namespace mendrake
