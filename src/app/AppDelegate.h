#pragma once
// AppDelegate: the owner of every long-lived object of the process and the wiring between them.
// At launch it opens the history, builds the clipboard monitor, the panel and its model, the tray
// item, registers the global shortcut, follows the preferences' signals, starts capturing and
// trims the history (then hourly). Afterwards it records captures, carries out the use of a chosen
// item (paste, plain paste, copy) and opens the settings and the first-run guide.
//
// Every callback that other objects hold back into the delegate holds it weakly and does nothing
// once it is gone. Main thread only.

#include "app/CommandLine.h"
#include "app/PasteEngine.h"
#include "app/SingleInstance.h"
#include "app/Updater.h"
#include "capture/AppIcon.h"
#include "capture/ClipModel.h"
#include "hotkey/HotKey.h"
#include "panel/UseMode.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "platform/HotKeyService.h"
#include "platform/KeySynthesiser.h"
#include "platform/KeyboardLayout.h"
#include "platform/PanelWindowSystem.h"
#include "platform/Pasteboard.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemLog.h"
#include "platform/TaskRunner.h"
#include "platform/Workspace.h"
#include "store/StoreError.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mendrake {

class ClipboardMonitor;
class HistoryStore;
class OnboardingWindowController;
class PanelController;
class PanelViewModel;
class Preferences;
class SettingsWindowController;
class StatusItemController;
struct StatusMenuShell;

// The platform roles the application runs on. Every reference outlives the delegate.
struct AppServices {
    Clock& clock;
    Pasteboard& pasteboard;
    Workspace& workspace;
    KeySynthesiser& keys;
    KeyboardLayout& keyboardLayout;
    HotKeyService& hotKeys;
    PanelWindowSystem& panelWindows;
    SoundPlayer& sound;
    SystemLog& log;
    AlertPresenter& alerts;
    // Where clipboard content is read, off the main thread.
    TaskRunner& captureReads;
    // Where retention trims and clearing run, on a connection of their own to the history.
    TaskRunner& maintenance;
    // Where the panel's full-text searches run, on another connection of their own.
    TaskRunner& searches;
    // Where the panel's preview images are read and decoded.
    TaskRunner& previews;
    // Ends the process's event loop with this exit status.
    std::function<void(int status)> terminate;
    // Opens the history (the default location in the real application).
    std::function<StoreResult<std::unique_ptr<HistoryStore>>()> openStore;
    // Named symbols for the tray and its menu.
    std::function<QIcon(const QString&)> symbolIcon;
    // Whether the desktop has a system tray (StatusNotifier host or XEmbed tray) now; the first-run
    // guide points to the icon only then, the launch checks it again every few seconds. Unset: always.
    std::function<bool()> trayAvailable;
    // The build's update signing key.
    QString updatePublicKey;
    // The tray's icon (the symbolic application icon); unset keeps the menu's own.
    std::function<QIcon()> trayIcon;
    // Set where the desktop binds the global shortcut (to `mendrake --toggle`): the line to add to
    // its configuration. Mendrake then registers none itself.
    QString desktopShortcutLine;
};

class AppDelegate final : public QObject {
    Q_OBJECT
public:
    static constexpr double maintenanceInterval = 3600;
    // How often the launch checks again for a tray, so that one started later shows the icon.
    static constexpr double trayCheckInterval = 2;

    AppDelegate(Preferences& prefs, AppServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence. False when the history could not be opened: the alert has been shown,
    // termination with a non-zero status requested, and nothing else was created.
    bool start();
    // A request from a later `mendrake` launch (its command-line option); the reply is its answer.
    InstanceReply handleRequest(const InstanceRequest& request);

    void activate(const ClipItem& item, UseMode mode, bool returnToPreviousApp);
    void togglePanel();
    void openSettings();
    void showOnboarding(bool startOnPermissions);
    void registerHotKey();
    void applyRetention();
    void handleCapture(const CapturedClip& capture);
    // The application that made the last recorded copy quit: the copy is served again.
    void restoreClipboard();

    Preferences& prefs() const { return prefs_; }
    HistoryStore* store() const { return store_.get(); }
    ClipboardMonitor* monitor() const { return monitor_.get(); }
    PanelViewModel* panelModel() const { return panelModel_.get(); }
    PanelController* panel() const { return panel_.get(); }
    StatusItemController* statusItem() const { return statusItem_.get(); }
    SettingsWindowController* settingsWindow() const { return settingsWindow_.get(); }
    OnboardingWindowController* onboardingWindow() const { return onboardingWindow_.get(); }
    PasteEngine& pasteEngine() { return pasteEngine_; }
    const std::optional<HotKeyCombo>& registeredCombo() const { return registeredCombo_; }
    // Whether a tray shows the icon; without one the guide and the About page say how to open Mendrake.
    bool hasTray() const { return hasTray_; }
    void checkTray();

private:
    void use(const ClipItem& item, UseMode mode, const std::optional<RunningApplication>& target);
    void followPreferences();
    // How the delegate's own failures reach the log: what failed and why, never clip content. Store
    // operations log their failures themselves (HistoryStore::setFailureLog).
    void logFailure(const QString& what, const QString& reason = {});
    // A failed store operation the user must hear of, shown in an alert.
    void showFailure(const QString& message, const QString& reason);
    void wireStatusMenu();
    void hidePanelIfVisible();
    struct Connection;
    using ConnectionWork = std::function<std::function<void(AppDelegate&)>(HistoryStore&)>;
    // Runs `work` on `runner` against a connection of the runner's own to the history (opened there
    // at first use); the function it answers runs on the main thread while the delegate lives.
    // `done` runs on the main thread after the job, whatever it answered.
    void runOn(TaskRunner& runner, const std::shared_ptr<Connection>& connection, ConnectionWork work,
               std::function<void(AppDelegate&)> done = {});
    // Work that writes the history (trim, Clear History, index merge); captures wait until it ends.
    void runMaintenance(ConnectionWork work);
    void searchInBackground(const QString& query, qint64 limit, std::function<void(QList<ClipItem>)> answer);
    // Merges deleted items' words out of the full-text index on the maintenance connection, once
    // the panel is hidden.
    void eraseDeletedTextSoon();

    Preferences& prefs_;
    AppServices services_;
    AppIcons appIcons_;
    PasteEngine pasteEngine_;
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<ClipboardMonitor> monitor_;
    std::unique_ptr<PanelViewModel> panelModel_;
    std::unique_ptr<PanelController> panel_;
    // Only a build that can check for updates has one.
    std::optional<Updater> updater_;
    std::shared_ptr<StatusMenuShell> statusShell_;
    std::unique_ptr<StatusItemController> statusItem_;
    HotKeyRegistry hotKeyRegistry_;
    std::unique_ptr<HotKey> hotKey_;
    std::unique_ptr<Clock::Timer> maintenanceTimer_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingWindowController> onboardingWindow_;
    std::optional<HotKeyCombo> registeredCombo_;
    std::optional<RunningApplication> trayTarget_;
    // The item the last captured copy was recorded as; none when recording it failed.
    std::optional<ClipItem> lastRecorded_;
    std::shared_ptr<Connection> maintenanceConnection_;
    std::shared_ptr<Connection> searchConnection_;
    struct Erasure {
        std::atomic<bool> queued{false};
        std::atomic<qint64> upTo{0};  // the main connection's deletions the next erasure covers
    };
    std::shared_ptr<Erasure> erasure_ = std::make_shared<Erasure>();
    bool erasureWanted_ = false;  // a delete made in the panel waits for the panel to hide
    int maintenanceRunning_ = 0;
    std::vector<CapturedClip> capturesWaiting_;
    qint64 capturesWaitingBytes_ = 0;
    static constexpr qint64 maxWaitingCaptureBytes = 64 * 1024 * 1024;
    // The latest search asked for; a search not started before a newer one is skipped.
    std::shared_ptr<std::atomic<quint64>> latestSearch_;
    bool hasTray_ = true;
    std::unique_ptr<Clock::Timer> trayTimer_;
};

}  // namespace mendrake
