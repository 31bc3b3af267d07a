#pragma once
// The tray icon and its menu: the ten most recently used history items (choosing one pastes it
// into whatever application is in front), the panel, pause and resume, the update check, the
// settings and quit. The menu is rebuilt every time it is about to open, so it is always current
// and nothing is refreshed while it is closed. Main thread only.

#include "capture/ClipModel.h"
#include "platform/Clock.h"
#include "hotkey/HotKeyCombo.h"
#include "platform/KeyboardLayout.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace mendrake {

class Preferences;

// What the menu asks of the application shell. The shell owns it; when the shell is gone the
// menu opens empty and its actions do nothing.
struct StatusMenuShell {
    std::function<QList<ClipItem>()> recentItems;            // most recently used first
    std::function<void(const ClipItem&)> pasteItem;          // paste into the frontmost app
    std::function<void()> togglePanel;
    std::function<void()> openSettings;
    std::function<void()> checkForUpdates;                   // unset: no "Check for Updates…" entry
    std::function<void()> quit;
    std::function<std::optional<QImage>(const std::optional<QString>&)> appIcon;
    std::function<void()> menuOpening;  // just before the menu is built, while the user's window is active
};

class StatusItemController final : public QObject {
    Q_OBJECT
public:
    static constexpr int recentsLimit = 10;
    static constexpr int menuTitleLimit = 48;
    static constexpr int iconSize = 16;
    // Lets the menu close before the paste keystroke goes to the application in front.
    static constexpr double pasteDelay = 0.05;

    // `symbolIcon` draws a named symbol ("scissors", "link", ...) for the tray and the entries.
    StatusItemController(std::weak_ptr<StatusMenuShell> shell, Preferences& prefs,
                         const KeyboardLayout& layout, Clock& clock,
                         std::function<QIcon(const QString&)> symbolIcon, QObject* parent = nullptr);
    ~StatusItemController() override;

    void setVisible(bool visible);
    bool isVisible() const;

    // While set, the tray says that copies are not being recorded, and why; none clears it.
    void setRecordingProblem(const std::optional<QString>& reason);
    const std::optional<QString>& recordingProblem() const { return recordingProblem_; }
    // A short message from the tray icon, for outcomes the user would otherwise not notice.
    void showNotice(const QString& title, const QString& text);

    QMenu* menu() const { return menu_.get(); }
    QSystemTrayIcon* trayIcon() const { return item_; }
    const QList<ClipItem>& recents() const { return recents_; }

    // Menu actions. An index or pause length comes from the entry's data (its tag).
    void pasteRecent(int index);
    void openPanel();
    void openSettings();
    void checkUpdates();
    void pauseFor(int minutes);
    void resume();

    // A title cut to menuTitleLimit user-perceived characters: 47 of them and "…" when longer.
    static QString menuTitle(const QString& title);

private:
    // Builds the menu afresh, just before it opens.
    void rebuildMenu();
    QAction* addRecentEntry(const ClipItem& item, int index, StatusMenuShell& shell);

    std::weak_ptr<StatusMenuShell> shell_;
    Preferences& prefs_;
    const KeyboardLayout& layout_;
    Clock& clock_;
    std::function<QIcon(const QString&)> symbolIcon_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* item_ = nullptr;
    QList<ClipItem> recents_;
    std::optional<QString> recordingProblem_;
    std::unique_ptr<Clock::Timer> pasteTimer_;
};

}  // namespace mendrake
