#pragma once
// X11PanelWindowSystem: the panel's window-system role on X11, through Qt's own X connection.
//
// The hints are EWMH: on an unmapped window it writes the properties the manager reads at mapping,
// on a mapped one it sends the manager's requests. A compositor is running when someone owns
// _NET_WM_CM_S0; on Qt's Wayland platform always, since every Wayland compositor blends windows.
// The focus calls are SetInputFocus and GetInputFocus. On another Qt platform (offscreen, Wayland)
// there is no X connection: the rest does nothing and answers false. X errors are not reported.

#include "platform/PanelWindowSystem.h"

namespace mendrake {

class X11PanelWindowSystem final : public PanelWindowSystem {
public:
    void setFloatingHints(QWindow* window) override;
    bool compositorRunning() const override;
    void takeInputFocus(QWindow* window) override;
    bool holdsInputFocus(QWindow* window) const override;
};

}  // namespace mendrake
