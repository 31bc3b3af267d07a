#pragma once
// The X11 keyboard layout: the X server's current keymap through xkbcommon-x11, read on Qt's own
// xcb connection. Every call fetches the keymap and the keyboard state afresh (a layout switch by
// setxkbmap or the desktop shows at once) and answers the keysym at level 0 of the effective group,
// as UTF-8 text. Keysyms without text, and control characters (Return, Tab, Escape, ...), give
// nullopt. Needs a QGuiApplication on the xcb platform; without one every key gives nullopt.

#include "platform/KeyboardLayout.h"

#include <functional>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace mendrake {

class XkbKeyboardLayout final : public KeyboardLayout {
public:
    XkbKeyboardLayout();
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    std::vector<std::optional<QString>> characters(
        const std::vector<std::uint32_t>& keyCodes) const override;

private:
    xcb_connection_t* connection_ = nullptr;
    xkb_context* context_ = nullptr;
};

// What each key (an X keycode) types at level 0 of `group` in `keymap` (a key with fewer groups:
// its first one), by the rules above. Shared with the Wayland layout, which holds a keymap too.
std::vector<std::optional<QString>> keymapCharacters(xkb_keymap* keymap, std::uint32_t group,
                                                     const std::vector<std::uint32_t>& keycodes);

}  // namespace mendrake
