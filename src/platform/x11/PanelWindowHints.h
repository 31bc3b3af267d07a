#pragma once
// Window-manager hints for the floating search panel on X11.
//
// `setFloatingPanelHints` asks the window manager (EWMH) to show the window on every desktop, above
// normal windows, and to leave it out of the taskbar and the pager: on an unmapped window it writes
// the properties the manager reads at mapping, on a mapped one it sends the manager's requests.
// Call it before each showing and again once the window is on screen, since a manager may drop the
// properties when the window is withdrawn, even after a quick re-show has written them anew.
// `compositorRunning` tells whether translucent windows are drawn translucent: on X11, whether a
// compositing manager owns the screen; on Qt's Wayland platform always, since every Wayland
// compositor blends windows. The X11 calls use Qt's own X connection on the GUI thread; on another
// platform (offscreen, Wayland) they do nothing and answer false. `takeInputFocus` gives the keyboard to a mapped window directly, as a panel that becomes
// the key window without the window manager's consent to activate it; `holdsInputFocus` asks the X
// server whether the window has the keyboard now. X errors are not reported:
// a hint the manager ignores only costs its effect.

class QWindow;

namespace mendrake {

void setFloatingPanelHints(QWindow* window);
bool compositorRunning();
void takeInputFocus(QWindow* window);
bool holdsInputFocus(QWindow* window);

}  // namespace mendrake
