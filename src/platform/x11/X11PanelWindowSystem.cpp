#include "platform/x11/X11PanelWindowSystem.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace mendrake {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

void sendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type, std::array<uint32_t, 5> data) {
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

bool isViewable(xcb_connection_t* c, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attrs =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE;
    free(attrs);
    return viewable;
}

}  // namespace

void X11PanelWindowSystem::setFloatingHints(QWindow* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t netWmState = atom(c, "_NET_WM_STATE");
    const xcb_atom_t netWmDesktop = atom(c, "_NET_WM_DESKTOP");
    const uint32_t allDesktops = 0xFFFFFFFF;
    const xcb_atom_t sticky = atom(c, "_NET_WM_STATE_STICKY"), skipTaskbar = atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                     skipPager = atom(c, "_NET_WM_STATE_SKIP_PAGER"), above = atom(c, "_NET_WM_STATE_ABOVE");

    if (isViewable(c, id)) {
        // A mapped window asks the window manager (EWMH client messages, source: application).
        constexpr uint32_t add = 1, fromApplication = 1;
        sendToRoot(c, id, netWmDesktop, {allDesktops, fromApplication, 0, 0, 0});
        sendToRoot(c, id, netWmState, {add, sticky, above, fromApplication, 0});
        sendToRoot(c, id, netWmState, {add, skipTaskbar, skipPager, fromApplication, 0});
        xcb_flush(c);
        return;
    }

    // An unmapped window carries the properties the manager reads when mapping it. Keep whatever is
    // already there (Qt writes its own states before mapping too).
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* existing = xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, netWmState, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (existing && existing->format == 32) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(existing));
        states.assign(data, data + xcb_get_property_value_length(existing) / 4);
    }
    free(existing);
    for (xcb_atom_t a : {sticky, skipTaskbar, skipPager, above})
        if (std::find(states.begin(), states.end(), a) == states.end()) states.push_back(a);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                        states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netWmDesktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_flush(c);
}

void X11PanelWindowSystem::takeInputFocus(QWindow* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, xcb_window_t(window->winId()), XCB_CURRENT_TIME);
    xcb_flush(c);
}

bool X11PanelWindowSystem::holdsInputFocus(QWindow* window) const {
    xcb_connection_t* c = connection();
    if (!c || !window || !window->handle()) return false;
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const bool holds = reply && reply->focus == xcb_window_t(window->winId());
    free(reply);
    return holds;
}

bool X11PanelWindowSystem::compositorRunning() const {
    if (QGuiApplication::platformName() == u"wayland") return true;
    xcb_connection_t* c = connection();
    if (!c) return false;
    // The compositing manager of screen n owns the selection _NET_WM_CM_Sn; Qt draws on the default
    // screen, which is the first for the displays we run on.
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, "_NET_WM_CM_S0")), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    free(reply);
    return owned;
}

}  // namespace mendrake
