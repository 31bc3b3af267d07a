#include "platform/wayland/ToplevelTracker.h"

#include <algorithm>

namespace mendrake {

ToplevelTracker::Window& ToplevelTracker::add(void* handle) {
    Window& window = windows_.emplace_back();
    window.handle = handle;
    window.pending.id = nextId_++;
    return window;
}

ToplevelTracker::Window* ToplevelTracker::find(void* handle) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.handle == handle; });
    return it == windows_.end() ? nullptr : &*it;
}

const ToplevelTracker::Window* ToplevelTracker::find(quint64 id) const {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.shown.id == id; });
    return it == windows_.end() ? nullptr : &*it;
}

void ToplevelTracker::commit(Window& window) {
    if (window.pending.activated && !window.shown.activated) window.lastActivated = ++activations_;
    window.shown = window.pending;
    if (onChange_) onChange_();
}

void ToplevelTracker::remove(void* handle) {
    std::erase_if(windows_, [handle](const Window& w) { return w.handle == handle; });
    if (onChange_) onChange_();
}

}  // namespace mendrake
