#include "capture/ClipboardMonitor.h"

#include "capture/Classification.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "prefs/Preferences.h"

namespace mendrake {

ClipboardMonitor::ClipboardMonitor(Pasteboard& pasteboard, Workspace& workspace, Preferences& prefs,
                                   Clock& clock)
    : pasteboard_(pasteboard), workspace_(workspace), prefs_(prefs), clock_(clock),
      lastChangeCount_(pasteboard.changeCount()) {}

void ClipboardMonitor::start() {
    timer_.reset();
    // The timer is owned by the monitor, so a tick can never outlive it.
    timer_ = clock_.every(pollInterval, pollTolerance, [this] { poll(); });
}

void ClipboardMonitor::poll() {
    const qint64 count = pasteboard_.changeCount();
    if (count == lastChangeCount_) return;
    lastChangeCount_ = count;

    if (ignoredChangeCounts.erase(count) > 0) return;

    if (auto until = prefs_.pausedUntil(); until && *until > clock_.now()) return;

    const std::optional<RunningApplication> front = workspace_.frontmostApplication();
    if (front && front->bundleID && prefs_.excludedBundleIDs().contains(*front->bundleID))
        return;

    std::optional<CapturedClip> clip = readClip(pasteboard_);
    if (!clip) return;
    if (front) {
        clip->sourceBundleID = front->bundleID;
        clip->sourceAppName = front->localizedName;
    }
    if (onCapture) onCapture(*clip);
}

}  // namespace mendrake
