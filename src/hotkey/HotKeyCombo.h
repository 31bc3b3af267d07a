#pragma once
// HotKeyCombo: the global shortcut as a plain value (a virtual key code and a modifier mask), its
// stored JSON form, and its renderings under the current keyboard layout.

#include "platform/KeyboardLayout.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

namespace mendrake {

struct HotKeyCombo {
    // Modifier mask bits. Globally they name the physical keys: Command is Super, Option is Alt.
    static constexpr std::uint32_t command = 0x0100;
    static constexpr std::uint32_t shift = 0x0200;
    static constexpr std::uint32_t option = 0x0800;
    static constexpr std::uint32_t control = 0x1000;

    std::uint32_t keyCode = 9;
    std::uint32_t modifiers = command | shift;

    bool operator==(const HotKeyCombo&) const = default;

    // Key code 9 (V) with Shift and Command: ⇧⌘V.
    static constexpr HotKeyCombo defaultCombo() { return HotKeyCombo{9, command | shift}; }

    // The stored form: a JSON object {"keyCode": n, "modifiers": m}.
    QByteArray toJson() const;
    // Both members required, each an integer that fits in 32 unsigned bits; other members ignored.
    // Anything else (not JSON, not an object, missing, negative, fractional, too large, wrong type)
    // gives nullopt.
    static std::optional<HotKeyCombo> fromJson(const QByteArray& json);
};

// The modifier symbols present, in the order ⌃ ⌥ ⇧ ⌘, then keyName of the key: "⇧⌘V".
QString displayString(const HotKeyCombo& combo, const KeyboardLayout& layout);

// The key-cap text: fixed names for Return, Tab, Space, Delete, Escape, forward delete, arrows and
// F1-F12; else the layout's character upper-cased; else "#" and the code in decimal. Codes that do
// not fit in 16 bits are never looked up and give "#" and the code.
QString keyName(std::uint32_t keyCode, const KeyboardLayout& layout);

// What the key types with no modifier under the current layout; nullopt when it types nothing.
std::optional<QString> layoutCharacter(std::uint32_t keyCode, const KeyboardLayout& layout);

// The lowest key code 0-127 whose layoutCharacter equals `text`, ignoring case.
std::optional<std::uint16_t> keyCodeForCharacter(const QString& text, const KeyboardLayout& layout);

// Key-event modifier flags (Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000) to
// the combo mask; every other flag is ignored.
std::uint32_t carbonModifiers(std::uint64_t flags);

}  // namespace mendrake

Q_DECLARE_METATYPE(mendrake::HotKeyCombo)
