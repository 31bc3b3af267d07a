#include "hotkey/KeyNames.h"

#include <array>

namespace mendrake {

namespace {

// Ordered so that a Qt key shared by two rows (none today) would take the first.
constexpr std::array kNamedKeys = std::to_array<NamedKey>({
    {1, Qt::Key_Escape, "Esc"},
    {14, Qt::Key_Backspace, "Backspace"},
    {15, Qt::Key_Tab, "Tab"},
    {0, Qt::Key_Backtab, "Tab"},
    {28, Qt::Key_Return, "Enter"},
    {57, Qt::Key_Space, "Space"},
    {110, Qt::Key_Insert, "Insert"},
    {111, Qt::Key_Delete, "Delete"},
    {102, Qt::Key_Home, "Home"},
    {107, Qt::Key_End, "End"},
    {104, Qt::Key_PageUp, "Page Up"},
    {109, Qt::Key_PageDown, "Page Down"},
    {105, Qt::Key_Left, "←"},
    {106, Qt::Key_Right, "→"},
    {103, Qt::Key_Up, "↑"},
    {108, Qt::Key_Down, "↓"},
    {59, Qt::Key_F1, "F1"},
    {60, Qt::Key_F2, "F2"},
    {61, Qt::Key_F3, "F3"},
    {62, Qt::Key_F4, "F4"},
    {63, Qt::Key_F5, "F5"},
    {64, Qt::Key_F6, "F6"},
    {65, Qt::Key_F7, "F7"},
    {66, Qt::Key_F8, "F8"},
    {67, Qt::Key_F9, "F9"},
    {68, Qt::Key_F10, "F10"},
    {87, Qt::Key_F11, "F11"},
    {88, Qt::Key_F12, "F12"},
    {183, Qt::Key_F13, "F13"},
    {184, Qt::Key_F14, "F14"},
    {185, Qt::Key_F15, "F15"},
    {186, Qt::Key_F16, "F16"},
    {187, Qt::Key_F17, "F17"},
    {188, Qt::Key_F18, "F18"},
    {189, Qt::Key_F19, "F19"},
    {190, Qt::Key_F20, "F20"},
    {191, Qt::Key_F21, "F21"},
    {192, Qt::Key_F22, "F22"},
    {193, Qt::Key_F23, "F23"},
    {194, Qt::Key_F24, "F24"},
    {99, Qt::Key_Print, "Print"},
    {119, Qt::Key_Pause, "Pause"},
    {70, Qt::Key_ScrollLock, "Scroll Lock"},
    {69, Qt::Key_NumLock, "Num Lock"},
    {58, Qt::Key_CapsLock, "Caps Lock"},
    {127, Qt::Key_Menu, "Menu"},
    {138, Qt::Key_Help, "Help"},
    {96, Qt::Key_Enter, "Num Enter"},
    {98, 0, "Num /"},
    {55, 0, "Num *"},
    {74, 0, "Num -"},
    {78, 0, "Num +"},
    {83, 0, "Num ."},
    {121, 0, "Num ,"},
    {117, 0, "Num ="},
    {82, 0, "Num 0"},
    {79, 0, "Num 1"},
    {80, 0, "Num 2"},
    {81, 0, "Num 3"},
    {75, 0, "Num 4"},
    {76, 0, "Num 5"},
    {77, 0, "Num 6"},
    {71, 0, "Num 7"},
    {72, 0, "Num 8"},
    {73, 0, "Num 9"},
    {113, Qt::Key_VolumeMute, "Mute"},
    {114, Qt::Key_VolumeDown, "Volume Down"},
    {115, Qt::Key_VolumeUp, "Volume Up"},
    {163, Qt::Key_MediaNext, "Next Track"},
    {164, Qt::Key_MediaTogglePlayPause, "Play"},
    {165, Qt::Key_MediaPrevious, "Previous Track"},
    {166, Qt::Key_MediaStop, "Stop"},
    {140, Qt::Key_Calculator, "Calculator"},
    {155, Qt::Key_LaunchMail, "Mail"},
    {172, Qt::Key_HomePage, "Home Page"},
    {217, Qt::Key_Search, "Search"},
    {142, Qt::Key_Sleep, "Sleep"},
    {224, Qt::Key_MonBrightnessDown, "Brightness Down"},
    {225, Qt::Key_MonBrightnessUp, "Brightness Up"},
});

}  // namespace

std::span<const NamedKey> namedKeys() { return kNamedKeys; }

QString evdevKeyName(std::uint32_t evdevCode) {
    if (evdevCode == 0) return {};
    for (const NamedKey& key : kNamedKeys)
        if (key.evdevCode == evdevCode) return QString::fromUtf8(key.name);
    return {};
}

QString qtKeyName(int qtKey) {
    if (qtKey == 0) return {};
    for (const NamedKey& key : kNamedKeys)
        if (key.qtKey == qtKey) return QString::fromUtf8(key.name);
    // Qt's printable keys are their Unicode code points (letters in upper case).
    if (qtKey > 0x20 && qtKey <= 0x10FFFF && qtKey < Qt::Key_Escape) {
        const char32_t codePoint = char32_t(qtKey);
        const QString text = QString::fromUcs4(&codePoint, 1);
        if (text.at(0).isPrint()) return text.toUpper();
    }
    return {};
}

QStringList modifierNames(Qt::KeyboardModifiers modifiers) {
    QStringList names;
    if (modifiers & Qt::ControlModifier) names << QStringLiteral("Ctrl");
    if (modifiers & Qt::AltModifier) names << QStringLiteral("Alt");
    if (modifiers & Qt::ShiftModifier) names << QStringLiteral("Shift");
    if (modifiers & Qt::MetaModifier) names << QStringLiteral("Super");
    return names;
}

QString shortcutLabel(Qt::KeyboardModifiers modifiers, const QString& keyName) {
    return (modifierNames(modifiers) << keyName).join(QLatin1Char('+'));
}

QString shortcutLabel(Qt::KeyboardModifiers modifiers, int qtKey) {
    return shortcutLabel(modifiers, qtKeyName(qtKey));
}

}  // namespace mendrake
