#pragma once
// The keyboard layout of a Wayland session: the keymap the seat's keyboard announces (through
// WaylandConnection::seatKeymap), else the one xkbcommon compiles from its defaults, as the
// virtual-keyboard synthesiser picks the keymap it uploads. Keys are read in layout group 0, the
// group the synthesiser types in, so the key found for a character is the key that types it.
// Reads the keymap afresh on every call. Any thread.

#include "platform/KeyboardLayout.h"

namespace mendrake {

class WaylandConnection;

class WaylandKeyboardLayout final : public KeyboardLayout {
public:
    explicit WaylandKeyboardLayout(const WaylandConnection& connection);

    std::vector<std::optional<QString>> characters(const std::vector<std::uint32_t>& keycodes) const override;

private:
    const WaylandConnection& connection_;
};

}  // namespace mendrake
