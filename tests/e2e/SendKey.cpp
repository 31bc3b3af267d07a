// Presses one key in a window by XSendEvent, for displays without the XTest extension.
// Usage: send-key WINDOW-ID KEYSYM-NAME (e.g. send-key 4194311 Return)
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <initializer_list>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const KeySym sym = XStringToKeysym(argv[2]);
    if (sym == NoSymbol) return 3;
    XKeyEvent event{};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, sym);
    for (int type : {KeyPress, KeyRelease}) {
        event.type = type;
        XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                   reinterpret_cast<XEvent*>(&event));
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
