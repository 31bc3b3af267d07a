#pragma once
// The panel's key commands: Return, Tab, Escape, the arrows and page keys, ⌘1-⌘9, ⌘Return,
// ⌘Delete, ⌘P, ⌘C, ⌘, and ⌘W, applied to the panel model. Answers true when the key is one of
// them, which consumes the event even when the command found nothing to act on; false sends the
// key on to the search field.

#include "panel/PanelKeyEvent.h"

#include <functional>

namespace mendrake {

class PanelViewModel;

bool handlePanelKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                    const std::function<void()>& hidePanel);

}  // namespace mendrake
