#pragma once
// The seat's clipboard through a data-control protocol (ext-data-control-v1, else
// zwlr-data-control-unstable-v1), which compositors give to clipboard managers: every change of
// the selection is an event, reads and writes need no keyboard focus.
//
// Contract: `onChange` is called on the connection's thread for every selection event, the first
// one (the clipboard as found at start) included; it carries a serial that rises with each event
// and the offered MIME types in the owner's order (none: the clipboard is empty, as when its owner
// quit). A selection this object set itself carries the id its `setSelection` answered. `read`
// asks the owner of the selection with that serial for one MIME type and drains the pipe on a
// worker thread with a deadline and a byte cap, so no caller thread ever waits on another
// process; `done` is called once, on that worker thread. `setSelection` makes this process the
// owner of the clipboard with the given (MIME type, bytes) pairs and serves every request for
// them until someone else copies. Without a data-control manager or a seat, `isAvailable` is
// false, reads answer Gone and writes answer 0. Any thread. Must be destroyed before the
// connection; reads and writes in flight finish on their own.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mendrake {

class WaylandConnection;

class DataControlClipboard {
public:
    struct Change {
        quint64 serial = 0;
        QStringList mimeTypes;
        std::optional<quint64> ownWrite;  // the id `setSelection` answered, for our own selection
    };

    struct Limits {
        std::chrono::milliseconds deadline{2000};
        qint64 maxBytes = 50ll * 1024 * 1024;
    };

    struct ReadResult {
        // Gone: the selection changed before the read started, or it does not offer the type.
        enum class Status { Complete, TooLarge, TimedOut, Gone, Failed };
        Status status = Status::Failed;
        QByteArray bytes;
    };

    DataControlClipboard(WaylandConnection& connection, std::function<void(const Change&)> onChange);
    ~DataControlClipboard();

    DataControlClipboard(const DataControlClipboard&) = delete;
    DataControlClipboard& operator=(const DataControlClipboard&) = delete;

    bool isAvailable() const;
    // "ext-data-control-v1", "zwlr-data-control-unstable-v1", or empty when unavailable.
    QString protocolName() const;
    // The latest selection event.
    Change current() const;

    void read(quint64 serial, const QString& mimeType, Limits limits, std::function<void(ReadResult)> done);
    // Owns the clipboard with `values` in order of preference; answers this write's id (never 0),
    // or 0 when nothing could be set.
    quint64 setSelection(const std::vector<std::pair<QString, QByteArray>>& values);
    // Empties the clipboard.
    void clearSelection();

    struct Backend;

private:
    WaylandConnection& connection_;
    std::unique_ptr<Backend> backend_;
};

}  // namespace mendrake
