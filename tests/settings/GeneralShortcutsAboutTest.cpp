// The General, Shortcuts and About pages against in-memory preferences and desktop.

#include "settings/AboutPage.h"
#include "settings/GeneralPage.h"
#include "settings/ShortcutsPage.h"
#include "settings/ToggleSwitch.h"
#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"
#include "hotkey/KeyCodes.h"

#include "SettingsTestEnvironment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

// The value widget of the row titled `title`.
template <typename T>
T* rowValue(QWidget* page, const QString& title) {
    for (QLabel* label : page->findChildren<QLabel*>("title"))
        if (label->text() == title) return label->parentWidget()->findChild<T*>();
    return nullptr;
}

class GeneralPageTest : public ::testing::Test {
protected:
    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
};

TEST_F(GeneralPageTest, PermissionRowFollowsTheTrustWithinASecond) {
    env.keys.trusted = false;
    GeneralPage page(services);
    page.show();
    auto* allow = page.findChild<QPushButton*>();
    ASSERT_NE(allow, nullptr);
    EXPECT_EQ(allow->text(), QString::fromUtf8("Allow…"));
    EXPECT_TRUE(allow->isVisible());
    allow->click();
    EXPECT_EQ(env.keys.accessibilityRequests, 1);

    env.keys.trusted = true;
    env.clock.advance(0.5);
    EXPECT_FALSE(page.trusted());
    env.clock.advance(0.5);
    EXPECT_TRUE(page.trusted());
    EXPECT_FALSE(allow->isVisible());

    env.keys.trusted = false;  // revoked
    env.clock.advance(1.0);
    EXPECT_TRUE(allow->isVisible());
}

TEST_F(GeneralPageTest, TimerLivesOnlyAsLongAsThePage) {
    {
        GeneralPage page(services);
        EXPECT_EQ(env.clock.liveTimers(), 1u);
    }
    EXPECT_EQ(env.clock.liveTimers(), 0u);
}

TEST_F(GeneralPageTest, SwitchesWriteTheirPreferenceAndFollowIt) {
    GeneralPage page(services);
    page.show();
    auto* login = rowValue<ToggleSwitch>(&page, "Launch at login");
    auto* menuBar = rowValue<ToggleSwitch>(&page, "Show in menu bar");
    auto* paste = rowValue<ToggleSwitch>(&page, "Paste into the active app");
    auto* sound = rowValue<ToggleSwitch>(&page, "Play a sound when something is copied");
    ASSERT_TRUE(login && menuBar && paste && sound);
    EXPECT_FALSE(login->isChecked());
    EXPECT_TRUE(menuBar->isChecked());
    EXPECT_TRUE(paste->isChecked());
    EXPECT_FALSE(sound->isChecked());

    login->click();
    EXPECT_TRUE(env.prefs.launchAtLogin());
    EXPECT_TRUE(env.loginItems.enabled);  // the autostart entry
    menuBar->click();
    EXPECT_FALSE(env.prefs.showMenuBarIcon());
    paste->click();
    EXPECT_FALSE(env.prefs.pasteDirectly());
    sound->click();
    EXPECT_TRUE(env.prefs.playSound());

    env.prefs.setPlaySound(false);  // changed elsewhere
    EXPECT_FALSE(sound->isChecked());
}

TEST_F(GeneralPageTest, ShowingTheStoredValueDoesNotRepostItsNotification) {
    int posts = 0;
    env.notifications.addObserver(menuBarIconChangedNotification, [&] { ++posts; });
    GeneralPage page(services);
    env.prefs.setShowMenuBarIcon(false);
    EXPECT_EQ(posts, 1);
}

TEST(ShortcutsPageTest, RecordingStoresTheShortcutAndOffersReset) {
    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
    ShortcutsPage page(services);
    page.show();
    HotKeyRecorder* recorder = page.recorder();
    EXPECT_FALSE(recorder->resetButton()->isVisible());

    int posts = 0;
    env.notifications.addObserver(hotKeyChangedNotification, [&] { ++posts; });
    recorder->startRecording();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier,
                    x11KeycodeForKeyCode(40), 0, 0);
    QApplication::sendEvent(&page, &press);
    EXPECT_EQ(env.prefs.hotKey(), (HotKeyCombo{40, 0x1800}));
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(recorder->resetButton()->isVisible());
    EXPECT_EQ(recorder->findChild<KeyCaps*>()->keys(), QStringList({"⌃", "⌥", "K"}));

    // The shell puts the previous shortcut back when the desktop refuses the new one.
    env.prefs.setHotKey(HotKeyCombo::defaultCombo());
    EXPECT_EQ(recorder->combo(), HotKeyCombo::defaultCombo());
    EXPECT_FALSE(recorder->resetButton()->isVisible());
}

TEST(ShortcutsPageTest, PanelKeysAreTheNineFixedRowsWhateverTheShortcut) {
    test::SettingsTestEnvironment env;
    env.prefs.setHotKey(HotKeyCombo{49, 0x1000});
    SettingsServices services = env.services();
    ShortcutsPage page(services);
    const auto caps = page.findChildren<KeyCaps*>();
    ASSERT_EQ(caps.size(), 1 + 9);  // the recorder's caps, then the panel's
    QStringList labels;
    for (const PanelKeyRow& row : panelKeyRows()) labels << row.label;
    EXPECT_EQ(labels.size(), 9);
    EXPECT_EQ(labels.first(), "Paste the selected item");
    EXPECT_EQ(labels.last(), "Clear search, then close");
    EXPECT_EQ(caps[3]->keys(), QStringList({"⌘", "1–9"}));
    EXPECT_EQ(caps[9]->keys(), QStringList({"esc"}));
}

TEST(AboutPageTest, VersionReadsDevAndZeroWhenMissing) {
    EXPECT_EQ(versionText("1.2", "45"), "1.2 (45)");
    EXPECT_EQ(versionText("", "45"), "dev (45)");
    EXPECT_EQ(versionText("", ""), "dev (0)");
    EXPECT_EQ(versionText("2.0", ""), "2.0 (0)");
    EXPECT_FALSE(builtVersion().isEmpty());
}

TEST(AboutPageTest, UpdateCheckAndLinksGoThroughTheirServices) {
    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
    AboutPage page(services);
    EXPECT_EQ(page.versionShown(), "1.2 (45)");
    ASSERT_NE(page.updateButton(), nullptr);
    page.updateButton()->click();
    EXPECT_EQ(env.updateChecks, 1);

    ASSERT_EQ(page.links().size(), 3);
    for (QPushButton* link : page.links()) link->click();
    ASSERT_EQ(env.workspace.opened.size(), 3u);
    EXPECT_EQ(env.workspace.opened[0].scheme(), "https");
    EXPECT_EQ(env.workspace.opened[1], QUrl(env.workspace.opened[0].toString() + "/changelog"));
    EXPECT_EQ(env.workspace.opened[2].scheme(), "mailto");
    EXPECT_EQ(page.links()[2]->text(), "Contact Support");

    services.canCheckForUpdates = false;
    AboutPage withoutUpdater(services);
    EXPECT_EQ(withoutUpdater.updateButton(), nullptr);
}

}  // namespace
}  // namespace mendrake
