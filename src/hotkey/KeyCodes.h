#pragma once
// The fixed table between the virtual key codes that HotKeyCombo stores (hardware positions of a
// full-size keyboard) and Linux evdev key codes. An X keycode is the evdev code plus 8.

#include <cstdint>
#include <optional>

namespace mendrake {

// The evdev code of a virtual key code; nullopt for codes with no key in the table.
std::optional<std::uint32_t> evdevCodeForKeyCode(std::uint32_t keyCode);

// The virtual key code of an evdev code; nullopt for keys the table does not know.
std::optional<std::uint32_t> keyCodeForEvdevCode(std::uint32_t evdevCode);

// X keycode of a virtual key code, 0 when there is none (the form the X11 adapters take).
unsigned x11KeycodeForKeyCode(std::uint32_t keyCode);

// Virtual key code of an X keycode (what a key event's native scan code reports under xcb).
std::optional<std::uint32_t> keyCodeForX11Keycode(unsigned x11Keycode);

}  // namespace mendrake
