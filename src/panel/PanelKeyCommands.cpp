#include "panel/PanelKeyCommands.h"

#include "panel/PanelViewModel.h"

namespace mendrake {
namespace {

void copy(PanelViewModel& model, const SearchFieldState& field, const std::function<void()>& copyPreviewSelection) {
    if (field.previewHasSelection && copyPreviewSelection)
        copyPreviewSelection();
    else
        model.activateSelected(UseMode::copyOnly);
}

bool handleCtrlKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                   const std::function<void()>& hidePanel, const std::function<void()>& copyPreviewSelection) {
    switch (event.key) {
    case Qt::Key_P:
        model.togglePinSelected();
        return true;
    case Qt::Key_C:
        if (field.hasSelection) return false;  // the field copies its own selected text
        copy(model, field, copyPreviewSelection);
        return true;
    case Qt::Key_Comma:
        if (model.onOpenSettings) model.onOpenSettings();
        return true;
    case Qt::Key_W:
        if (hidePanel) hidePanel();
        return true;
    default:
        return false;
    }
}

bool handlePlainKey(PanelViewModel& model, const PanelKeyEvent& event) {
    switch (event.key) {
    case Qt::Key_Tab: model.cycleFilter(1); return true;
    case Qt::Key_Up: model.moveSelection(-1); return true;
    case Qt::Key_Down: model.moveSelection(1); return true;
    case Qt::Key_PageUp: model.moveSelection(-10); return true;
    case Qt::Key_PageDown: model.moveSelection(10); return true;
    default: return false;
    }
}

}  // namespace

bool handlePanelKey(PanelViewModel& model, const PanelKeyEvent& event, const SearchFieldState& field,
                    const std::function<void()>& hidePanel, const std::function<void()>& copyPreviewSelection) {
    if (!event.keyDown || field.composing || (event.modifiers & Qt::MetaModifier)) return false;
    const Qt::KeyboardModifiers mods = event.modifiers;
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;

    if (event.key == Qt::Key_Return || event.key == Qt::Key_Enter) {
        model.activateSelected(ctrl ? UseMode::copyOnly : alt ? UseMode::pastePlain : UseMode::paste);
        return true;
    }
    if (event.key == Qt::Key_Escape) {
        if (!model.query().isEmpty()) model.setQuery(QString());
        else if (hidePanel) hidePanel();
        return true;
    }
    if (ctrl && !(mods & Qt::ShiftModifier) && event.key >= Qt::Key_1 && event.key <= Qt::Key_9) {
        model.activateIndex(event.key - Qt::Key_1, alt ? UseMode::pastePlain : UseMode::paste);
        return true;
    }
    if (mods == Qt::ControlModifier) return handleCtrlKey(model, event, field, hidePanel, copyPreviewSelection);
    if (mods == Qt::ShiftModifier && event.key == Qt::Key_Delete) {
        model.deleteSelected();
        return true;
    }
    if ((mods == Qt::ShiftModifier && event.key == Qt::Key_Tab) ||
        ((mods == Qt::ShiftModifier || mods == Qt::NoModifier) && event.key == Qt::Key_Backtab)) {
        model.cycleFilter(-1);
        return true;
    }
    if (mods == Qt::NoModifier) return handlePlainKey(model, event);
    return false;
}

}  // namespace mendrake
