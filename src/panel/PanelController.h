#pragma once
// PanelController: owns the floating panel with the panel views over the shared model, shows it
// over whatever the user is doing and hides it again. `show` remembers the application that was in
// front (`previousApp`, read by the paste engine), resets the model for a fresh search, centres the
// panel at 60% of the height of the screen under the mouse and gives it the keyboard. The panel
// hides as soon as it loses the keyboard, on Escape with an empty query and on Ctrl+W.

#include "platform/PanelWindowSystem.h"
#include "platform/Workspace.h"

#include <memory>
#include <functional>
#include <optional>

namespace mendrake {

class AppIcons;
class FloatingPanel;
class PanelView;
class PanelViewModel;

class PanelController {
public:
    // The panel centre's height above the bottom of the screen's available area, as a fraction.
    static constexpr double verticalPlacement = 0.6;

    PanelController(PanelViewModel& model, Workspace& workspace, AppIcons& icons, PanelWindowSystem& windows);
    ~PanelController();
    PanelController(const PanelController&) = delete;
    PanelController& operator=(const PanelController&) = delete;

    void show();
    void hide();
    // Called after the panel was hidden, whichever way.
    std::function<void()> onHidden;
    bool isVisible() const;

    // The application in front when the panel was last shown; none before the first showing and
    // when one of this application's own windows was in front.
    const std::optional<RunningApplication>& previousApp() const { return previousApp_; }

    FloatingPanel& panel() const { return *panel_; }
    PanelView& view() const { return *view_; }
    PanelViewModel& model() const { return model_; }

    // Moves the panel to its place on the screen under the mouse; no screen, no move.
    void positionPanel();

private:
    bool isOwnWindow(quint64 window) const;

    PanelViewModel& model_;
    Workspace& workspace_;
    PanelView* view_;  // owned by panel_
    std::unique_ptr<FloatingPanel> panel_;
    std::optional<RunningApplication> previousApp_;
};

}  // namespace mendrake
