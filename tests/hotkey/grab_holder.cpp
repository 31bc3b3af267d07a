// Another X client for the hot-key tests: grabs one key with one modifier set on the root window,
// prints "ready" once the server has granted the grab, and holds it until killed.
//   hotkey_grab_holder X_KEYCODE X_MODIFIER_MASK

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    XGrabKey(display, std::atoi(argv[1]), static_cast<unsigned>(std::atoi(argv[2])),
             DefaultRootWindow(display), True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::puts("ready");
    std::fflush(stdout);
    for (;;) pause();
}
