#pragma once
// A Wayland connection of Mendrake's own, separate from the one Qt may hold, so the clipboard,
// window and keyboard protocols work whether Qt runs on Wayland or on XWayland.
//
// The constructor connects to WAYLAND_DISPLAY (a name in $XDG_RUNTIME_DIR or a full socket path),
// binds the globals it finds (the first seat, whose keyboard's keymap it keeps; a data-control
// manager: ext preferred, else wlr; the virtual-keyboard manager; KWin's fake input) on an event
// queue of its own, notes the window lists (wlroots' and KDE's) for their user to `bind`, and
// starts one thread that dispatches that queue. Every protocol object is created, used and
// destroyed on that thread: adapters hand their work to `call`, which runs it there and waits.
// Listener callbacks therefore run on the connection thread. A failed connection, or one the
// compositor drops later, leaves `isConnected` false; `call` then runs tasks on the caller's
// thread so that adapters can still tidy up. Destroying the connection stops the thread; the
// adapters that use it must be destroyed first.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct wl_interface;
struct wl_seat;
struct ext_data_control_manager_v1;
struct zwlr_data_control_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct org_kde_kwin_fake_input;

namespace mendrake {

class WaylandConnection {
public:
    // A global left for its user to bind (`bind`): one whose events start at once (the window
    // lists announce every existing window) needs its listener before the queue is dispatched.
    struct Offered {
        std::uint32_t name = 0, version = 0;
        explicit operator bool() const { return name != 0; }
    };
    struct Globals {
        wl_seat* seat = nullptr;
        ext_data_control_manager_v1* extDataControl = nullptr;
        zwlr_data_control_manager_v1* wlrDataControl = nullptr;  // bound only without ext
        std::uint32_t wlrDataControlVersion = 0;
        Offered toplevels;  // zwlr_foreign_toplevel_manager_v1, up to version 3
        zwp_virtual_keyboard_manager_v1* virtualKeyboard = nullptr;
        // KDE's: the window list and the input injection KWin offers instead of the two above.
        Offered plasmaWindows;  // org_kde_plasma_window_management, versions 4 to 16
        org_kde_kwin_fake_input* fakeInput = nullptr;
    };

    // `displayName`: null for WAYLAND_DISPLAY.
    explicit WaylandConnection(const char* displayName = nullptr);
    ~WaylandConnection();

    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    bool isConnected() const;
    const Globals& globals() const;

    // Binds an offered global on our queue, at `version` or the compositor's if lower. Connection
    // thread only (within `call`); the caller owns the object.
    void* bind(const Offered& global, const wl_interface& interface, std::uint32_t version);

    // Waits for the compositor to answer every request sent so far and dispatches the events that
    // came before its answer, so that state read next reflects those requests. Connection thread
    // only (within `call`); does nothing once the connection is gone.
    void roundTrip();

    // Runs `task` on the connection thread (at once when called there) and returns when it is
    // done. Requests the task sends are flushed before the caller resumes.
    void call(const std::function<void()>& task);

    // The keymap (XKB text) of the seat's keyboard: the session's current layout, as the
    // compositor sends it to focused clients; empty while the seat has no keyboard. The keymap of a
    // keyboard without Shift and Control keys (a typing tool's few keys) leaves the last one in
    // place. Any thread.
    std::string seatKeymap() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace mendrake
