// The window list fed by KDE's org_kde_plasma_window_management. The compositor announces each
// window by its uuid (by a number before version 13); the window object asked for then sends its
// whole state up to `initial_state`, and after that each event is a complete change by itself.
#include "platform/wayland/ToplevelTracker.h"

#include "platform/wayland/WaylandConnection.h"

#include "plasma-window-management-client-protocol.h"

#include <wayland-client.h>

namespace mendrake {

namespace {

template <class... Args> void ignore(void*, org_kde_plasma_window*, Args...) {}

class PlasmaToplevelTracker final : public ToplevelTracker {
public:
    PlasmaToplevelTracker(WaylandConnection& connection, std::function<void()> onChange)
        : ToplevelTracker(std::move(onChange)),
          manager_(static_cast<org_kde_plasma_window_management*>(
              connection.bind(connection.globals().plasmaWindows, org_kde_plasma_window_management_interface, 16))) {
        org_kde_plasma_window_management_add_listener(manager_, &managerListener, this);
    }

    ~PlasmaToplevelTracker() override {
        for (const Window& w : windows()) org_kde_plasma_window_destroy(handle(w));
        org_kde_plasma_window_management_destroy(manager_);
    }

    void activate(const Window& window) override {
        org_kde_plasma_window_set_state(handle(window), ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE,
                                        ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
    }

private:
    static org_kde_plasma_window* handle(const Window& w) { return static_cast<org_kde_plasma_window*>(w.handle); }
    static PlasmaToplevelTracker* self(void* data) { return static_cast<PlasmaToplevelTracker*>(data); }

    void track(org_kde_plasma_window* window) {
        add(window);
        org_kde_plasma_window_add_listener(window, &windowListener, this);
    }
    // A change to a window already shown takes effect at once.
    template <class F> static void change(void* data, org_kde_plasma_window* h, F apply) {
        PlasmaToplevelTracker* t = self(data);
        Window* w = t->find(h);
        if (!w) return;
        apply(w->pending);
        if (w->shown.id) t->commit(*w);
    }

    static void onWindow(void* data, org_kde_plasma_window_management* manager, std::uint32_t id) {
        // From version 13 on the same window comes again with its uuid, the id that stays valid.
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(manager)) < 13)
            self(data)->track(org_kde_plasma_window_management_get_window(manager, id));
    }
    static void onWindowWithUuid(void* data, org_kde_plasma_window_management* manager, std::uint32_t,
                                 const char* uuid) {
        self(data)->track(org_kde_plasma_window_management_get_window_by_uuid(manager, uuid));
    }
    static void onShowDesktop(void*, org_kde_plasma_window_management*, std::uint32_t) {}
    static void onStackingOrder(void*, org_kde_plasma_window_management*, wl_array*) {}
    static void onStackingOrderUuid(void*, org_kde_plasma_window_management*, const char*) {}

    static void onTitle(void* data, org_kde_plasma_window* h, const char* title) {
        change(data, h, [&](Toplevel& t) { t.title = QString::fromUtf8(title); });
    }
    static void onAppId(void* data, org_kde_plasma_window* h, const char* appId) {
        change(data, h, [&](Toplevel& t) { t.appId = QString::fromUtf8(appId); });
    }
    static void onState(void* data, org_kde_plasma_window* h, std::uint32_t flags) {
        change(data, h, [&](Toplevel& t) { t.activated = flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE; });
    }
    static void onInitialState(void* data, org_kde_plasma_window* h) {
        if (Window* w = self(data)->find(h)) self(data)->commit(*w);
    }
    static void onUnmapped(void* data, org_kde_plasma_window* h) {
        self(data)->remove(h);
        org_kde_plasma_window_destroy(h);
    }

    static constexpr org_kde_plasma_window_management_listener managerListener{
        &onShowDesktop, &onWindow, &onStackingOrder, &onStackingOrderUuid, &onWindowWithUuid};
    static constexpr org_kde_plasma_window_listener windowListener{
        &onTitle,
        &onAppId,
        &onState,
        &ignore<std::int32_t>,  // virtual desktop
        &ignore<const char*>,   // themed icon name
        &onUnmapped,
        &onInitialState,
        &ignore<org_kde_plasma_window*>,  // parent
        &ignore<std::int32_t, std::int32_t, std::uint32_t, std::uint32_t>,  // geometry
        &ignore<>,              // icon changed
        &ignore<std::uint32_t>,  // pid
        &ignore<const char*>,   // virtual desktop entered
        &ignore<const char*>,   // virtual desktop left
        &ignore<const char*, const char*>,  // application menu
        &ignore<const char*>,   // activity entered
        &ignore<const char*>,   // activity left
        &ignore<const char*>,   // resource name
    };

    org_kde_plasma_window_management* manager_;
};

}  // namespace

std::unique_ptr<ToplevelTracker> makePlasmaToplevelTracker(WaylandConnection& connection,
                                                           std::function<void()> onChange) {
    return std::make_unique<PlasmaToplevelTracker>(connection, std::move(onChange));
}

}  // namespace mendrake
