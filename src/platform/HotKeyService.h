#pragma once
// HotKeyService: system-wide registration of keyboard shortcuts.
//
// Contract: `registerHotKey` claims one key (virtual key code, the HotKeyCombo key-code space) with
// one exact modifier set (the HotKeyCombo mask: Command 0x0100 = Super, Shift 0x0200, Option 0x0800
// = Alt, Control 0x1000 = Ctrl) for the whole session, tagged with `id`. It answers a non-zero
// registration handle, or nullopt when the system refuses (another client holds the combination,
// the key has no position on this machine, no display); a refused attempt leaves nothing claimed.
// `unregisterHotKey` releases a handle that `registerHotKey` returned. `installHandler` sets the one
// function called with the id each time a registered shortcut is pressed; the caller installs it
// once, before the first registration. Everything, the handler included, runs on the main thread.
// The service owns its claims and releases any left when it is destroyed; it never ends the process
// on a display-server error.

#include <cstdint>
#include <functional>
#include <optional>

namespace mendrake {

class HotKeyService {
public:
    using Handle = std::uint64_t;

    virtual ~HotKeyService() = default;

    virtual void installHandler(std::function<void(std::uint32_t id)> handler) = 0;
    virtual std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                 std::uint32_t id) = 0;
    virtual void unregisterHotKey(Handle handle) = 0;
};

}  // namespace mendrake
