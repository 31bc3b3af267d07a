#include "platform/x11/XTestKeySynthesiser.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace mendrake {

namespace {

// The physical modifier keys currently held, as X keycodes.
std::vector<KeyCode> heldModifierKeys(Display* display) {
    std::vector<KeyCode> held;
    char keys[32];
    XQueryKeymap(display, keys);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return held;
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        const KeyCode code = map->modifiermap[i];
        if (code && (keys[code / 8] & (1 << (code % 8))) &&
            std::find(held.begin(), held.end(), code) == held.end())
            held.push_back(code);
    }
    XFreeModifiermap(map);
    return held;
}

}  // namespace

XTestKeySynthesiser::XTestKeySynthesiser() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    int event, error, major, minor;
    hasXTest_ = XTestQueryExtension(display_, &event, &error, &major, &minor);
}

XTestKeySynthesiser::~XTestKeySynthesiser() {
    if (display_) XCloseDisplay(display_);
}

bool XTestKeySynthesiser::isTrusted() const { return display_ && hasXTest_; }

void XTestKeySynthesiser::postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) {
    if (!isTrusted()) return;
    if (keycode < 8 || keycode > 255) return;
    const unsigned key = keycode;

    std::vector<KeyCode> chord;
    const std::pair<Qt::KeyboardModifier, KeySym> modifierKeys[] = {{Qt::ControlModifier, XK_Control_L},
                                                                     {Qt::ShiftModifier, XK_Shift_L},
                                                                     {Qt::AltModifier, XK_Alt_L},
                                                                     {Qt::MetaModifier, XK_Super_L}};
    for (auto [flag, sym] : modifierKeys) {
        if (!(modifiers & flag)) continue;
        if (KeyCode code = XKeysymToKeycode(display_, sym)) chord.push_back(code);
    }

    // A key event carries every modifier that is down on the server, so release the ones the
    // user still holds (Alt from Alt-Return, say) that the chord does not want.
    for (KeyCode code : heldModifierKeys(display_))
        if (std::find(chord.begin(), chord.end(), code) == chord.end())
            XTestFakeKeyEvent(display_, code, False, CurrentTime);

    for (KeyCode code : chord) XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, key, True, CurrentTime);
    XTestFakeKeyEvent(display_, key, False, CurrentTime);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it)
        XTestFakeKeyEvent(display_, *it, False, CurrentTime);
    XSync(display_, False);
}

}  // namespace mendrake
