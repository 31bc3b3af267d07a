#pragma once
// The panel's key commands, applied to the panel model: Enter pastes (Alt+Enter as plain text,
// Ctrl+Enter copies only), Ctrl+1-9 paste one of the first nine, Tab and Shift+Tab cycle the
// filter, Esc clears the query then hides, the arrows and page keys move, Shift+Delete deletes,
// Ctrl+P pins, Ctrl+C copies, Ctrl+comma opens Settings and Ctrl+W hides. Answers true when the
// key is one of them, which consumes the event even when the command found nothing to act on;
// false sends the key on to the search field. Every chord that edits text (Ctrl+Backspace,
// Ctrl+Delete, Ctrl+arrows, Ctrl+A, Ctrl+Z, Ctrl+X, Ctrl+V, Home, End, Shift+arrows, ...) goes to
// the field, and so does anything with Super, which belongs to the desktop.

#include "panel/PanelKeyEvent.h"

#include <functional>

namespace mendrake {

class PanelViewModel;

// `copyPreviewSelection` copies the text selected in the preview; Ctrl+C calls it when the field
// has no selection and the preview has one.
bool handlePanelKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                    const std::function<void()>& hidePanel,
                    const std::function<void()>& copyPreviewSelection = {});

}  // namespace mendrake
