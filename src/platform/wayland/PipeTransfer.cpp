#include "platform/wayland/PipeTransfer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace mendrake {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

// Waits for `events` on `fd`; false once the deadline passed first.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, millisecondsUntil(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

struct ClosesFd {
    int fd;
    ~ClosesFd() { ::close(fd); }
};

}  // namespace

PipeRead readPipe(int fd, Clock::time_point deadline, qint64 maxBytes) {
    ClosesFd closer{fd};
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            if (bytes.size() + n > maxBytes) return {PipeRead::Status::TooLarge, {}};
            bytes.append(buffer, n);
        } else if (n == 0) {
            return {PipeRead::Status::Complete, bytes};
        } else if (errno == EAGAIN) {
            if (!waitFor(fd, POLLIN, deadline)) return {PipeRead::Status::TimedOut, {}};
        } else if (errno != EINTR) {
            return {PipeRead::Status::Failed, {}};
        }
    }
}

bool writePipe(int fd, const QByteArray& bytes, Clock::time_point deadline) {
    ClosesFd closer{fd};
    // A reader that closes early makes write() raise SIGPIPE, which would end the process. Held
    // blocked on this thread, the signal stays pending here and write() answers EPIPE instead.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);

    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    qint64 written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n >= 0) {
            written += n;
        } else if (errno == EAGAIN) {
            if (!waitFor(fd, POLLOUT, deadline)) { ok = false; break; }
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    // Take back a SIGPIPE this write raised before unblocking, so it is never delivered.
    const timespec now{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {}
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace mendrake
