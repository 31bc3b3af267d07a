#pragma once
// The clipboard of a Wayland session through the data-control protocol (DataControlClipboard),
// seen as one pasteboard item whose types are the offered MIME types under their type identifiers,
// by the same table as on X11.
//
// The change count moves on the main thread: a selection event of another client raises it (the
// event is queued from the connection thread), and so does each write of ours, at once, as on X11.
// The event of our own write does not move it again, so whatever else happened meanwhile, the
// count a write answered is the one the clipboard shows for it. The first selection event is the
// clipboard as found at start: it sets the baseline and moves nothing. An empty selection that
// another client left (its owner quit, or a clear) is `ownerQuit`. There are no owner windows.
// Offers are read on the reading thread through `DataControlClipboard::read`, one deadline for
// the whole offer. Writes offer each identifier under its MIME types and are served by the
// clipboard's worker threads; `clear` offers nothing a paste target can read, so that its event is
// known as ours too. Main thread only, except the offers' reads. Must be destroyed before the
// connection, and outlive the offers it opened.

#include "platform/Pasteboard.h"
#include "platform/wayland/DataControlClipboard.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace mendrake {

class WaylandConnection;

class WaylandPasteboard final : public Pasteboard {
public:
    explicit WaylandPasteboard(WaylandConnection& connection);
    ~WaylandPasteboard() override;

    // False when the compositor offers no data-control protocol: nothing is seen or written then.
    bool isAvailable() const { return clipboard_->isAvailable(); }

    qint64 changeCount() const override { return count_; }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    quint64 ownerWindow() const override { return 0; }
    bool ownerQuit() const override { return ownerQuit_; }
    std::unique_ptr<PasteboardOffer> openOffer(double deadlineSeconds) override;

    qint64 clear() override;
    qint64 writeItem(const std::vector<std::pair<QString, QByteArray>>& values) override;
    qint64 writeFileURLs(const QList<QUrl>& urls) override;
    qint64 writeString(const QString& text) override;

private:
    void selectionChanged(const DataControlClipboard::Change& change);
    qint64 publish(const std::vector<std::pair<QString, QByteArray>>& mimeValues);

    QObject context_;  // events from the connection thread are queued to it
    // The serial of the latest selection someone took (not one left empty by its owner going
    // away); the offers compare against it from the reading thread.
    std::shared_ptr<std::atomic<quint64>> lastTaken_ = std::make_shared<std::atomic<quint64>>(0);
    std::unique_ptr<DataControlClipboard> clipboard_;
    std::function<void()> handler_;
    qint64 count_ = 0;
    bool baselineSeen_ = false;
    bool ownerQuit_ = false;
    DataControlClipboard::Change current_;
};

}  // namespace mendrake
