#include "platform/wayland/ForeignToplevels.h"

#include "platform/wayland/ToplevelTracker.h"
#include "platform/wayland/WaylandConnection.h"

#include <algorithm>

namespace mendrake {

ForeignToplevels::ForeignToplevels(WaylandConnection& connection, std::function<void()> onChange)
    : connection_(connection) {
    const WaylandConnection::Globals& g = connection_.globals();
    if (!connection_.isConnected()) return;
    connection_.call([&] {
        if (g.toplevels && g.seat)
            tracker_ = makeWlrToplevelTracker(connection_, std::move(onChange));
        else if (g.plasmaWindows)
            tracker_ = makePlasmaToplevelTracker(connection_, std::move(onChange));
    });
}

ForeignToplevels::~ForeignToplevels() {
    connection_.call([this] { tracker_.reset(); });
}

bool ForeignToplevels::isAvailable() const { return tracker_ && connection_.isConnected(); }

std::vector<ForeignToplevels::Toplevel> ForeignToplevels::toplevels() const {
    std::vector<Toplevel> out;
    if (!tracker_) return out;
    connection_.call([&] {
        for (const ToplevelTracker::Window& w : tracker_->windows())
            if (w.shown.id) out.push_back(w.shown);
    });
    return out;
}

std::optional<ForeignToplevels::Toplevel> ForeignToplevels::activated() const {
    std::optional<Toplevel> found;
    if (!tracker_) return found;
    connection_.call([&] {
        // The answer must reflect an activation asked for just before (the compositor answers it
        // before the round trip), whatever the load on either side.
        connection_.roundTrip();
        for (const ToplevelTracker::Window& w : tracker_->windows())
            if (!found && w.shown.id && w.shown.activated) found = w.shown;
    });
    return found;
}

std::vector<ForeignToplevels::Toplevel> ForeignToplevels::byActivation() const {
    std::vector<Toplevel> out;
    if (!tracker_) return out;
    connection_.call([&] {
        std::vector<const ToplevelTracker::Window*> windows;
        for (const ToplevelTracker::Window& w : tracker_->windows())
            if (w.shown.id) windows.push_back(&w);
        std::stable_sort(windows.begin(), windows.end(), [](const auto* a, const auto* b) {
            return a->lastActivated > b->lastActivated;
        });
        for (const ToplevelTracker::Window* w : windows) out.push_back(w->shown);
    });
    return out;
}

std::optional<ForeignToplevels::Toplevel> ForeignToplevels::mostRecent(const QString& appId) const {
    std::optional<Toplevel> best;
    if (!tracker_) return best;
    connection_.call([&] {
        const ToplevelTracker::Window* chosen = nullptr;
        for (const ToplevelTracker::Window& w : tracker_->windows()) {
            if (!w.shown.id || w.shown.appId != appId) continue;
            if (!chosen || w.lastActivated >= chosen->lastActivated) chosen = &w;
        }
        if (chosen) best = chosen->shown;
    });
    return best;
}

bool ForeignToplevels::activate(quint64 id) {
    bool sent = false;
    if (!isAvailable()) return false;
    connection_.call([&] {
        if (const ToplevelTracker::Window* w = tracker_->find(id)) {
            tracker_->activate(*w);
            sent = true;
        }
    });
    return sent;
}

}  // namespace mendrake
