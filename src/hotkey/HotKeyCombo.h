#pragma once
// HotKeyCombo: the global shortcut as a plain value (a physical key and the modifiers held with
// it), its stored JSON form, and its renderings under the current keyboard layout.

#include "platform/KeyboardLayout.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace mendrake {

struct HotKeyCombo {
    // The key's X keycode (its evdev code plus 8): the physical key, whatever the layout types.
    std::uint32_t keycode = 55;
    // Ctrl, Alt, Shift and Meta (the Super key) only.
    Qt::KeyboardModifiers modifiers = Qt::ShiftModifier | Qt::MetaModifier;

    bool operator==(const HotKeyCombo&) const = default;

    // The V key with Shift and Super: Shift+Super+V, which no terminal or desktop uses.
    static constexpr HotKeyCombo defaultCombo() {
        return HotKeyCombo{55, Qt::ShiftModifier | Qt::MetaModifier};
    }

    // The stored form, kept from the first releases so existing settings files read the same: a
    // JSON object {"keyCode": n, "modifiers": m} where n is the virtual key code of KeyCodes.h and
    // m the mask Super 0x0100, Shift 0x0200, Alt 0x0800, Ctrl 0x1000.
    QByteArray toJson() const;
    // Both members required, each an integer that fits in 32 unsigned bits, the key code one that
    // names a key; other members and other mask bits ignored. Anything else (not JSON, not an
    // object, missing, negative, fractional, too large, wrong type, no such key) gives nullopt.
    static std::optional<HotKeyCombo> fromJson(const QByteArray& json);
};

// Only the modifiers a shortcut can hold: Ctrl, Alt, Shift and Meta (Super).
Qt::KeyboardModifiers shortcutModifiers(Qt::KeyboardModifiers modifiers);

// The label of a combo: "Shift+Super+V".
QString displayString(const HotKeyCombo& combo, const KeyboardLayout& layout);

// One text per key cap: the modifier words, then the key's name ("Shift", "Super", "V").
QStringList keyCapTexts(const HotKeyCombo& combo, const KeyboardLayout& layout);

// The key's name: the label table's for keys that do not type a character (Enter, F13, Num 5,
// Print, ...), else what the layout types there upper-cased, else "Key " and its evdev code.
QString keyName(std::uint32_t keycode, const KeyboardLayout& layout);

// What the key types with no modifier under the current layout; nullopt when it types nothing.
std::optional<QString> layoutCharacter(std::uint32_t keycode, const KeyboardLayout& layout);

// The lowest X keycode whose layoutCharacter equals `text`, ignoring case.
std::optional<std::uint32_t> keycodeForCharacter(const QString& text, const KeyboardLayout& layout);

}  // namespace mendrake

Q_DECLARE_METATYPE(mendrake::HotKeyCombo)
