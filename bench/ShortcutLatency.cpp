// Times the global shortcut of a running mendrake on the current X display: presses Shift+Super+V
// through XTest and waits for the root window's _NET_ACTIVE_WINDOW to name the panel (the window
// titled "Mendrake"), then Escape hides it again. Prints one line per press and the median.
// Usage: bench_shortcut_latency [PRESSES]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

Window activeWindow(Display* display, Atom active) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    Window window = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success && data && count == 1)
        window = *reinterpret_cast<Window*>(data);
    if (data) XFree(data);
    return window;
}

bool isPanel(Display* display, Window window) {
    char* name = nullptr;
    if (!window || !XFetchName(display, window, &name) || !name) return false;
    const bool panel = std::strcmp(name, "Mendrake") == 0;
    XFree(name);
    return panel;
}

void press(Display* display, std::vector<KeySym> keys) {
    for (KeySym k : keys) XTestFakeKeyEvent(display, XKeysymToKeycode(display, k), True, CurrentTime);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, *it), False, CurrentTime);
    XFlush(display);
}

// Waits up to 5 s for the active window to become (or stop being) the panel; ms, or -1.
double waitFor(Display* display, Atom active, bool wantPanel, std::chrono::steady_clock::time_point start) {
    const auto deadline = start + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        if (isPanel(display, activeWindow(display, active)) == wantPanel)
            return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::atoi(argv[1]) : 10;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        const auto start = std::chrono::steady_clock::now();
        press(display, {XK_Shift_L, XK_Super_L, XK_v});
        const double ms = waitFor(display, active, true, start);
        std::printf("shortcut to panel focused: %.1f ms\n", ms);
        if (ms >= 0) times.push_back(ms);
        press(display, {XK_Escape});
        waitFor(display, active, false, std::chrono::steady_clock::now());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    std::printf("median shortcut to panel focused: %.1f ms over %zu presses\n", times[times.size() / 2],
                times.size());
    XCloseDisplay(display);
    return 0;
}
