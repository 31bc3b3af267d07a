#pragma once
// The panel's window-system role with no window system behind it: no hints, no compositor, and the
// panel never holds the keyboard.

#include "platform/PanelWindowSystem.h"

namespace mendrake::test {

class FakePanelWindowSystem final : public PanelWindowSystem {
public:
    void setFloatingHints(QWindow*) override {}
    bool compositorRunning() const override { return false; }
    void takeInputFocus(QWindow*) override {}
    bool holdsInputFocus(QWindow*) const override { return false; }
};

}  // namespace mendrake::test
