#pragma once
// The stored shortcut's key codes: the settings file names a key by its virtual key code (hardware
// positions of a full-size Mac keyboard), and everything else by its Linux evdev code or X keycode
// (the evdev code plus 8). This is the fixed table between the two. Keys that keyboard has no code
// for (Print, Pause, F21-F24, ...) are stored as `extendedKeyBase` plus their evdev code.

#include <cstdint>
#include <optional>

namespace mendrake {

inline constexpr std::uint32_t extendedKeyBase = 0x10000;

// The evdev code of a virtual key code; nullopt for codes with no key in the table.
std::optional<std::uint32_t> evdevCodeForKeyCode(std::uint32_t keyCode);

// The virtual key code of an evdev code; nullopt for keys the table does not know.
std::optional<std::uint32_t> keyCodeForEvdevCode(std::uint32_t evdevCode);

// The X keycode (8-255) of a stored key code, table or extended; nullopt when it names no key.
std::optional<std::uint32_t> x11KeycodeForStoredKey(std::uint32_t storedKey);

// The stored key code of an X keycode: the table's code, else the extended one.
std::uint32_t storedKeyForX11Keycode(std::uint32_t x11Keycode);

}  // namespace mendrake
