// The window list fed by zwlr-foreign-toplevel-management-unstable-v1: each handle's events are
// collected and take effect together at its `done`.
#include "platform/wayland/ToplevelTracker.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

namespace mendrake {

namespace {

class WlrToplevelTracker final : public ToplevelTracker {
public:
    WlrToplevelTracker(WaylandConnection& connection, std::function<void()> onChange)
        : ToplevelTracker(std::move(onChange)),
          manager_(static_cast<zwlr_foreign_toplevel_manager_v1*>(
              connection.bind(connection.globals().toplevels, zwlr_foreign_toplevel_manager_v1_interface, 3))),
          seat_(connection.globals().seat) {
        zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &managerListener, this);
    }

    ~WlrToplevelTracker() override {
        for (const Window& w : windows()) zwlr_foreign_toplevel_handle_v1_destroy(handle(w));
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    }

    void activate(const Window& window) override { zwlr_foreign_toplevel_handle_v1_activate(handle(window), seat_); }

private:
    static zwlr_foreign_toplevel_handle_v1* handle(const Window& w) {
        return static_cast<zwlr_foreign_toplevel_handle_v1*>(w.handle);
    }
    static WlrToplevelTracker* self(void* data) { return static_cast<WlrToplevelTracker*>(data); }

    static void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* h) {
        self(data)->add(h);
        zwlr_foreign_toplevel_handle_v1_add_listener(h, &handleListener, data);
    }
    static void onFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}

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
        if (Window* w = self(data)->find(h)) self(data)->commit(*w);
    }
    static void onClosed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        self(data)->remove(h);
        zwlr_foreign_toplevel_handle_v1_destroy(h);
    }
    static void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{&onToplevel, &onFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
        &onTitle, &onAppId, &onOutput, &onOutput, &onState, &onDone, &onClosed, &onParent};

    zwlr_foreign_toplevel_manager_v1* manager_;
    wl_seat* seat_;
};

}  // namespace

std::unique_ptr<ToplevelTracker> makeWlrToplevelTracker(WaylandConnection& connection, std::function<void()> onChange) {
    return std::make_unique<WlrToplevelTracker>(connection, std::move(onChange));
}

}  // namespace mendrake
