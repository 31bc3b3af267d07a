#include "panel/PanelKeyCommands.h"

#include "panel/PanelViewModel.h"

#include <array>

namespace mendrake {
namespace {

using K = PanelKeyEvent;

constexpr std::array<std::uint16_t, 9> digitKeyCodes = {K::digit1, K::digit2, K::digit3, K::digit4, K::digit5,
                                                        K::digit6, K::digit7, K::digit8, K::digit9};

bool handlePlainKey(PanelViewModel& model, const PanelKeyEvent& event, const std::function<void()>& hidePanel) {
    switch (event.keyCode) {
    case K::returnKey:
    case K::keypadEnter:
        model.activateSelected(event.option() ? UseMode::pastePlain : UseMode::paste);
        return true;
    case K::tab:
        model.cycleFilter(event.shift() ? -1 : 1);
        return true;
    case K::escape:
        if (!model.query().isEmpty()) model.setQuery(QString());
        else if (hidePanel) hidePanel();
        return true;
    case K::upArrow: model.moveSelection(-1); return true;
    case K::downArrow: model.moveSelection(1); return true;
    case K::pageUp: model.moveSelection(-10); return true;
    case K::pageDown: model.moveSelection(10); return true;
    default: return false;
    }
}

bool handleCommandKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                      const std::function<void()>& hidePanel) {
    for (int i = 0; i < int(digitKeyCodes.size()); ++i) {
        if (event.keyCode == digitKeyCodes[i]) {
            model.activateIndex(i, event.option() ? UseMode::pastePlain : UseMode::paste);
            return true;
        }
    }
    switch (event.keyCode) {
    case K::returnKey:
        model.activateSelected(UseMode::copyOnly);
        return true;
    case K::deleteKey:
    case K::forwardDelete:
        model.deleteSelected();
        return true;
    default: break;
    }
    const QString c = event.characters.toLower();
    if (c == QLatin1String("p")) {
        model.togglePinSelected();
        return true;
    }
    if (c == QLatin1String("c")) {
        if (field.hasSelection) return false;  // the field copies its own selected text
        model.activateSelected(UseMode::copyOnly);
        return true;
    }
    if (c == QLatin1String(",")) {
        if (model.onOpenSettings) model.onOpenSettings();
        return true;
    }
    if (c == QLatin1String("w")) {
        if (hidePanel) hidePanel();
        return true;
    }
    return false;
}

}  // namespace

bool handlePanelKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                    const std::function<void()>& hidePanel) {
    if (!event.keyDown || field.composing) return false;
    return event.command() ? handleCommandKey(model, event, field, hidePanel)
                           : handlePlainKey(model, event, hidePanel);
}

}  // namespace mendrake
