#pragma once
// The keyboard layout of a Wayland session: the keymap the seat's keyboard announces (through
// WaylandConnection::seatKeymap), else the one xkbcommon compiles from its defaults, as the
// virtual-keyboard synthesiser picks the keymap it uploads. Keys are read in layout group 0, the
// group the synthesiser types in, so the key found for a character is the key that types it.
// Reads the keymap afresh on every call. Any thread.

#include "platform/KeyboardLayout.h"

#include <functional>

namespace mendrake {

class WaylandConnection;

class WaylandKeyboardLayout final : public KeyboardLayout {
public:
    // `evdevCodeFor` maps a virtual key code to the evdev code of that key position (0: none).
    WaylandKeyboardLayout(const WaylandConnection& connection, std::function<unsigned(std::uint32_t)> evdevCodeFor);

    std::vector<std::optional<QString>> characters(const std::vector<std::uint32_t>& keyCodes) const override;

private:
    const WaylandConnection& connection_;
    std::function<unsigned(std::uint32_t)> evdevCodeFor_;
};

}  // namespace mendrake
