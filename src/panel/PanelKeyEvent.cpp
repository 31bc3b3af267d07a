#include "panel/PanelKeyEvent.h"

#include "hotkey/KeyCodes.h"

#include <QKeyEvent>

namespace mendrake {
namespace {

// Positions of the keys the panel reads, for events without a native keycode (synthesised ones).
std::uint16_t keyCodeForQtKey(int key) {
    using K = PanelKeyEvent;
    switch (key) {
    case Qt::Key_Return: return K::returnKey;
    case Qt::Key_Enter: return K::keypadEnter;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return K::tab;
    case Qt::Key_Backspace: return K::deleteKey;
    case Qt::Key_Delete: return K::forwardDelete;
    case Qt::Key_Escape: return K::escape;
    case Qt::Key_Up: return K::upArrow;
    case Qt::Key_Down: return K::downArrow;
    case Qt::Key_PageUp: return K::pageUp;
    case Qt::Key_PageDown: return K::pageDown;
    case Qt::Key_1: return K::digit1;
    case Qt::Key_2: return K::digit2;
    case Qt::Key_3: return K::digit3;
    case Qt::Key_4: return K::digit4;
    case Qt::Key_5: return K::digit5;
    case Qt::Key_6: return K::digit6;
    case Qt::Key_7: return K::digit7;
    case Qt::Key_8: return K::digit8;
    case Qt::Key_9: return K::digit9;
    default: return K::unknown;
    }
}

bool isDigit(std::uint16_t keyCode) {
    using K = PanelKeyEvent;
    for (std::uint16_t digit : {K::digit1, K::digit2, K::digit3, K::digit4, K::digit5, K::digit6, K::digit7,
                                K::digit8, K::digit9})
        if (keyCode == digit) return true;
    return false;
}

}  // namespace

PanelKeyEvent PanelKeyEvent::fromQKeyEvent(const QKeyEvent& event) {
    using K = PanelKeyEvent;
    PanelKeyEvent out;
    out.keyDown = event.type() == QEvent::KeyPress;

    // Keys are named by their symbol, which means the same on every layout: a virtual keyboard (an
    // on-screen keyboard, a typing tool) may put any symbol at any position of its own keymap. Only
    // digits go by position, since some layouts type them with Shift alone.
    const std::uint16_t named = keyCodeForQtKey(event.key());
    std::optional<std::uint32_t> position;
    if (event.nativeScanCode() != 0) position = keyCodeForX11Keycode(event.nativeScanCode());
    if (named != K::unknown && !isDigit(named)) out.keyCode = named;
    else if (position && isDigit(std::uint16_t(*position))) out.keyCode = std::uint16_t(*position);
    else out.keyCode = named;

    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & (Qt::ControlModifier | Qt::MetaModifier)) out.modifierFlags |= commandFlag;
    if (mods & Qt::AltModifier) out.modifierFlags |= optionFlag;
    if (mods & Qt::ShiftModifier) out.modifierFlags |= shiftFlag;

    // Printable keys: Qt's key is the layout's symbol, upper-cased for letters.
    const int key = event.key();
    if (key >= 0x20 && key < 0x7f)
        out.characters = QString(QChar(key)).toLower();
    else if (!event.text().isEmpty() && event.text().at(0).isPrint())
        out.characters = event.text().toLower();
    return out;
}

}  // namespace mendrake
