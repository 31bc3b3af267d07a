#include "app/AppDelegate.h"

#include "app/MainMenu.h"
#include "capture/ClipboardMonitor.h"
#include "menubar/StatusItemController.h"
#include "onboarding/OnboardingWindowController.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "prefs/Preferences.h"
#include "settings/SettingsWindowController.h"
#include "store/HistoryStore.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace mendrake {

// Used on its runner's thread only.
struct AppDelegate::Connection {
    std::unique_ptr<HistoryStore> store;
};

AppDelegate::AppDelegate(Preferences& prefs, AppServices services, QObject* parent)
    : QObject(parent),
      prefs_(prefs),
      services_(std::move(services)),
      appIcons_(services_.workspace),
      pasteEngine_(services_.pasteboard, services_.keys, services_.keyboardLayout, services_.workspace,
                   services_.clock),
      hotKeyRegistry_(services_.hotKeys, services_.clock),
      maintenanceConnection_(std::make_shared<Connection>()),
      searchConnection_(std::make_shared<Connection>()),
      latestSearch_(std::make_shared<std::atomic<quint64>>(0)) {
    if (Updater::shouldStart(services_.updatePublicKey))
        updater_.emplace([&workspace = services_.workspace](const QUrl& url) { workspace.openURL(url); });
}

AppDelegate::~AppDelegate() {
    // The menu must find the shell gone before the objects it calls into are destroyed.
    statusShell_.reset();
    // The guide and the settings window read the store and preferences; the hot key needs its
    // registry; the panel shows the model: tear down in the reverse of their dependencies.
    onboardingWindow_.reset();
    settingsWindow_.reset();
    hotKey_.reset();
    statusItem_.reset();
    panel_.reset();
    panelModel_.reset();
    monitor_.reset();
    store_.reset();
}

bool AppDelegate::start() {
    qApp->installEventFilter(new MainMenu([terminate = services_.terminate] { terminate(0); }, this));

    auto opened = services_.openStore();
    if (!opened) {
        services_.alerts.showAlert(QStringLiteral("Mendrake couldn't open its history database"),
                                   opened.error().description());
        services_.terminate(1);
        return false;
    }
    store_ = std::move(opened).value();
    // The store logs each failed operation itself (operation, error kind, reason); the delegate
    // only shows the user what failed.
    store_->setFailureLog(&services_.log);

    monitor_ = std::make_unique<ClipboardMonitor>(services_.pasteboard, services_.workspace, prefs_,
                                                  services_.clock, services_.captureReads, services_.log);
    panelModel_ = std::make_unique<PanelViewModel>(*store_, prefs_, services_.clock);
    panelModel_->decodeImagesOn(services_.previews);
    panel_ = std::make_unique<PanelController>(*panelModel_, services_.workspace, appIcons_, services_.panelWindows);

    QPointer<AppDelegate> self(this);
    panelModel_->onActivate = [self](const ClipItem& item, UseMode mode) {
        if (self) self->activate(item, mode, true);
    };
    panelModel_->onOpenSettings = [self] {
        if (self) self->openSettings();
    };
    panelModel_->onFailure = [self](const QString& message, const QString& reason) {
        if (!self) return;
        self->hidePanelIfVisible();
        self->showFailure(message, reason);
    };
    pasteEngine_.onPasteRefused = [self] {
        if (self && self->statusItem_)
            self->statusItem_->showNotice(
                QStringLiteral("Mendrake didn't paste"),
                QStringLiteral("The window you were working in is no longer active. The item is on the clipboard."));
    };
    panelModel_->onDeleted = [self] {
        if (self) self->eraseDeletedTextSoon();
    };
    panel_->onHidden = [self] {
        if (self && self->erasureWanted_) self->eraseDeletedTextSoon();
    };
    panelModel_->searchOlder = [self](const QString& query, qint64 limit, std::function<void(QList<ClipItem>)> answer) {
        if (self) self->searchInBackground(query, limit, std::move(answer));
    };
    monitor_->onCapture = [self](const CapturedClip& capture) {
        if (self) self->handleCapture(capture);
    };
    monitor_->onOwnerQuit = [self] {
        if (self) self->restoreClipboard();
    };

    wireStatusMenu();
    checkTray();
    trayTimer_ = services_.clock.every(trayCheckInterval, 0.5, [self] {
        if (self) self->checkTray();
    });
    if (!services_.desktopShortcutLine.isEmpty())
        services_.log.write(QStringLiteral("Mendrake: this desktop binds the global shortcut; bind a key to "
                                           "mendrake --toggle (") + services_.desktopShortcutLine + u')');
    registerHotKey();
    followPreferences();
    monitor_->start();
    applyRetention();
    maintenanceTimer_ = services_.clock.every(maintenanceInterval, 60, [self] {
        if (self) self->applyRetention();
    });
    if (!prefs_.hasCompletedOnboarding()) showOnboarding(false);
    return true;
}

void AppDelegate::wireStatusMenu() {
    QPointer<AppDelegate> self(this);
    statusShell_ = std::make_shared<StatusMenuShell>();
    statusShell_->recentItems = [self] {
        return self && self->panelModel_ ? self->panelModel_->items() : QList<ClipItem>{};
    };
    // The tray pastes into the window that was active when its menu opened, and nowhere else.
    statusShell_->menuOpening = [self] {
        if (self) self->trayTarget_ = self->services_.workspace.frontmostApplication();
    };
    statusShell_->pasteItem = [self](const ClipItem& item) {
        if (self) self->use(item, UseMode::paste, self->trayTarget_);
    };
    statusShell_->togglePanel = [self] {
        if (self) self->togglePanel();
    };
    statusShell_->openSettings = [self] {
        if (self) self->openSettings();
    };
    if (updater_)
        statusShell_->checkForUpdates = [self] {
            if (self) self->updater_->checkForUpdates();
        };
    statusShell_->quit = [self] {
        if (self) self->services_.terminate(0);
    };
    statusShell_->appIcon = [self](const std::optional<QString>& appId) -> std::optional<QImage> {
        if (!self) return std::nullopt;
        return self->appIcons_.appIcon(appId);
    };
    statusItem_ = std::make_unique<StatusItemController>(statusShell_, prefs_, services_.keyboardLayout,
                                                         services_.clock, services_.symbolIcon);
    if (services_.trayIcon) statusItem_->trayIcon()->setIcon(services_.trayIcon());
}

void AppDelegate::checkTray() {
    const bool available = !services_.trayAvailable || services_.trayAvailable();
    if (available == hasTray_) return;
    hasTray_ = available;
    if (!available) {
        services_.log.write(QStringLiteral("Mendrake: no system tray; open Mendrake with its shortcut or `mendrake --show`"));
        return;
    }
    // A tray that appeared after the icon was created: show the icon again so that it docks there.
    if (statusItem_ && prefs_.showMenuBarIcon()) {
        statusItem_->setVisible(false);
        statusItem_->setVisible(true);
    }
}

InstanceReply AppDelegate::handleRequest(const InstanceRequest& request) {
    using Kind = InstanceRequest::Kind;
    switch (request.kind) {
    case Kind::reopen:  // a plain `mendrake` while this one runs
        if (panel_) panel_->show();
        return {};
    case Kind::show:
        if (panel_ && !panel_->isVisible()) panel_->show();
        return {true, QStringLiteral("Panel shown.")};
    case Kind::toggle:
        togglePanel();
        return {true, panel_ && panel_->isVisible() ? QStringLiteral("Panel shown.") : QStringLiteral("Panel hidden.")};
    case Kind::settings:
        openSettings();
        return {true, QStringLiteral("Settings opened.")};
    case Kind::pause:
        if (request.minutes > 0) {
            prefs_.pauseFor(request.minutes);
            return {true, QStringLiteral("Capture paused for %1 minutes.").arg(request.minutes)};
        }
        prefs_.pauseFor(0);
        return {true, QStringLiteral("Capture paused until resumed.")};
    case Kind::resume:
        prefs_.resume();
        return {true, QStringLiteral("Capture resumed.")};
    case Kind::quit:
        services_.terminate(0);
        return {true, QStringLiteral("Mendrake is quitting.")};
    }
    return {false, QStringLiteral("Unknown request.")};
}

void AppDelegate::hidePanelIfVisible() {
    if (panel_ && panel_->isVisible()) panel_->hide();
}

void AppDelegate::activate(const ClipItem& item, UseMode mode, bool returnToPreviousApp) {
    use(item, mode, returnToPreviousApp && panel_ ? panel_->previousApp() : std::nullopt);
}

void AppDelegate::use(const ClipItem& item, UseMode mode, const std::optional<RunningApplication>& target) {
    hidePanelIfVisible();

    const qint64 count = pasteEngine_.writeToPasteboard(item, *store_, mode == UseMode::pastePlain);
    monitor_->ignoredChangeCounts.insert(count);
    store_->touch(item.id);
    panelModel_->markUsed(item.id);

    if (mode == UseMode::copyOnly || !prefs_.pasteDirectly()) return;
    if (!pasteEngine_.isTrusted()) {
        // A compositor without a virtual keyboard has nothing the user could allow: the item waits
        // on the clipboard, as with direct pasting off, and the guide and settings say so.
        if (services_.keys.mechanism() != KeySynthesiser::Mechanism::virtualKeyboard) showOnboarding(true);
        return;
    }
    pasteEngine_.pasteInto(target);
}

void AppDelegate::togglePanel() {
    if (!panel_) return;
    if (panel_->isVisible())
        panel_->hide();
    else
        panel_->show();
}

void AppDelegate::openSettings() {
    hidePanelIfVisible();
    if (!settingsWindow_) {
        QPointer<AppDelegate> self(this);
        auto quit = [self] {
            if (self) self->services_.terminate(0);
        };
        SettingsServices settings{
            .prefs = prefs_,
            .keyboardLayout = services_.keyboardLayout,
            .workspace = services_.workspace,
            .keySynthesiser = services_.keys,
            .clock = services_.clock,
            .store = store_.get(),
            .onHistoryCleared = [self] {
                if (self && self->panelModel_) self->panelModel_->reload();
            },
            .clearHistory = [self](bool keepPinned, std::function<void()> done) {
                if (!self) return;
                self->runMaintenance([keepPinned, done](HistoryStore& store) {
                    const std::optional<StoreError> error = store.clearHistory(keepPinned);
                    return [done, error](AppDelegate& delegate) {
                        if (delegate.panelModel_) delegate.panelModel_->reload();
                        if (done) done();
                        // Nothing was deleted: say why rather than show a history that only looks cleared.
                        if (error)
                            delegate.showFailure(QStringLiteral("Mendrake couldn't clear the history"),
                                                   error->description());
                    };
                });
            },
            .checkForUpdates = [self] {
                if (self && self->updater_) self->updater_->checkForUpdates();
            },
            .canCheckForUpdates = updater_.has_value(),
            .trayAvailable = [self] { return !self || self->hasTray(); },
            .quit = quit,
            .desktopShortcutLine = services_.desktopShortcutLine,
        };
        settingsWindow_ = std::make_unique<SettingsWindowController>(std::move(settings));
    }
    settingsWindow_->show();
}

void AppDelegate::showOnboarding(bool startOnPermissions) {
    hidePanelIfVisible();
    if (!onboardingWindow_) {
        QPointer<AppDelegate> self(this);
        OnboardingServices guide{.prefs = prefs_,
                                 .keyboardLayout = services_.keyboardLayout,
                                 .keySynthesiser = services_.keys,
                                 .clock = services_.clock,
                                 .quit = [self] {
                                     if (self) self->services_.terminate(0);
                                 },
                                 .trayAvailable = services_.trayAvailable};
        onboardingWindow_ = std::make_unique<OnboardingWindowController>(std::move(guide), [self] {
            if (!self) return;
            self->prefs_.setHasCompletedOnboarding(true);
            self->onboardingWindow_.reset();
        });
    }
    onboardingWindow_->show(startOnPermissions);
}

void AppDelegate::registerHotKey() {
    // The desktop's own binding runs `mendrake --toggle`; there is nothing to register.
    if (!services_.desktopShortcutLine.isEmpty()) return;
    const HotKeyCombo combo = prefs_.hotKey();
    if (registeredCombo_ == combo) return;

    QPointer<AppDelegate> self(this);
    auto created = HotKey::create(hotKeyRegistry_, combo, [self] {
        if (self) self->togglePanel();
    });
    if (created) {
        hotKey_ = std::move(created);
        registeredCombo_ = combo;
        return;
    }

    const QString wanted = displayString(combo, services_.keyboardLayout);
    logFailure(QStringLiteral("Mendrake: could not register hotkey ") + wanted);
    if (!registeredCombo_) return;

    const HotKeyCombo previous = *registeredCombo_;
    prefs_.setHotKey(previous);
    services_.alerts.showAlert(
        wanted + QStringLiteral(" is already in use"),
        QStringLiteral("Another app uses this shortcut, so Mendrake kept ") +
            displayString(previous, services_.keyboardLayout) + QStringLiteral("."));
}

void AppDelegate::followPreferences() {
    // Connected with the delegate as context: they end with it.
    connect(&prefs_, &Preferences::hotKeyAssigned, this, &AppDelegate::registerHotKey);
    connect(&prefs_, &Preferences::trayIconAssigned, this, [this] {
        if (statusItem_) statusItem_->setVisible(prefs_.showMenuBarIcon());
    });
    connect(&prefs_, &Preferences::historyLimitsAssigned, this, &AppDelegate::applyRetention);
}

void AppDelegate::logFailure(const QString& what, const QString& reason) {
    services_.log.write(reason.isEmpty() ? what : what + QStringLiteral(": ") + reason);
}

void AppDelegate::showFailure(const QString& message, const QString& reason) {
    services_.alerts.showAlert(message, reason);
}

void AppDelegate::eraseDeletedTextSoon() {
    // The merge holds the history's write lock for a second or more: while the panel is open, the
    // user may delete again, and that delete would wait for it on the main thread.
    erasureWanted_ = panel_ && panel_->isVisible();
    if (erasureWanted_) return;
    erasure_->upTo.store(store_->deletionCount());
    // Deletions made while an erasure waits its turn are covered by it.
    if (erasure_->queued.exchange(true)) return;
    runMaintenance([erasure = erasure_](HistoryStore& store) {
        erasure->queued.store(false);
        const qint64 covered = erasure->upTo.load();
        store.eraseDeletedText();
        return [covered](AppDelegate& delegate) {
            if (delegate.store_) delegate.store_->noteTextErased(covered);
        };
    });
}

void AppDelegate::applyRetention() {
    if (!store_ || !panelModel_) return;
    runMaintenance([days = prefs_.retentionDays(), maxItems = prefs_.maxItems()](HistoryStore& store) {
        const QSet<qint64> removed = store.trim(days, maxItems);
        return [removed](AppDelegate& delegate) {
            if (delegate.panelModel_) delegate.panelModel_->removeItems(removed);
        };
    });
}

void AppDelegate::searchInBackground(const QString& query, qint64 limit,
                                     std::function<void(QList<ClipItem>)> answer) {
    if (!store_) return;
    const quint64 request = ++*latestSearch_;
    runOn(services_.searches, searchConnection_,
          [query, limit, answer = std::move(answer), request, latest = latestSearch_](HistoryStore& store)
              -> std::function<void(AppDelegate&)> {
              // Typed over by now: only the newest query is worth an answer.
              if (latest->load() != request) return {};
              QList<ClipItem> found = store.search(query, limit);
              return [answer, found = std::move(found)](AppDelegate&) { answer(found); };
          });
}

void AppDelegate::runOn(TaskRunner& runner, const std::shared_ptr<Connection>& connection, ConnectionWork work,
                        std::function<void(AppDelegate&)> done) {
    QPointer<AppDelegate> self(this);
    runner.run([connection, directory = store_->directory(), &clock = services_.clock, &log = services_.log,
                work = std::move(work), done = std::move(done), self]() -> std::function<void()> {
        QString openError;
        if (!connection->store) {
            auto opened = HistoryStore::open(clock, directory, HistoryStore::PageCache::small);
            if (opened) {
                connection->store = std::move(opened).value();
                connection->store->setFailureLog(&log);
            } else
                openError = opened.error().description();
        }
        std::function<void(AppDelegate&)> answer;
        if (connection->store) answer = work(*connection->store);
        return [answer = std::move(answer), done, self, openError] {
            if (!self) return;
            if (!openError.isEmpty())
                self->logFailure(QStringLiteral("Mendrake: could not open the history off the main thread"), openError);
            if (answer) answer(*self);
            if (done) done(*self);
        };
    });
}

void AppDelegate::runMaintenance(ConnectionWork work) {
    if (!store_) return;
    ++maintenanceRunning_;
    runOn(services_.maintenance, maintenanceConnection_, std::move(work), [](AppDelegate& delegate) {
        if (--delegate.maintenanceRunning_ > 0) return;
        // Copies made while maintenance held the history's write lock, recorded now that it is free.
        std::vector<CapturedClip> waiting = std::exchange(delegate.capturesWaiting_, {});
        delegate.capturesWaitingBytes_ = 0;
        for (const CapturedClip& capture : waiting) delegate.handleCapture(capture);
    });
}

void AppDelegate::handleCapture(const CapturedClip& capture) {
    lastRecorded_.reset();
    // A trim, Clear History or index merge may hold the write lock for seconds: waiting for it here
    // would freeze the app, and giving up would lose the copy. The copy waits in memory instead,
    // up to a budget, and is recorded when the maintenance ends.
    if (maintenanceRunning_ > 0) {
        if (capturesWaitingBytes_ + capture.byteSize <= maxWaitingCaptureBytes) {
            capturesWaitingBytes_ += capture.byteSize;
            capturesWaiting_.push_back(capture);
        } else {
            logFailure(QStringLiteral("Mendrake: could not record a %1 copy").arg(rawValue(capture.kind)),
                       QStringLiteral("maintenance of the history is still running"));
        }
        return;
    }
    auto recorded = store_->record(capture);
    if (!recorded) {
        if (statusItem_) statusItem_->setRecordingProblem(recorded.error().description());
        return;
    }
    if (statusItem_ && statusItem_->recordingProblem()) statusItem_->setRecordingProblem(std::nullopt);
    lastRecorded_ = recorded.value();
    panelModel_->insertAtFront(recorded.value());
    if (prefs_.playSound()) services_.sound.playNamed(QStringLiteral("Tink").toStdString());
}

void AppDelegate::restoreClipboard() {
    if (!lastRecorded_ || !prefs_.keepClipboardOnOwnerQuit()) return;
    // Served as the tray's paste serves it, but neither touched nor moved: nothing was used.
    monitor_->ignoredChangeCounts.insert(pasteEngine_.writeToPasteboard(*lastRecorded_, *store_, false));
}

}  // namespace mendrake
