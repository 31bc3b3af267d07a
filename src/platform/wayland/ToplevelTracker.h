#pragma once
// The window list behind ForeignToplevels, whichever protocol of the compositor feeds it
// (wlroots' foreign-toplevel management or KDE's Plasma window management). A feed adds a window
// when it is announced, changes its `pending` copy as events arrive, commits it once the
// compositor's update is complete and removes it when it closes; readers see the committed copy
// only. Every member runs on the connection thread.

#include "platform/wayland/ForeignToplevels.h"

#include <functional>
#include <memory>
#include <vector>

struct wl_seat;

namespace mendrake {

class ToplevelTracker {
public:
    using Toplevel = ForeignToplevels::Toplevel;
    struct Window {
        void* handle = nullptr;  // the protocol object
        Toplevel shown;          // as of the last complete update; id 0 until the first
        Toplevel pending;        // changes since then
        quint64 lastActivated = 0;  // activation order; 0: never seen activated
    };

    explicit ToplevelTracker(std::function<void()> onChange) : onChange_(std::move(onChange)) {}
    virtual ~ToplevelTracker() = default;
    ToplevelTracker(const ToplevelTracker&) = delete;
    ToplevelTracker& operator=(const ToplevelTracker&) = delete;

    // Asks the compositor to focus the window.
    virtual void activate(const Window& window) = 0;

    const std::vector<Window>& windows() const { return windows_; }
    const Window* find(quint64 id) const;

protected:
    Window& add(void* handle);
    Window* find(void* handle);
    void commit(Window& window);
    void remove(void* handle);

private:
    std::function<void()> onChange_;
    std::vector<Window> windows_;
    quint64 nextId_ = 1;
    quint64 activations_ = 0;
};

class WaylandConnection;

// Each binds its manager, listening before any event can arrive, and destroys it with itself.
std::unique_ptr<ToplevelTracker> makeWlrToplevelTracker(WaylandConnection& connection, std::function<void()> onChange);
std::unique_ptr<ToplevelTracker> makePlasmaToplevelTracker(WaylandConnection& connection,
                                                           std::function<void()> onChange);

}  // namespace mendrake
