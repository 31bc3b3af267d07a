#pragma once
// One key event as the panel's key commands see it: Qt's key and the modifiers held (Ctrl, Alt,
// Shift, Meta only). `fromQKeyEvent` is the one translation from Qt's key events.

#include <Qt>

class QKeyEvent;

namespace mendrake {

struct PanelKeyEvent {
    bool keyDown = true;
    int key = 0;  // a Qt::Key
    Qt::KeyboardModifiers modifiers;

    // Qt's key follows the layout, so Ctrl+W is the key labelled W wherever it sits; the digit
    // row is read by position (X keycodes 10-18), so Ctrl+1 works on layouts that type "&" there.
    static PanelKeyEvent fromQKeyEvent(const QKeyEvent& event);
};

// What the search field and the preview report about themselves when a key arrives.
struct SearchFieldState {
    bool composing = false;            // an input method holds uncommitted (marked) text
    bool hasSelection = false;         // one or more characters of the field are selected
    bool previewHasSelection = false;  // text is selected in the preview
};

}  // namespace mendrake
