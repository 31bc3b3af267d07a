#include "platform/wayland/WaylandPasteboard.h"

#include "platform/x11/X11Pasteboard.h"

#include <QMetaObject>

#include <future>
#include <map>

namespace mendrake {

namespace {

using Clock = std::chrono::steady_clock;

// A file list is never large; this only keeps a hostile one from filling memory.
constexpr qint64 maxFileListBytes = 50LL * 1024 * 1024;

class WaylandOffer final : public PasteboardOffer {
public:
    WaylandOffer(DataControlClipboard& clipboard, DataControlClipboard::Change change,
                 std::shared_ptr<std::atomic<quint64>> lastTaken, double deadlineSeconds)
        : clipboard_(clipboard), change_(std::move(change)), lastTaken_(std::move(lastTaken)),
          deadlineSeconds_(deadlineSeconds) {}

    int itemCount() override { return change_.mimeTypes.isEmpty() ? 0 : 1; }

    QStringList types(int item) override {
        QStringList identifiers;
        if (item != 0) return identifiers;
        for (const QString& mime : change_.mimeTypes) {
            const QString identifier = X11Pasteboard::identifierForMime(mime);
            if (!identifier.isEmpty() && !identifiers.contains(identifier)) identifiers << identifier;
        }
        return identifiers;
    }

    std::optional<QByteArray> data(int item, const QString& type, qint64 maxBytes) override {
        if (item != 0) return std::nullopt;
        const QString mime = mimeFor(type);
        return mime.isEmpty() ? std::nullopt : fetch(mime, maxBytes);
    }

    QList<QUrl> fileURLs() override {
        if (!change_.mimeTypes.contains(u"text/uri-list")) return {};
        const auto list = fetch(QStringLiteral("text/uri-list"), maxFileListBytes);
        return list ? X11Pasteboard::localFileURLs(*list) : QList<QUrl>{};
    }

    bool transferFailed() override { return failed_; }
    bool unchanged() override { return !gone_ && lastTaken_->load() == change_.serial; }

private:
    // The offered MIME type to read an identifier from; plain text by the preferred encoding.
    QString mimeFor(const QString& identifier) const {
        if (identifier == pasteboard_type::string) {
            for (const QString& mime : X11Pasteboard::plainTextMimeTypes())
                if (change_.mimeTypes.contains(mime)) return mime;
        }
        for (const QString& mime : change_.mimeTypes)
            if (X11Pasteboard::identifierForMime(mime) == identifier) return mime;
        return {};
    }

    std::optional<QByteArray> fetch(const QString& mime, qint64 maxBytes) {
        if (const auto done = fetched_.find(mime); done != fetched_.end()) {
            if (done->second.size() <= maxBytes) return done->second;
            return std::nullopt;
        }
        if (failed_ || gone_) return std::nullopt;
        if (!deadline_) {
            deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(deadlineSeconds_));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now());
        if (left.count() <= 0) {
            failed_ = true;
            return std::nullopt;
        }
        auto answer = std::make_shared<std::promise<DataControlClipboard::ReadResult>>();
        std::future<DataControlClipboard::ReadResult> result = answer->get_future();
        clipboard_.read(change_.serial, mime, {left, maxBytes},
                        [answer](DataControlClipboard::ReadResult read) { answer->set_value(std::move(read)); });
        // The read ends by its own deadline, so this wait does too.
        DataControlClipboard::ReadResult read = result.get();
        using Status = DataControlClipboard::ReadResult::Status;
        switch (read.status) {
        case Status::Complete: return fetched_[mime] = std::move(read.bytes);
        case Status::TooLarge: return std::nullopt;
        case Status::Gone: gone_ = true; return std::nullopt;
        case Status::TimedOut:
        case Status::Failed: break;
        }
        failed_ = true;
        return std::nullopt;
    }

    DataControlClipboard& clipboard_;
    const DataControlClipboard::Change change_;
    const std::shared_ptr<std::atomic<quint64>> lastTaken_;
    const double deadlineSeconds_;
    std::optional<Clock::time_point> deadline_;
    std::map<QString, QByteArray> fetched_;
    bool failed_ = false;
    bool gone_ = false;  // someone else took the clipboard before a read started
};

}  // namespace

WaylandPasteboard::WaylandPasteboard(WaylandConnection& connection) {
    QObject* context = &context_;
    clipboard_ = std::make_unique<DataControlClipboard>(
        connection, [context, lastTaken = lastTaken_, this](const DataControlClipboard::Change& change) {
            // An empty selection left behind is not someone taking the clipboard.
            if (change.ownWrite || !change.mimeTypes.isEmpty()) lastTaken->store(change.serial);
            QMetaObject::invokeMethod(context, [this, change] { selectionChanged(change); }, Qt::QueuedConnection);
        });
}

// The clipboard goes first: no event is queued once it is gone, and the context drops the rest.
WaylandPasteboard::~WaylandPasteboard() { clipboard_.reset(); }

void WaylandPasteboard::selectionChanged(const DataControlClipboard::Change& change) {
    current_ = change;
    if (!baselineSeen_) {
        baselineSeen_ = true;
        return;
    }
    // Our writes moved the count when they were made.
    if (change.ownWrite) return;
    ownerQuit_ = change.mimeTypes.isEmpty();
    ++count_;
    if (handler_) handler_();
}

std::unique_ptr<PasteboardOffer> WaylandPasteboard::openOffer(double deadlineSeconds) {
    if (ownerQuit_ || current_.ownWrite || !clipboard_->isAvailable()) return nullptr;
    return std::make_unique<WaylandOffer>(*clipboard_, current_, lastTaken_, deadlineSeconds);
}

qint64 WaylandPasteboard::publish(const std::vector<std::pair<QString, QByteArray>>& mimeValues) {
    clipboard_->setSelection(mimeValues);
    ownerQuit_ = false;
    ++count_;
    if (handler_) handler_();
    return count_;
}

qint64 WaylandPasteboard::clear() { return publish({}); }

qint64 WaylandPasteboard::writeItem(const std::vector<std::pair<QString, QByteArray>>& values) {
    return publish(X11Pasteboard::itemMimeValues(values));
}

qint64 WaylandPasteboard::writeFileURLs(const QList<QUrl>& urls) {
    return publish(X11Pasteboard::fileURLsMimeValues(urls));
}

qint64 WaylandPasteboard::writeString(const QString& text) {
    return publish(X11Pasteboard::stringMimeValues(text));
}

}  // namespace mendrake
