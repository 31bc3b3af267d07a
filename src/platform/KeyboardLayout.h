#pragma once
// KeyboardLayout: what the keys type under the keyboard layout the user has selected right now.
//
// Contract: keys are X keycodes (physical positions: the evdev code plus 8, e.g. 55 is the key
// labelled V on a US keyboard). `characters` answers, for each given keycode in order, the text that key types with no modifier held (level 0 of the current
// group), or nullopt when the key has no position on this machine or types no printable text. The
// layout is read afresh from the display server on every call, so a layout switch shows at once;
// one call reads it once, so ask for many keys in one call. Fails soft: no display or no keymap
// gives nullopt for every key. Main thread only. Owns nothing but its view of the keymap.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace mendrake {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    virtual std::vector<std::optional<QString>> characters(
        const std::vector<std::uint32_t>& keycodes) const = 0;
};

}  // namespace mendrake
