#pragma once
// FloatingPanel: the search panel's window. A frameless, always-on-top tool window of 760 x 460 on
// every desktop, out of the taskbar and pager. It takes the keyboard when shown and reports losing
// it through `onFocusLost`. Window-manager hints and focus go through `PanelWindowSystem`. Key presses meet `keyHandler` before any widget inside sees them.
// Rounded corners of 14 points: drawn translucent when a compositor runs, else an opaque window
// clipped by a rounded mask. Created only by PanelController.

#include "platform/PanelWindowSystem.h"

#include <QWidget>

#include <functional>

class QKeyEvent;

namespace mendrake {

class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 760;
    static constexpr int contentHeight = 460;
    static constexpr int cornerRadius = 14;

    // Asked first about every key press in the window; true consumes it.
    std::function<bool(QKeyEvent*)> keyHandler;
    // Run after the window stopped being the active (keyboard) window.
    std::function<void()> onFocusLost;

    // Takes ownership of `content`, which fills the window.
    FloatingPanel(QWidget* content, PanelWindowSystem& windows);

    bool isTranslucent() const { return translucent_; }

    // Shows the window and gives it the keyboard as soon as it is on screen.
    void showAndTakeKeyboard();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMask();
    void takeKeyboard();

    PanelWindowSystem& windows_;
    bool translucent_ = false;
    bool filterInstalled_ = false;
    bool wantsKeyboard_ = false;
};

}  // namespace mendrake
