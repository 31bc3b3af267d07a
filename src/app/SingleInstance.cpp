#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace mendrake {

namespace {
const QByteArray kReopen = "reopen\n";
const QByteArray kAck = "ok\n";

// Only a process of the same user may tell us another Mendrake runs; a socket planted by someone
// else (possible in the shared /tmp fallback) must not make us quit.
bool peerIsThisUser(const QLocalSocket& socket) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == getuid();
}
}  // namespace

SingleInstance::SingleInstance(QString socketPath) : socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        return QDir::tempPath() + QStringLiteral("/mendrake-%1.socket").arg(getuid());
    return dir + QStringLiteral("/mendrake.socket");
}

bool SingleInstance::notifyRunningInstance(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs) || !peerIsThisUser(socket)) return false;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The answer proves a live Mendrake read the request, not just a socket that accepted it.
    while (socket.bytesAvailable() < kAck.size())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readAll().startsWith(kAck);
}

bool SingleInstance::listen(std::function<void()> onReopen) {
    onReopen_ = std::move(onReopen);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        // Nobody answered before we got here, so the file is a leftover of a process that died.
        QLocalServer::removeServer(socketPath_);
        if (!server_->listen(socketPath_)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                const QByteArray line = socket->readLine();
                if (line != kReopen) {
                    socket->disconnectFromServer();
                    return;
                }
                socket->write(kAck);
                socket->flush();
                if (onReopen_) onReopen_();
            });
        }
    });
    return true;
}

}  // namespace mendrake
