#include "panel/PanelController.h"

#include "panel/FloatingPanel.h"
#include "panel/PanelKeyCommands.h"
#include "panel/PanelView.h"
#include "panel/PanelViewModel.h"
#include "panel/PreviewPane.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace mendrake {

PanelController::PanelController(PanelViewModel& model, Workspace& workspace, AppIcons& icons,
                                 PanelWindowSystem& windows)
    : model_(model), workspace_(workspace) {
    view_ = new PanelView(model_, workspace_, icons);
    panel_ = std::make_unique<FloatingPanel>(view_, windows);
    panel_->keyHandler = [this](QKeyEvent* event) {
        return handlePanelKey(model_, PanelKeyEvent::fromQKeyEvent(*event), view_->searchFieldState(),
                              [this] { hide(); }, [this] { view_->previewPane()->copyTextSelection(); });
    };
    panel_->onFocusLost = [this] { hide(); };
}

PanelController::~PanelController() = default;

void PanelController::show() {
    const std::optional<RunningApplication> front = workspace_.frontmostApplication();
    previousApp_ = front && !isOwnWindow(front->window) ? front : std::nullopt;
    model_.prepareForShow();
    positionPanel();
    panel_->showAndTakeKeyboard();
}

void PanelController::hide() {
    if (!panel_->isVisible()) return;
    panel_->hide();
    if (onHidden) onHidden();
}

bool PanelController::isVisible() const { return panel_->isVisible(); }

void PanelController::positionPanel() {
    const QPoint mouse = QCursor::pos();
    QScreen* screen = nullptr;
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->geometry().contains(mouse)) {
            screen = s;
            break;
        }
    }
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect v = screen->availableGeometry();
    const QSize size = panel_->size();
    // Qt measures from the top: a centre at 60% from the bottom is 40% from the top.
    const int x = qRound(v.x() + v.width() * 0.5 - size.width() * 0.5);
    const int y = qRound(v.y() + v.height() * (1.0 - verticalPlacement) - size.height() * 0.5);
    panel_->move(x, y);
}

bool PanelController::isOwnWindow(quint64 window) const {
    // One of this application's windows holding the keyboard means this application is in front,
    // even before the window manager has published it as the active window.
    if (QWindow* focus = QGuiApplication::focusWindow(); focus && focus != panel_->windowHandle()) return true;
    if (window == 0) return false;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->handle() && quint64(w->winId()) == window) return true;
    return false;
}

}  // namespace mendrake
