// Holds Shift+Super+V under every lock-key combination on the X display, as another application's
// shortcut would; prints "grabbed" and holds until killed.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <initializer_list>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const KeyCode v = XKeysymToKeycode(display, XK_v);
    for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(display, v, ShiftMask | Mod4Mask | locks, DefaultRootWindow(display), True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::puts("grabbed");
    std::fflush(stdout);
    for (XEvent event;;) XNextEvent(display, &event);
}
