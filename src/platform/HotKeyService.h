#pragma once
// HotKeyService: system-wide registration of keyboard shortcuts.
//
// Contract: `registerHotKey` claims one physical key (its X keycode, the evdev code plus 8) with one
// exact set of Ctrl, Alt, Shift and Meta (Super) for the whole session, tagged with `id`. It answers a non-zero
// registration handle, or nullopt when the system refuses (another client holds the combination,
// the key has no position on this machine, no display); a refused attempt leaves nothing claimed.
// `unregisterHotKey` releases a handle that `registerHotKey` returned. `installHandler` sets the one
// function called with the id each time a registered shortcut is pressed; the caller installs it
// once, before the first registration. A key held down calls the handler once, not once per
// auto-repeat. Everything, the handler included, runs on the main thread.
// The service owns its claims and releases any left when it is destroyed; it never ends the process
// on a display-server error.

#include <Qt>

#include <cstdint>
#include <functional>
#include <optional>

namespace mendrake {

class HotKeyService {
public:
    using Handle = std::uint64_t;

    virtual ~HotKeyService() = default;

    virtual void installHandler(std::function<void(std::uint32_t id)> handler) = 0;
    virtual std::optional<Handle> registerHotKey(std::uint32_t keycode, Qt::KeyboardModifiers modifiers,
                                                 std::uint32_t id) = 0;
    virtual void unregisterHotKey(Handle handle) = 0;
};

}  // namespace mendrake
