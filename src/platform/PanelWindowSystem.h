#pragma once
// PanelWindowSystem: what the window system does for the floating search panel beyond what Qt offers.
//
// Contract: `setFloatingHints` asks the window manager to show the window on every desktop, above
// normal windows, out of the taskbar and the pager; call it before each showing and again once the
// window is on screen, since a manager may drop the hints while the window is withdrawn.
// `compositorRunning` tells whether translucent windows are drawn translucent. `takeInputFocus`
// gives the keyboard to a shown window directly, without the window manager's consent to activate
// it; `holdsInputFocus` asks the display server whether the window has the keyboard now. Requests
// the window system ignores only cost their effect: nothing fails, and a session without these
// controls does nothing and answers false. Main thread only.

class QWindow;

namespace mendrake {

class PanelWindowSystem {
public:
    virtual ~PanelWindowSystem() = default;

    virtual void setFloatingHints(QWindow* window) = 0;
    virtual bool compositorRunning() const = 0;
    virtual void takeInputFocus(QWindow* window) = 0;
    virtual bool holdsInputFocus(QWindow* window) const = 0;
};

}  // namespace mendrake
