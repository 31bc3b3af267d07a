#pragma once
// Owns the settings window: a 740 x 560 non-resizable window with the 230-pixel sidebar on the left
// and the current page on the right. The window is created on the first `show` and then kept:
// closing only hides it, and the next `show` brings it back on the page last shown, re-titled with
// that page's window title. Main thread only.

#include "settings/BuildInfo.h"
#include "settings/SettingsPage.h"
#include "settings/SettingsRouter.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace mendrake {

class Clock;
class HistoryStore;
class KeyboardLayout;
class KeySynthesiser;
class Preferences;
class SettingsDetail;
class SettingsSidebar;
class Workspace;

// What the settings pages use. References must outlive the controller.
struct SettingsServices {
    Preferences& prefs;
    KeyboardLayout& keyboardLayout;   // key names on the key caps
    Workspace& workspace;             // app names and icons, "Show in Files", links
    KeySynthesiser& keySynthesiser;   // accessibility trust and its request
    Clock& clock;                     // the one-second trust poll, pause end times
    HistoryStore* store = nullptr;    // absent: the History page shows 0 and 0 and clears nothing
    std::function<void()> onHistoryCleared;  // after a clear, e.g. the panel model's reload
    // Clears off the main thread and calls `done` on it afterwards (the panel reloaded by then);
    // absent: the page clears through `store` and calls onHistoryCleared.
    std::function<void(bool keepPinned, std::function<void()> done)> clearHistory;
    std::function<void()> checkForUpdates;   // the About page's "Check for Updates…"
    bool canCheckForUpdates = false;         // whether the About page offers the "Updates" row
    std::function<bool()> trayAvailable;     // false: the About page says how to open Mendrake
    QString sourceAddress = builtSourceAddress();  // the About page's links; none when empty
    QString version = builtVersion();
    QString build = builtBuildNumber();
    std::function<void()> quit;              // Ctrl+Q
    // Set where the desktop, not Mendrake, binds the global shortcut: the line for its configuration.
    QString desktopShortcutLine;
};

class SettingsWindowController {
public:
    explicit SettingsWindowController(SettingsServices services,
                                      SettingsPage startPage = SettingsPage::general);
    ~SettingsWindowController();

    // Brings the window up, on `page` when one is given.
    void show(std::optional<SettingsPage> page = std::nullopt);

    SettingsRouter& router() { return router_; }
    QWidget* window() const { return window_.get(); }  // null before the first show
    SettingsSidebar* sidebar() const { return sidebar_; }
    SettingsDetail* detail() const { return detail_; }

private:
    void createWindow();
    QWidget* makePage(SettingsPage page);

    SettingsServices services_;
    SettingsRouter router_;
    std::unique_ptr<QWidget> window_;
    SettingsSidebar* sidebar_ = nullptr;
    SettingsDetail* detail_ = nullptr;
};

}  // namespace mendrake
