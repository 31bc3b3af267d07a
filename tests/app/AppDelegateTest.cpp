#include "app/AppDelegate.h"

#include "FakeAlertPresenter.h"
#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeHotKeyService.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeLoginItems.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "FakeSystemLog.h"
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

const HotKeyCombo kDefault = HotKeyCombo::defaultCombo();     // ⇧⌘V
const HotKeyCombo kCtrlAltC{8, HotKeyCombo::control | HotKeyCombo::option};
const HotKeyCombo kCtrlAltX{7, HotKeyCombo::control | HotKeyCombo::option};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        defaults.values["hasCompletedOnboarding"] = true;
        openStore = [this]() -> StoreResult<std::unique_ptr<HistoryStore>> {
            auto real = HistoryStore::open(clock, dir.path());
            if (!real) return real.error();
            auto flaky = std::make_unique<test::FlakyStore>(clock, std::move(real).value());
            store = flaky.get();
            return std::unique_ptr<HistoryStore>(std::move(flaky));
        };
    }

    AppDelegate& launch(bool expectSuccess = true) {
        prefs = std::make_unique<Preferences>(defaults, loginItems, log, notifications, clock);
        AppServices services{
            .clock = clock, .pasteboard = pasteboard, .workspace = workspace, .keys = keys,
            .keyboardLayout = layout, .hotKeys = hotKeys, .sound = sound, .log = log, .alerts = alerts,
            .notifications = notifications,
            .terminate = [this](int status) { terminations.push_back(status); },
            .openStore = openStore,
            .symbolIcon = [](const QString&) { return QIcon(); },
            .updatePublicKey = QString(),
        };
        app = std::make_unique<AppDelegate>(*prefs, std::move(services));
        EXPECT_EQ(app->applicationDidFinishLaunching(), expectSuccess);
        return *app;
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
    test::FakeWorkspace workspace;
    test::FakeKeySynthesiser keys;
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeHotKeyService hotKeys;
    test::FakeSoundPlayer sound;
    test::FakeSystemLog log;
    test::FakeAlertPresenter alerts;
    NotificationCenter notifications;
    test::FakeDefaultsStore defaults;
    test::FakeLoginItems loginItems;
    std::unique_ptr<Preferences> prefs;
    std::function<StoreResult<std::unique_ptr<HistoryStore>>()> openStore;
    test::FlakyStore* store = nullptr;
    std::vector<int> terminations;
    std::unique_ptr<AppDelegate> app;
};

TEST_F(AppDelegateTest, HistoryThatCannotBeOpenedAlertsAndTerminatesLeavingTheFilesAlone) {
    const QByteArray garbage = "this is not an SQLite database, it is a text file of some length";
    {
        QFile file(QDir(dir.path()).filePath("history.sqlite"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage.repeated(100));
    }
    launch(false);

    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].message, "Mendrake couldn't open its history database");
    EXPECT_TRUE(alerts.alerts[0].informativeText.startsWith("SQLite: ")) << alerts.alerts[0].informativeText.toStdString();
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_NE(terminations[0], 0);
    EXPECT_EQ(app->monitor(), nullptr);
    EXPECT_EQ(app->panel(), nullptr);
    EXPECT_EQ(app->statusItem(), nullptr);
    EXPECT_TRUE(hotKeys.attempts.empty());

    QFile file(QDir(dir.path()).filePath("history.sqlite"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage.repeated(100));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"history.sqlite"});
}

TEST_F(AppDelegateTest, CapturesAreRecordedShownAndChimeOnlyWhenSoundIsOn) {
    launch();
    copyElsewhere("first copy");
    EXPECT_EQ(rows(), 1);
    ASSERT_FALSE(app->panelModel()->items().isEmpty());
    EXPECT_EQ(app->panelModel()->items().front().text, "first copy");
    EXPECT_TRUE(sound.played.empty());

    prefs->setPlaySound(true);
    copyElsewhere("second copy");
    EXPECT_EQ(app->panelModel()->items().front().text, "second copy");
    EXPECT_EQ(sound.played, std::vector<std::string>{"Tink"});
}

TEST_F(AppDelegateTest, FailedRecordingIsDroppedSilentlyAndTheNextCopyIsRecorded) {
    defaults.values["playSound"] = true;
    launch();
    store->failRecording = true;
    copyElsewhere("lost to a full disk");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(app->panelModel()->items().isEmpty());
    EXPECT_TRUE(sound.played.empty());
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_TRUE(log.lines.isEmpty());

    store->failRecording = false;
    copyElsewhere("disk has room again");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(app->panelModel()->items().size(), 1);
    EXPECT_EQ(sound.played.size(), 1u);
}

TEST_F(AppDelegateTest, PastingWritesTouchesMovesToFrontAndTypesIntoThePreviousApp) {
    launch();
    copyElsewhere("older");
    copyElsewhere("newer");
    const ClipItem older = app->panelModel()->items().back();
    const double usedBefore = older.lastUsedAt;

    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 5};
    workspace.frontmost = editor;
    app->panel()->show();
    workspace.frontmost = std::nullopt;  // the panel has the focus now
    clock.advance(10);
    app->activate(older, UseMode::paste, true);

    EXPECT_FALSE(app->panel()->isVisible());
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "older");
    EXPECT_EQ(app->panelModel()->items().front().id, older.id);
    EXPECT_GT(app->store()->fetch(older.id)->lastUsedAt, usedBefore);
    EXPECT_EQ(workspace.activated, std::vector<RunningApplication>{editor});
    EXPECT_TRUE(keys.presses.empty());
    clock.advance(PasteEngine::pasteDelay + 0.01);
    EXPECT_EQ(keys.presses.size(), 1u);

    // The app's own write is not recorded again.
    clock.advance(1);
    EXPECT_EQ(rows(), 2);
}

TEST_F(AppDelegateTest, CopyOnlyAndDirectPastingOffLeaveTheItemOnTheClipboardWithoutTyping) {
    launch();
    copyElsewhere("some text");
    const ClipItem item = app->panelModel()->items().front();

    app->activate(item, UseMode::copyOnly, true);
    prefs->setPasteDirectly(false);
    app->activate(item, UseMode::paste, true);
    clock.advance(1);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "some text");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(app->onboardingWindow(), nullptr);
}

TEST_F(AppDelegateTest, PastingWithoutPermissionCopiesAndOpensTheGuideOnItsPermissionsPage) {
    launch();
    copyElsewhere("needs permission");
    keys.trusted = false;
    app->activate(app->panelModel()->items().front(), UseMode::paste, true);
    clock.advance(1);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_EQ(pasteboard.items().at(0).at(0).second, "needs permission");
    ASSERT_NE(app->onboardingWindow(), nullptr);
    ASSERT_NE(app->onboardingWindow()->view(), nullptr);
    EXPECT_EQ(app->onboardingWindow()->view()->page(), OnboardingView::Page::permissions);
}

TEST_F(AppDelegateTest, TakenShortcutAtLaunchIsLoggedWithoutAlertAndTheAppRunsWithoutIt) {
    hotKeys.taken.insert({kDefault.keyCode, kDefault.modifiers});
    launch();
    EXPECT_EQ(log.lines, QStringList{"Mendrake: could not register hotkey ⇧⌘V"});
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_FALSE(app->registeredCombo());
    EXPECT_NE(app->statusItem(), nullptr);

    // A free shortcut chosen later registers.
    prefs->setHotKey(kCtrlAltC);
    EXPECT_EQ(app->registeredCombo(), kCtrlAltC);
}

TEST_F(AppDelegateTest, TakenNewShortcutAlertsNamingBothAndKeepsThePreviousOne) {
    hotKeys.taken.insert({kCtrlAltX.keyCode, kCtrlAltX.modifiers});
    launch();
    ASSERT_EQ(app->registeredCombo(), kDefault);
    const size_t attempts = hotKeys.attempts.size();

    prefs->setHotKey(kCtrlAltX);

    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].message, "⌃⌥X is already in use");
    EXPECT_EQ(alerts.alerts[0].informativeText, "Another app uses this shortcut, so Mendrake kept ⇧⌘V.");
    EXPECT_EQ(prefs->hotKey(), kDefault);
    EXPECT_EQ(app->registeredCombo(), kDefault);
    EXPECT_EQ(hotKeys.attempts.size(), attempts + 1);  // putting the old one back re-registers nothing
    EXPECT_TRUE(hotKeys.unregistered.empty());
    EXPECT_TRUE(hotKeys.press(kDefault.keyCode, kDefault.modifiers));

    prefs->setHotKey(kDefault);  // the same combo again: nothing to register
    EXPECT_EQ(hotKeys.attempts.size(), attempts + 1);
}

TEST_F(AppDelegateTest, ShortcutAndReopenShowThePanelAndTheShortcutTogglesIt) {
    launch();
    EXPECT_TRUE(hotKeys.press(kDefault.keyCode, kDefault.modifiers));
    clock.advance(0.01);
    EXPECT_TRUE(app->panel()->isVisible());
    hotKeys.press(kDefault.keyCode, kDefault.modifiers);
    clock.advance(0.01);
    EXPECT_FALSE(app->panel()->isVisible());
    app->applicationShouldHandleReopen();
    EXPECT_TRUE(app->panel()->isVisible());
}

TEST_F(AppDelegateTest, LoweringMaxItemsTrimsAtOnceAndThePanelDropsTheRows) {
    launch();
    for (int i = 0; i < 5; ++i) copyElsewhere(QStringLiteral("copy %1").arg(i));
    prefs->setMaxItems(2);
    EXPECT_EQ(rows(), 2);
    QStringList left;
    for (const ClipItem& item : app->panelModel()->items()) left << item.text;
    EXPECT_EQ(left, (QStringList{"copy 4", "copy 3"}));
}

TEST_F(AppDelegateTest, HourlyTrimRemovesWhatAgedOutMeanwhile) {
    defaults.values["retentionDays"] = 1;
    launch();
    copyElsewhere("old copy");
    clock.advance(23 * 3600.0);
    copyElsewhere("recent copy");
    EXPECT_EQ(rows(), 2);
    clock.advance(2 * 3600.0);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(app->panelModel()->items().front().text, "recent copy");
    EXPECT_EQ(app->panelModel()->items().size(), 1);
}

TEST_F(AppDelegateTest, FirstLaunchOpensTheGuideAndClosingItCompletesIt) {
    defaults.values.erase("hasCompletedOnboarding");
    launch();
    ASSERT_NE(app->onboardingWindow(), nullptr);
    EXPECT_EQ(app->onboardingWindow()->view()->page(), OnboardingView::Page::welcome);
    app->onboardingWindow()->window()->close();
    EXPECT_TRUE(prefs->hasCompletedOnboarding());
    EXPECT_EQ(app->onboardingWindow(), nullptr);

    app.reset();
    launch();
    EXPECT_EQ(app->onboardingWindow(), nullptr);
}

TEST_F(AppDelegateTest, CallbacksFiringAfterTheDelegateIsGoneDoNothing) {
    launch();
    copyElsewhere("something");
    const ClipItem item = app->panelModel()->items().front();
    app->activate(item, UseMode::paste, false);  // its keystroke is still pending
    app.reset();
    EXPECT_FALSE(hotKeys.press(kDefault.keyCode, kDefault.modifiers));
    notifications.post(hotKeyChangedNotification);
    notifications.post(historyLimitsChangedNotification);
    clock.advance(2 * 3600.0);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_EQ(AppDelegate::shared(), nullptr);
}

}  // namespace
}  // namespace mendrake
