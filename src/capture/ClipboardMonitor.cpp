#include "capture/ClipboardMonitor.h"

#include "capture/Classification.h"
#include "platform/Pasteboard.h"
#include "platform/SystemLog.h"
#include "platform/TaskRunner.h"
#include "prefs/Preferences.h"

namespace mendrake {

ClipboardMonitor::ClipboardMonitor(Pasteboard& pasteboard, Workspace& workspace, Preferences& prefs,
                                   Clock& clock, TaskRunner& reads, SystemLog& log)
    : pasteboard_(pasteboard), workspace_(workspace), prefs_(prefs), clock_(clock), reads_(reads), log_(log),
      lastChangeCount_(pasteboard.changeCount()), contentCount_(lastChangeCount_),
      latestContent_(std::make_shared<std::atomic<qint64>>(contentCount_)),
      self_(std::make_shared<ClipboardMonitor*>(this)) {}

ClipboardMonitor::~ClipboardMonitor() { pasteboard_.setChangeHandler(nullptr); }

void ClipboardMonitor::start() {
    timer_.reset();
    // The timer is owned by the monitor, so a tick can never outlive it.
    timer_ = clock_.every(pollInterval, pollTolerance, [this] { poll(); });
    // The change event may come from inside one of our own writes, before the writer had a chance
    // to note its count: the tick runs once the writer is done.
    pasteboard_.setChangeHandler([this] { changeTick_ = clock_.after(0, [this] { poll(); }); });
}

void ClipboardMonitor::poll() {
    const qint64 count = pasteboard_.changeCount();
    if (count == lastChangeCount_) return;
    lastChangeCount_ = count;

    if (pasteboard_.ownerQuit()) {
        // The content read at the previous change is still what the user copied. When its read is
        // still under way, the answer takes care of this.
        ownerGone_ = true;
        if (capturedCount_ == contentCount_ && onOwnerQuit) onOwnerQuit();
        return;
    }
    contentCount_ = count;
    ownerGone_ = false;
    latestContent_->store(count);

    if (ignoredChangeCounts.erase(count) > 0) return;

    if (prefs_.isPaused()) return;

    std::optional<RunningApplication> source = sourceOfChange();
    if (isIgnored(source)) return;

    std::shared_ptr<PasteboardOffer> offer = pasteboard_.openOffer(readDeadline);
    if (!offer) return;
    std::weak_ptr<ClipboardMonitor*> weak = self_;
    reads_.run([offer, count, source, weak, latest = latestContent_]() -> std::function<void()> {
        if (latest->load() != count) return {};
        std::optional<CapturedClip> clip = readClip(*offer);
        const bool failed = offer->transferFailed();
        // Someone copied during the read: later reads may have gone to the new owner.
        if (clip && !offer->unchanged()) clip.reset();
        return [weak, count, clip = std::move(clip), failed, source] {
            if (auto self = weak.lock()) (*self)->finishRead(count, clip, failed, source);
        };
    });
}

void ClipboardMonitor::finishRead(qint64 count, std::optional<CapturedClip> clip, bool failed,
                                  const std::optional<RunningApplication>& source) {
    if (count != contentCount_) return;
    if (failed) {
        log_.write(QStringLiteral("Mendrake: dropped a copy that could not be read whole within %1 s").arg(readDeadline));
        return;
    }
    if (!clip) return;
    if (source) {
        clip->sourceAppId = source->appId;
        clip->sourceAppName = source->localizedName;
    }
    capturedCount_ = count;
    if (onCapture) onCapture(*clip);
    if (ownerGone_ && onOwnerQuit) onOwnerQuit();
}

std::optional<RunningApplication> ClipboardMonitor::sourceOfChange() {
    if (const quint64 owner = pasteboard_.ownerWindow())
        if (auto app = workspace_.applicationOfWindow(owner)) return app;
    // The owner window belongs to no application: a command-line tool (xclip, a script) copied,
    // most likely on behalf of what the user is working in, so the focused application is credited.
    return workspace_.frontmostApplication();
}

bool ClipboardMonitor::isIgnored(const std::optional<RunningApplication>& app) const {
    if (!app) return false;
    for (const QString& ignored : prefs_.excludedAppIds()) {
        if (app->appId && app->appId->compare(ignored, Qt::CaseInsensitive) == 0) return true;
        if (app->windowClass && app->windowClass->compare(ignored, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

}  // namespace mendrake
