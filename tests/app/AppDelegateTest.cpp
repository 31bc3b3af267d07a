#include "app/AppDelegate.h"

#include "FakeAlertPresenter.h"
#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeHotKeyService.h"
#include "FakePanelWindowSystem.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeLoginItems.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "FakeSystemLog.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "FlakyStore.h"
#include "capture/ClipboardMonitor.h"
#include "menubar/StatusItemController.h"
#include "onboarding/OnboardingWindowController.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "prefs/Preferences.h"
#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

const HotKeyCombo kDefault = HotKeyCombo::defaultCombo();  // Shift+Super+V
const HotKeyCombo kCtrlAltC{54, Qt::ControlModifier | Qt::AltModifier};
const HotKeyCombo kCtrlAltX{53, Qt::ControlModifier | Qt::AltModifier};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() { defaults.values["hasCompletedOnboarding"] = true; }

    void launch() {
        prefs = std::make_unique<Preferences>(defaults, loginItems, log, notifications, clock);
        AppServices services{
            .clock = clock, .pasteboard = pasteboard, .workspace = workspace, .keys = keys,
            .keyboardLayout = layout, .hotKeys = hotKeys, .panelWindows = panelWindows, .sound = sound, .log = log,
            .alerts = alerts,
            .notifications = notifications, .captureReads = reads, .maintenance = maintenance,
            .searches = searches, .previews = previews,
            .terminate = [](int) {},
            .openStore = [this]() -> StoreResult<std::unique_ptr<HistoryStore>> {
                auto real = HistoryStore::open(clock, dir.path());
                if (!real) return real.error();
                auto flaky = std::make_unique<test::FlakyStore>(clock, std::move(real).value());
                store = flaky.get();
                return std::unique_ptr<HistoryStore>(std::move(flaky));
            },
            .symbolIcon = [](const QString&) { return QIcon(); },
            .trayAvailable = [this] { return trayAvailable; },
            .updatePublicKey = QString(),
            .trayIcon = {},
        };
        app = std::make_unique<AppDelegate>(*prefs, std::move(services));
        EXPECT_TRUE(app->applicationDidFinishLaunching());
    }

    // Another application copies text; the monitor's next tick sees it.
    void copyElsewhere(const QString& text) {
        pasteboard.copyText(text);
        clock.advance(ClipboardMonitor::pollInterval + 0.01);
    }

    qint64 rows() { return app->store()->count(); }

    QTemporaryDir dir;
    test::FakeClock clock;
    test::FakePasteboard pasteboard;
    test::FakeTaskRunner reads;
    test::FakeTaskRunner maintenance;
    test::FakeTaskRunner searches;
    test::FakeTaskRunner previews;
    test::FakeWorkspace workspace;
    test::FakeKeySynthesiser keys;
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeHotKeyService hotKeys;
    test::FakePanelWindowSystem panelWindows;
    test::FakeSoundPlayer sound;
    test::FakeSystemLog log;
    test::FakeAlertPresenter alerts;
    NotificationCenter notifications;
    test::FakeDefaultsStore defaults;
    test::FakeLoginItems loginItems;
    std::unique_ptr<Preferences> prefs;
    test::FlakyStore* store = nullptr;
    std::unique_ptr<AppDelegate> app;
    bool trayAvailable = true;
};

TEST_F(AppDelegateTest, CapturesAreRecordedAndShownChimingWhenSoundIsOnAndFailuresAreLoggedWithoutContent) {
    launch();
    copyElsewhere("first copy");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(app->panelModel()->items().front().text, "first copy");
    EXPECT_TRUE(sound.played.empty());

    prefs->setPlaySound(true);
    store->failRecording = true;
    copyElsewhere("lost to a full disk");
    EXPECT_EQ(app->panelModel()->items().size(), 1);
    EXPECT_TRUE(sound.played.empty() && alerts.alerts.empty());
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("text") && log.lines[0].contains("database or disk is full"));
    EXPECT_FALSE(log.lines[0].contains("lost to a full disk")) << "the log never holds clipboard content";
    EXPECT_TRUE(app->statusItem()->recordingProblem());

    store->failRecording = false;
    copyElsewhere("disk has room again");
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(app->panelModel()->items().front().text, "disk has room again");
    EXPECT_EQ(sound.played, std::vector<std::string>{"Tink"});
    EXPECT_FALSE(app->statusItem()->recordingProblem());
}

TEST_F(AppDelegateTest, PastingWritesTouchesMovesToFrontAndTypesIntoThePreviousApp) {
    launch();
    copyElsewhere("older");
    copyElsewhere("newer");
    const ClipItem older = app->panelModel()->items().back();

    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 5};
    workspace.frontmost = editor;
    app->panel()->show();
    workspace.frontmost = std::nullopt;  // the panel has the focus now
    clock.advance(10);
    app->activate(older, UseMode::paste, true);

    EXPECT_FALSE(app->panel()->isVisible());
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "older");
    EXPECT_EQ(app->panelModel()->items().front().id, older.id);
    EXPECT_GT(app->store()->fetch(older.id)->lastUsedAt, older.lastUsedAt);
    EXPECT_EQ(workspace.activated, std::vector<RunningApplication>{editor});
    EXPECT_TRUE(keys.presses.empty());
    clock.advance(PasteEngine::pasteDelay + 0.01);
    EXPECT_EQ(keys.presses.size(), 1u);

    clock.advance(1);
    EXPECT_EQ(rows(), 2) << "the app's own write is not recorded again";

    // The target lost the keyboard before the keystroke: nothing typed, the item waits on the clipboard.
    workspace.frontmost = editor;
    app->panel()->show();
    workspace.frontmost = std::nullopt;
    app->activate(older, UseMode::paste, true);
    workspace.focusElsewhere = true;
    clock.advance(PasteEngine::pasteDelay + 0.01);
    EXPECT_EQ(keys.presses.size(), 1u);
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "older");
}

TEST_F(AppDelegateTest, TheLastRecordedCopyIsServedAgainWhenItsOwnerQuitsWithoutANewRowOrAMove) {
    launch();
    const struct {
        bool keep;
        bool recordFails;
        bool served;
    } cases[] = {{true, false, true}, {false, false, false}, {true, true, false}};
    for (const auto& row : cases) {
        prefs->setKeepClipboardOnOwnerQuit(row.keep);
        copyElsewhere("older");
        store->failRecording = row.recordFails;
        copyElsewhere("copied, then its app quit");
        store->failRecording = false;
        const int writes = pasteboard.writes();
        const ClipItem front = app->panelModel()->items().front();
        pasteboard.ownerQuits();
        clock.advance(1);
        EXPECT_EQ(pasteboard.writes() > writes, row.served);
        if (row.served) EXPECT_EQ(pasteboard.items().at(0).at(0).second, "copied, then its app quit");
        EXPECT_EQ(app->panelModel()->items().front().id, front.id);
        EXPECT_EQ(app->store()->fetch(front.id)->lastUsedAt, front.lastUsedAt);
    }
    EXPECT_EQ(rows(), 2) << "serving it again is no new copy";
}

TEST_F(AppDelegateTest, CopyOnlyDirectPastingOffAndNoPermissionLeaveTheItemOnTheClipboardWithoutTyping) {
    launch();
    copyElsewhere("some text");
    const ClipItem item = app->panelModel()->items().front();
    app->activate(item, UseMode::copyOnly, true);
    prefs->setPasteDirectly(false);
    app->activate(item, UseMode::paste, true);
    EXPECT_EQ(app->onboardingWindow(), nullptr);

    // A compositor without a virtual keyboard leaves nothing to allow: copied, and no guide.
    prefs->setPasteDirectly(true);
    keys.trusted = false;
    keys.through = KeySynthesiser::Mechanism::virtualKeyboard;
    app->activate(item, UseMode::paste, true);
    EXPECT_EQ(app->onboardingWindow(), nullptr);

    // Without XTEST, the guide opens on its permissions page.
    keys.through = KeySynthesiser::Mechanism::xtest;
    app->activate(item, UseMode::paste, true);
    clock.advance(1);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "some text");
    ASSERT_NE(app->onboardingWindow(), nullptr);
    EXPECT_EQ(app->onboardingWindow()->view()->page(), OnboardingView::Page::permissions);
}

TEST_F(AppDelegateTest, TakenShortcutsAreLoggedAtLaunchAndAlertedWhenChosenKeepingThePreviousOne) {
    hotKeys.taken = {{kDefault.keycode, kDefault.modifiers.toInt()}, {kCtrlAltX.keycode, kCtrlAltX.modifiers.toInt()}};
    launch();
    EXPECT_EQ(log.lines, QStringList{"Mendrake: could not register hotkey Shift+Super+V"});
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_FALSE(app->registeredCombo());
    EXPECT_NE(app->statusItem(), nullptr) << "the app runs without a shortcut";

    prefs->setHotKey(kCtrlAltC);
    ASSERT_EQ(app->registeredCombo(), kCtrlAltC);
    const size_t attempts = hotKeys.attempts.size();

    prefs->setHotKey(kCtrlAltX);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].message, "Ctrl+Alt+X is already in use");
    EXPECT_EQ(alerts.alerts[0].informativeText, "Another app uses this shortcut, so Mendrake kept Ctrl+Alt+C.");
    EXPECT_EQ(prefs->hotKey(), kCtrlAltC);
    EXPECT_EQ(app->registeredCombo(), kCtrlAltC);
    EXPECT_EQ(hotKeys.attempts.size(), attempts + 1) << "putting the old one back re-registers nothing";
    EXPECT_TRUE(hotKeys.unregistered.empty());
    EXPECT_TRUE(hotKeys.press(kCtrlAltC.keycode, kCtrlAltC.modifiers));
}

TEST_F(AppDelegateTest, ShortcutAndReopenShowThePanelAndTheShortcutTogglesIt) {
    launch();
    EXPECT_TRUE(hotKeys.press(kDefault.keycode, kDefault.modifiers));
    clock.advance(0.01);
    EXPECT_TRUE(app->panel()->isVisible());
    hotKeys.press(kDefault.keycode, kDefault.modifiers);
    clock.advance(0.01);
    EXPECT_FALSE(app->panel()->isVisible());
    app->applicationShouldHandleReopen();
    EXPECT_TRUE(app->panel()->isVisible());
}

// Requests from later launches act on the running instance; a tray that appears after the launch is
// noticed within a few seconds.
TEST_F(AppDelegateTest, LaterLaunchRequestsActAndALateTrayIsNoticed) {
    trayAvailable = false;
    launch();
    EXPECT_FALSE(app->hasTray());
    using Kind = InstanceRequest::Kind;
    EXPECT_EQ(app->handleRequest({Kind::toggle}).text, "Panel shown.");
    EXPECT_EQ(app->handleRequest({Kind::show}).text, "Panel shown.");
    EXPECT_TRUE(app->panel()->isVisible());
    EXPECT_EQ(app->handleRequest({Kind::toggle}).text, "Panel hidden.");
    app->handleRequest({Kind::pause, 5});
    EXPECT_TRUE(prefs->isPaused());
    clock.advance(5 * 60 + 1);
    EXPECT_FALSE(prefs->isPaused()) << "paused for five minutes only";
    app->handleRequest({Kind::pause, 0});
    app->handleRequest({Kind::resume});
    EXPECT_FALSE(prefs->isPaused());

    trayAvailable = true;
    clock.advance(AppDelegate::trayCheckInterval + 1);
    EXPECT_TRUE(app->hasTray());
}

TEST_F(AppDelegateTest, RetentionTrimsAtOnceWhenLimitsChangeAndHourlyAfterwards) {
    launch();
    for (int i = 0; i < 5; ++i) copyElsewhere(QStringLiteral("copy %1").arg(i));
    // The trim runs on the maintenance thread; the panel follows once it is done.
    maintenance.hold = true;
    prefs->setMaxItems(3);
    EXPECT_EQ(app->panelModel()->items().size(), 5);
    copyElsewhere("copied during the trim");
    EXPECT_EQ(app->panelModel()->items().size(), 5) << "a copy waits for the maintenance's write lock to go";
    maintenance.runAll();
    maintenance.hold = false;
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(app->panelModel()->items().size(), 4) << "three kept, then the copy that waited";
    EXPECT_EQ(app->panelModel()->items().front().text, "copied during the trim");
    prefs->setRetentionDays(1);
    clock.advance(23 * 3600.0);
    copyElsewhere("recent copy");
    clock.advance(2 * 3600.0);
    QStringList left;
    for (const ClipItem& item : app->panelModel()->items()) left << item.text;
    EXPECT_EQ(left, QStringList{"recent copy"});
    EXPECT_EQ(rows(), 1);
}

TEST_F(AppDelegateTest, DeletedWordsLeaveTheIndexOnTheMaintenanceThreadWhileTheAppRuns) {
    launch();
    for (int i = 0; i < 20; ++i) copyElsewhere(QStringLiteral("neighbour %1 ").arg(i).repeated(30));
    copyElsewhere("zqxmarker one");
    copyElsewhere("zqxmarker two");
    maintenance.hold = true;
    PanelViewModel& panel = *app->panelModel();
    app->panel()->show();
    panel.setQuery("zqxmarker");
    panel.deleteSelected();
    EXPECT_EQ(maintenance.pending(), 0u) << "the merge would hold up the next delete in the open panel";
    app->panel()->hide();
    panel.setQuery("zqxmarker");
    panel.deleteSelected();
    EXPECT_EQ(maintenance.pending(), 1u) << "deletions waiting for one erasure share it";
    maintenance.runAll();
    for (const QString& name : QDir(dir.path()).entryList({"history.sqlite*"}, QDir::Files)) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("zqxmarker")) << name.toStdString();
    }
}

TEST_F(AppDelegateTest, CallbacksFiringAfterTheDelegateIsGoneDoNothing) {
    launch();
    copyElsewhere("something");
    app->activate(app->panelModel()->items().front(), UseMode::paste, false);  // its keystroke is still pending
    app.reset();
    EXPECT_FALSE(hotKeys.press(kDefault.keycode, kDefault.modifiers));
    notifications.post(hotKeyChangedNotification);
    notifications.post(historyLimitsChangedNotification);
    clock.advance(2 * 3600.0);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_EQ(AppDelegate::shared(), nullptr);
}

}  // namespace
}  // namespace mendrake
