#include "panel/PanelKeyEvent.h"

#include <QKeyEvent>

namespace mendrake {

PanelKeyEvent PanelKeyEvent::fromQKeyEvent(const QKeyEvent& event) {
    // X keycodes of the digit row's 1 to 9.
    constexpr quint32 digit1 = 10, digit9 = 18;
    PanelKeyEvent out;
    out.keyDown = event.type() == QEvent::KeyPress;
    out.key = event.key();
    const quint32 native = event.nativeScanCode();
    if (native >= digit1 && native <= digit9) out.key = Qt::Key_1 + int(native - digit1);
    out.modifiers = event.modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    return out;
}

}  // namespace mendrake
