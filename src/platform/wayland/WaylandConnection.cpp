#include "platform/wayland/WaylandConnection.h"

#include "ext-data-control-v1-client-protocol.h"
#include "fake-input-client-protocol.h"
#include "plasma-window-management-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace mendrake {

struct WaylandConnection::State {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_registry* registry = nullptr;
    Globals globals;
    std::uint32_t extDataControlName = 0;
    std::uint32_t wlrDataControlName = 0;
    std::uint32_t wlrDataControlVersion = 0;

    std::thread thread;
    std::atomic<std::thread::id> threadId;
    int wakeFd = -1;
    std::atomic<bool> alive{false};
    std::atomic<bool> stopping{false};

    struct Task {
        const std::function<void()>* work;
        bool done = false;
    };
    wl_keyboard* keyboard = nullptr;
    mutable std::mutex keymapMutex;
    std::string keymap;

    std::mutex mutex;
    std::condition_variable finished;
    std::deque<Task*> tasks;

    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof one);
    }

    void runTasks() {
        std::unique_lock lock(mutex);
        while (!tasks.empty()) {
            Task* task = tasks.front();
            tasks.pop_front();
            lock.unlock();
            (*task->work)();
            if (alive) wl_display_flush(display);
            lock.lock();
            task->done = true;
            finished.notify_all();
        }
    }

    void markDead() {
        alive = false;
        std::lock_guard lock(mutex);
        finished.notify_all();
    }

    void loop() {
        threadId = std::this_thread::get_id();
        while (!stopping && alive) {
            runTasks();
            while (wl_display_prepare_read_queue(display, queue) != 0) {
                if (wl_display_dispatch_queue_pending(display, queue) < 0) return markDead();
            }
            // A full socket buffer (EAGAIN) drains once the compositor reads; the next round retries.
            if (wl_display_flush(display) < 0 && errno != EAGAIN) {
                wl_display_cancel_read(display);
                return markDead();
            }
            pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wakeFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                wl_display_cancel_read(display);
                return markDead();
            }
            if (fds[0].revents & POLLIN) {
                if (wl_display_read_events(display) < 0) return markDead();
            } else {
                wl_display_cancel_read(display);
                if (fds[0].revents & (POLLERR | POLLHUP)) return markDead();
            }
            if (fds[1].revents & POLLIN) {
                std::uint64_t count;
                [[maybe_unused]] auto n = ::read(wakeFd, &count, sizeof count);
            }
            if (wl_display_dispatch_queue_pending(display, queue) < 0) return markDead();
        }
    }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<State*>(data);
        Globals& g = self->globals;
        auto is = [interface](const wl_interface& i) { return std::strcmp(interface, i.name) == 0; };
        if (is(wl_seat_interface) && !g.seat) {
            g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            wl_seat_add_listener(g.seat, &seatListener, self);
        } else if (is(ext_data_control_manager_v1_interface)) {
            self->extDataControlName = name;
        } else if (is(zwlr_data_control_manager_v1_interface)) {
            self->wlrDataControlName = name;
            self->wlrDataControlVersion = std::min(version, 2u);
        } else if (is(zwlr_foreign_toplevel_manager_v1_interface) && !g.toplevels) {
            g.toplevels = {name, version};
        } else if (is(zwp_virtual_keyboard_manager_v1_interface) && !g.virtualKeyboard) {
            g.virtualKeyboard = static_cast<zwp_virtual_keyboard_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
        } else if (is(org_kde_plasma_window_management_interface) && !g.plasmaWindows && version >= 4) {
            // Version 4 brings initial_state, which says when a new window's state is complete.
            g.plasmaWindows = {name, version};
        } else if (is(org_kde_kwin_fake_input_interface) && !g.fakeInput && version >= 4) {
            // Keys arrived in version 4.
            g.fakeInput = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
        }
    }
    static void globalRemove(void*, wl_registry*, std::uint32_t) {}

    // The seat's keyboard exists only while some keyboard is plugged in (or a virtual one made).
    static void capabilities(void* data, wl_seat* seat, std::uint32_t caps) {
        auto* self = static_cast<State*>(data);
        const bool hasKeyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
        if (hasKeyboard && !self->keyboard) {
            self->keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->keyboard, &keyboardListener, self);
        } else if (!hasKeyboard && self->keyboard) {
            wl_keyboard_destroy(self->keyboard);
            self->keyboard = nullptr;
            std::lock_guard lock(self->keymapMutex);
            self->keymap.clear();
        }
    }
    // The seat hands on the keymap of whichever keyboard typed last. Typing tools upload one holding
    // only the few symbols they type, at made-up positions; that is no layout of the user's, and
    // a keymap with Shift and Control keys is.
    static bool isWholeKeyboard(const std::string& text) {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context) return false;
        xkb_keymap* keymap = xkb_keymap_new_from_string(context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
        bool shift = false, control = false;
        if (keymap) {
            for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap); ++key) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms) != 1) continue;
                shift = shift || syms[0] == XKB_KEY_Shift_L;
                control = control || syms[0] == XKB_KEY_Control_L;
            }
            xkb_keymap_unref(keymap);
        }
        xkb_context_unref(context);
        return shift && control;
    }

    static void keymapChanged(void* data, wl_keyboard*, std::uint32_t format, int fd, std::uint32_t size) {
        auto* self = static_cast<State*>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                // The text ends with a NUL inside `size`.
                std::string text(static_cast<const char*>(map), ::strnlen(static_cast<const char*>(map), size));
                ::munmap(map, size);
                if (isWholeKeyboard(text)) {
                    std::lock_guard lock(self->keymapMutex);
                    self->keymap = std::move(text);
                }
            }
        }
        ::close(fd);
    }
    static void enter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
    static void leave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
    static void key(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
    static void modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                          std::uint32_t) {}
    static void repeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

    static constexpr wl_seat_listener seatListener{&capabilities, nullptr};
    static constexpr wl_keyboard_listener keyboardListener{&keymapChanged, &enter, &leave, &key, &modifiers,
                                                           &repeatInfo};
    static constexpr wl_registry_listener registryListener{&global, &globalRemove};
};

WaylandConnection::WaylandConnection(const char* displayName) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.display = wl_display_connect(displayName);
    if (!s.display) return;
    s.queue = wl_display_create_queue(s.display);
    s.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    // The registry, and so every object made from it, lives on our queue.
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(s.display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), s.queue);
    s.registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(s.registry, &State::registryListener, &s);
    if (wl_display_roundtrip_queue(s.display, s.queue) < 0) return;

    // Bound after the whole list is known, so that ext wins over wlr whatever the order.
    if (s.extDataControlName) {
        s.globals.extDataControl = static_cast<ext_data_control_manager_v1*>(
            wl_registry_bind(s.registry, s.extDataControlName, &ext_data_control_manager_v1_interface, 1));
    } else if (s.wlrDataControlName) {
        s.globals.wlrDataControl = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            s.registry, s.wlrDataControlName, &zwlr_data_control_manager_v1_interface, s.wlrDataControlVersion));
        s.globals.wlrDataControlVersion = s.wlrDataControlVersion;
    }
    if (wl_display_roundtrip_queue(s.display, s.queue) < 0) return;
    // The seat's capabilities came in that round trip; the keyboard asked for then sends its
    // keymap in the next one, so the keymap is known before any adapter starts.
    if (s.keyboard && wl_display_roundtrip_queue(s.display, s.queue) < 0) return;

    s.alive = true;
    s.thread = std::thread([&s] { s.loop(); });
}

WaylandConnection::~WaylandConnection() {
    State& s = *state_;
    if (s.thread.joinable()) {
        s.stopping = true;
        s.wake();
        s.thread.join();
    }
    if (!s.display) return;
    call([&s] {
        Globals& g = s.globals;
        if (g.extDataControl) ext_data_control_manager_v1_destroy(g.extDataControl);
        if (g.wlrDataControl) zwlr_data_control_manager_v1_destroy(g.wlrDataControl);
        if (g.virtualKeyboard) zwp_virtual_keyboard_manager_v1_destroy(g.virtualKeyboard);
        if (g.fakeInput) org_kde_kwin_fake_input_destroy(g.fakeInput);
        if (s.keyboard) wl_keyboard_destroy(s.keyboard);
        if (g.seat) wl_seat_destroy(g.seat);
        if (s.registry) wl_registry_destroy(s.registry);
    });
    wl_display_flush(s.display);
    wl_event_queue_destroy(s.queue);
    wl_display_disconnect(s.display);
    if (s.wakeFd >= 0) ::close(s.wakeFd);
}

bool WaylandConnection::isConnected() const { return state_->alive; }

const WaylandConnection::Globals& WaylandConnection::globals() const { return state_->globals; }

std::string WaylandConnection::seatKeymap() const {
    std::lock_guard lock(state_->keymapMutex);
    return state_->keymap;
}

void* WaylandConnection::bind(const Offered& global, const wl_interface& interface, std::uint32_t version) {
    return wl_registry_bind(state_->registry, global.name, &interface, std::min(version, global.version));
}

void WaylandConnection::roundTrip() {
    State& s = *state_;
    if (s.alive && wl_display_roundtrip_queue(s.display, s.queue) < 0) s.markDead();
}

void WaylandConnection::call(const std::function<void()>& task) {
    State& s = *state_;
    const bool threadRunning = s.thread.joinable() && s.alive && !s.stopping;
    if (!threadRunning || std::this_thread::get_id() == s.threadId) {
        task();
        if (s.alive) wl_display_flush(s.display);
        return;
    }
    State::Task entry{&task};
    std::unique_lock lock(s.mutex);
    s.tasks.push_back(&entry);
    s.wake();
    s.finished.wait(lock, [&] { return entry.done || !s.alive; });
    if (!entry.done) {
        // The thread died with the task queued: take it back and run it here.
        s.tasks.erase(std::remove(s.tasks.begin(), s.tasks.end(), &entry), s.tasks.end());
        lock.unlock();
        task();
    }
}

}  // namespace mendrake
