// Keys on an X display for the end-to-end tests:
//   x11-key send WINDOW KEYSYM   presses one key in a window by XSendEvent (no XTest needed)
//   x11-key grab                 holds Shift+Super+V under every lock-key combination, as another
//                                application's shortcut would; prints "grabbed", holds until killed
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    if (argc == 2 && std::strcmp(argv[1], "grab") == 0) {
        const KeyCode v = XKeysymToKeycode(display, XK_v);
        for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
            XGrabKey(display, v, ShiftMask | Mod4Mask | locks, DefaultRootWindow(display), True, GrabModeAsync, GrabModeAsync);
        XSync(display, False);
        std::puts("grabbed");
        std::fflush(stdout);
        for (XEvent event;;) XNextEvent(display, &event);
    }
    if (argc != 4 || std::strcmp(argv[1], "send") != 0) return 2;
    const KeySym sym = XStringToKeysym(argv[3]);
    if (sym == NoSymbol) return 3;
    XKeyEvent event{};
    event.window = std::strtoul(argv[2], nullptr, 0);
    event.root = DefaultRootWindow(display);
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, sym);
    for (int type : {KeyPress, KeyRelease}) {
        event.type = type;
        XSendEvent(display, event.window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                   reinterpret_cast<XEvent*>(&event));
    }
    XSync(display, False);
    return 0;
}
