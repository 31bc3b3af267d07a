#pragma once
// Window-manager hints for the floating search panel on X11.
//
// `setFloatingPanelHints` asks the window manager (EWMH) to show the window on every desktop, above
// normal windows, and to leave it out of the taskbar and the pager. It writes the properties that a
// window manager reads when the window is mapped, so call it before each showing (a manager may drop
// them when the window is withdrawn). `compositorRunning` tells whether a compositing manager owns
// the screen, i.e. whether translucent windows are drawn translucent. Both use Qt's own X
// connection on the GUI thread; on another platform (offscreen, Wayland) they do nothing and answer
// false. X errors are not reported: a hint the manager ignores only costs its effect.

class QWindow;

namespace mendrake {

void setFloatingPanelHints(QWindow* window);
bool compositorRunning();

}  // namespace mendrake
