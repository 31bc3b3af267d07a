#pragma once
// One key event as the panel's key commands see it: the key's virtual key code (a hardware position,
// the code space HotKeyCombo stores), the characters the key types without modifiers, and the
// modifier flags. `fromQKeyEvent` is the one translation from Qt's key events.

#include <QString>

#include <cstdint>

class QKeyEvent;

namespace mendrake {

struct PanelKeyEvent {
    // Modifier flag bits. Command is Ctrl or Super on Linux; Option is Alt.
    static constexpr std::uint32_t shiftFlag = 0x20000;
    static constexpr std::uint32_t optionFlag = 0x80000;
    static constexpr std::uint32_t commandFlag = 0x100000;

    // Virtual key codes the panel recognises by position.
    enum KeyCode : std::uint16_t {
        returnKey = 36, tab = 48, deleteKey = 51, escape = 53, keypadEnter = 76,
        pageUp = 116, forwardDelete = 117, pageDown = 121, downArrow = 125, upArrow = 126,
        digit1 = 18, digit2 = 19, digit3 = 20, digit4 = 21, digit5 = 23, digit6 = 22,
        digit7 = 26, digit8 = 28, digit9 = 25,
        unknown = 0xFFFF,
    };

    bool keyDown = true;
    std::uint16_t keyCode = unknown;
    QString characters;         // without modifiers, as typed by the layout
    std::uint32_t modifierFlags = 0;

    bool command() const { return modifierFlags & commandFlag; }
    bool option() const { return modifierFlags & optionFlag; }
    bool shift() const { return modifierFlags & shiftFlag; }

    // The position comes from the native X keycode when the platform reports one, else from Qt's
    // key; the characters follow the layout's key symbol, so Ctrl+P reads "p" even though the
    // event's text is a control character.
    static PanelKeyEvent fromQKeyEvent(const QKeyEvent& event);
};

// What the search field reports about itself when a key arrives.
struct SearchFieldState {
    bool composing = false;     // an input method holds uncommitted (marked) text
    bool hasSelection = false;  // one or more characters are selected
};

}  // namespace mendrake
