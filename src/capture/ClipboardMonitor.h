#pragma once
// ClipboardMonitor polls the clipboard's change count and turns each change worth keeping into a
// CapturedClip stamped with the application that was in front, handed to `onCapture`.

#include "capture/ClipModel.h"
#include "platform/Clock.h"

#include <functional>
#include <memory>
#include <set>

namespace mendrake {

class Pasteboard;
class Preferences;
class Workspace;

class ClipboardMonitor {
public:
    static constexpr double pollInterval = 0.3;
    static constexpr double pollTolerance = 0.1;

    // Whatever is on the clipboard now counts as seen and is never recorded.
    ClipboardMonitor(Pasteboard& pasteboard, Workspace& workspace, Preferences& prefs, Clock& clock);
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // Starts (or restarts) polling. Polling ends when the monitor is destroyed.
    void start();
    // One tick: looks at the clipboard once.
    void poll();

    qint64 lastChangeCount() const { return lastChangeCount_; }

    // Called on the main thread, inside the tick, with every accepted capture.
    std::function<void(const CapturedClip&)> onCapture;
    // Change counts of the application's own clipboard writes; each is skipped once.
    std::set<qint64> ignoredChangeCounts;

private:
    Pasteboard& pasteboard_;
    Workspace& workspace_;
    Preferences& prefs_;
    Clock& clock_;
    qint64 lastChangeCount_;
    std::unique_ptr<Clock::Timer> timer_;
};

}  // namespace mendrake
