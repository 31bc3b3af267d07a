#include "platform/x11/PanelWindowHints.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
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

}  // namespace

void setFloatingPanelHints(QWindow* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = xcb_window_t(window->winId());

    const xcb_atom_t netWmState = atom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> states;
    // Keep whatever is already there (Qt writes its own states before mapping too).
    xcb_get_property_reply_t* existing = xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, netWmState, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (existing && existing->format == 32) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(existing));
        states.assign(data, data + xcb_get_property_value_length(existing) / 4);
    }
    free(existing);
    for (const char* name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                             "_NET_WM_STATE_ABOVE"}) {
        const xcb_atom_t a = atom(c, name);
        if (std::find(states.begin(), states.end(), a) == states.end()) states.push_back(a);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                        states.data());

    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    xcb_flush(c);
}

bool compositorRunning() {
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
