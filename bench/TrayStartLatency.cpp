// Times a cold start of mendrake to its tray icon: runs the given command and polls the tray's
// window tree (XQueryTree, every 0.5 ms) until a window has been embedded in it. Prints the time
// from the fork to the embedding and the started process's id; the process is left running.
// Usage: bench_tray_start TRAY-WINDOW-ID COMMAND [ARGS...]
#include <X11/Xlib.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

int descendants(Display* display, Window window) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    int total = int(count);
    for (unsigned i = 0; i < count; ++i) total += descendants(display, children[i]);
    if (children) XFree(children);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window tray = std::strtoul(argv[1], nullptr, 0);
    const int before = descendants(display, tray);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    const auto deadline = start + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (descendants(display, tray) > before) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.0f %d\n", ms, int(child));
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return 1;
}
