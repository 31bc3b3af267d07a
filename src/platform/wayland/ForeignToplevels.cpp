#include "platform/wayland/ForeignToplevels.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>

namespace mendrake {

// Protocol state; touched on the connection thread only.
struct ForeignToplevels::Tracker {
    struct Window {
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        Toplevel shown;    // as of the last done event
        Toplevel pending;  // changes since then
        quint64 lastActivated = 0;  // activation order; 0: never seen activated
    };

    zwlr_foreign_toplevel_manager_v1* manager;
    wl_seat* seat;
    std::function<void()> onChange;
    std::vector<Window> windows;
    quint64 nextId = 1;
    quint64 activations = 0;

    Tracker(zwlr_foreign_toplevel_manager_v1* m, wl_seat* s, std::function<void()> changed)
        : manager(m), seat(s), onChange(std::move(changed)) {
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &managerListener, this);
    }

    ~Tracker() {
        for (Window& w : windows) zwlr_foreign_toplevel_handle_v1_destroy(w.handle);
    }

    Window* find(zwlr_foreign_toplevel_handle_v1* handle) {
        auto it = std::find_if(windows.begin(), windows.end(), [&](const Window& w) { return w.handle == handle; });
        return it == windows.end() ? nullptr : &*it;
    }
    const Window* find(quint64 id) const {
        auto it = std::find_if(windows.begin(), windows.end(), [&](const Window& w) { return w.shown.id == id; });
        return it == windows.end() ? nullptr : &*it;
    }

    static Tracker* self(void* data) { return static_cast<Tracker*>(data); }

    static void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
        Tracker* t = self(data);
        Window window;
        window.handle = handle;
        window.pending.id = t->nextId++;
        t->windows.push_back(window);
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, data);
    }
    static void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        // The compositor destroys the manager itself; the connection must not destroy it again.
        (void)data;
        (void)manager;
    }

    static void onTitle(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* title) {
        if (Window* w = self(data)->find(h)) w->pending.title = QString::fromUtf8(title);
    }
    static void onAppId(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* appId) {
        if (Window* w = self(data)->find(h)) w->pending.appId = QString::fromUtf8(appId);
    }
    static void onOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void onState(void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
        Window* w = self(data)->find(h);
        if (!w) return;
        w->pending.activated = false;
        const auto* state = static_cast<const std::uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
            if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) w->pending.activated = true;
    }
    static void onDone(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        Tracker* t = self(data);
        Window* w = t->find(h);
        if (!w) return;
        if (w->pending.activated && !w->shown.activated) w->lastActivated = ++t->activations;
        w->shown = w->pending;
        if (t->onChange) t->onChange();
    }
    static void onClosed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        Tracker* t = self(data);
        std::erase_if(t->windows, [h](const Window& w) { return w.handle == h; });
        zwlr_foreign_toplevel_handle_v1_destroy(h);
        if (t->onChange) t->onChange();
    }
    static void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{&onToplevel, &onFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
        &onTitle, &onAppId, &onOutput, &onOutput, &onState, &onDone, &onClosed, &onParent};
};

ForeignToplevels::ForeignToplevels(WaylandConnection& connection, std::function<void()> onChange)
    : connection_(connection) {
    const WaylandConnection::Globals& g = connection_.globals();
    if (!connection_.isConnected() || !g.toplevels || !g.seat) return;
    connection_.call([&] { tracker_ = std::make_unique<Tracker>(g.toplevels, g.seat, std::move(onChange)); });
}

ForeignToplevels::~ForeignToplevels() {
    connection_.call([this] { tracker_.reset(); });
}

bool ForeignToplevels::isAvailable() const { return tracker_ && connection_.isConnected(); }

std::vector<ForeignToplevels::Toplevel> ForeignToplevels::toplevels() const {
    std::vector<Toplevel> out;
    if (!tracker_) return out;
    connection_.call([&] {
        for (const Tracker::Window& w : tracker_->windows)
            if (w.shown.id) out.push_back(w.shown);
    });
    return out;
}

std::optional<ForeignToplevels::Toplevel> ForeignToplevels::activated() const {
    for (const Toplevel& t : toplevels())
        if (t.activated) return t;
    return std::nullopt;
}

std::vector<ForeignToplevels::Toplevel> ForeignToplevels::byActivation() const {
    std::vector<Toplevel> out;
    if (!tracker_) return out;
    connection_.call([&] {
        std::vector<const Tracker::Window*> windows;
        for (const Tracker::Window& w : tracker_->windows)
            if (w.shown.id) windows.push_back(&w);
        std::stable_sort(windows.begin(), windows.end(), [](const Tracker::Window* a, const Tracker::Window* b) {
            return a->lastActivated > b->lastActivated;
        });
        for (const Tracker::Window* w : windows) out.push_back(w->shown);
    });
    return out;
}

std::optional<ForeignToplevels::Toplevel> ForeignToplevels::mostRecent(const QString& appId) const {
    std::optional<Toplevel> best;
    if (!tracker_) return best;
    connection_.call([&] {
        const Tracker::Window* chosen = nullptr;
        for (const Tracker::Window& w : tracker_->windows) {
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
        if (const Tracker::Window* w = tracker_->find(id)) {
            zwlr_foreign_toplevel_handle_v1_activate(w->handle, tracker_->seat);
            sent = true;
        }
    });
    return sent;
}

}  // namespace mendrake
