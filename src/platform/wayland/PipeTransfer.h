#pragma once
// Moving clipboard bytes through the pipes that the data-control protocols hand over: reading
// with a deadline and a size cap, writing with a deadline. Both block the calling thread, so
// callers run them on a worker thread; both close the descriptor they are given.

#include <QByteArray>

#include <chrono>

namespace mendrake {

struct PipeRead {
    enum class Status { Complete, TooLarge, TimedOut, Failed };
    Status status = Status::Failed;
    QByteArray bytes;  // everything read when Complete; empty otherwise
};

// Reads `fd` to its end. Stops with TooLarge as soon as more than `maxBytes` arrive, and with
// TimedOut when the end has not come by `deadline` (a writer that stalls or never closes).
PipeRead readPipe(int fd, std::chrono::steady_clock::time_point deadline, qint64 maxBytes);

// Writes all of `bytes` to `fd`. False when the reader went away (no SIGPIPE is raised) or has not
// taken everything by `deadline`.
bool writePipe(int fd, const QByteArray& bytes, std::chrono::steady_clock::time_point deadline);

}  // namespace mendrake
