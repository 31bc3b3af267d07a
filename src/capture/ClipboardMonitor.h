#pragma once
// ClipboardMonitor looks at the clipboard whenever it changes (the change event, and a poll of the
// change count as the fallback where events are missing), reads each change worth keeping on the
// read runner's thread, and hands the result, stamped with the application that copied, to
// `onCapture` on the main thread.

#include "capture/ClipModel.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

#include <atomic>
#include <functional>
#include <memory>
#include <set>

namespace mendrake {

class Pasteboard;
class Preferences;
class SystemLog;
class TaskRunner;

class ClipboardMonitor {
public:
    static constexpr double pollInterval = 0.3;
    static constexpr double pollTolerance = 0.1;
    // One change is read whole within this time, or dropped.
    static constexpr double readDeadline = 2.0;

    // Whatever is on the clipboard now counts as seen and is never recorded.
    ClipboardMonitor(Pasteboard& pasteboard, Workspace& workspace, Preferences& prefs, Clock& clock,
                     TaskRunner& reads, SystemLog& log);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // Starts (or restarts) watching. Watching ends when the monitor is destroyed.
    void start();
    // One tick: looks at the clipboard once; a change worth keeping is read on the read runner.
    void poll();

    qint64 lastChangeCount() const { return lastChangeCount_; }

    // Called on the main thread with every accepted capture.
    std::function<void(const CapturedClip&)> onCapture;
    // Called on the main thread when the owner of the last captured change went away and left the
    // clipboard empty. Never for a change that was not captured (concealed, ignored, paused).
    std::function<void()> onOwnerQuit;
    // Change counts of the application's own clipboard writes; each is skipped once.
    std::set<qint64> ignoredChangeCounts;

private:
    std::optional<RunningApplication> sourceOfChange();
    bool isIgnored(const std::optional<RunningApplication>& app) const;
    void finishRead(qint64 count, std::optional<CapturedClip> clip, bool failed,
                    const std::optional<RunningApplication>& source);

    Pasteboard& pasteboard_;
    Workspace& workspace_;
    Preferences& prefs_;
    Clock& clock_;
    TaskRunner& reads_;
    SystemLog& log_;
    qint64 lastChangeCount_;
    // The change whose content the clipboard holds; an owner going away leaves it in place.
    qint64 contentCount_;
    qint64 capturedCount_ = -1;
    bool ownerGone_ = false;
    // Read by the reading thread, so that a read queued behind a slow one is skipped once a
    // newer copy has replaced it.
    std::shared_ptr<std::atomic<qint64>> latestContent_;
    // Answers from the reading thread and deferred ticks find the monitor through this.
    std::shared_ptr<ClipboardMonitor*> self_;
    std::unique_ptr<Clock::Timer> changeTick_;
    std::unique_ptr<Clock::Timer> timer_;
};

}  // namespace mendrake
