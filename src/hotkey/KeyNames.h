#pragma once
// The one label table: how the app writes a key or a shortcut wherever it shows one, the way KDE
// and GNOME do. Modifier words joined by "+" in the order Ctrl, Alt, Shift, Super, then the key's
// name: "Shift+Super+V", "Ctrl+P", "Alt+Enter". Keys are found by evdev code (a physical key of the
// global shortcut) or by Qt key (a key command inside the app).

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace mendrake {

struct NamedKey {
    std::uint32_t evdevCode;  // 0: no physical key of its own
    int qtKey;                // 0: Qt reports it as another key (a keypad digit is Key_5 + keypad)
    const char* name;
};

// Every key whose name is not simply the character it types.
std::span<const NamedKey> namedKeys();

// The table's name for an evdev code; empty when the key types a character instead.
QString evdevKeyName(std::uint32_t evdevCode);

// The name of a Qt key: the table's, else the character upper-cased; empty for keys with neither.
QString qtKeyName(int qtKey);

// "Ctrl", "Alt", "Shift", "Super" for the modifiers present, in that order; other flags ignored.
QStringList modifierNames(Qt::KeyboardModifiers modifiers);

// The modifier words and the key's name joined by "+": shortcutLabel(Ctrl, "1–9") is "Ctrl+1–9".
QString shortcutLabel(Qt::KeyboardModifiers modifiers, const QString& keyName);
QString shortcutLabel(Qt::KeyboardModifiers modifiers, int qtKey);

}  // namespace mendrake
