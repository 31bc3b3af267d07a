// The General, Shortcuts and About pages against in-memory preferences and desktop.

#include "settings/AboutPage.h"
#include "settings/GeneralPage.h"
#include "settings/ShortcutsPage.h"
#include "settings/ToggleSwitch.h"
#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"

#include "SettingsTestEnvironment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

// The widget of the row titled `title` (its value, or the child of that object name).
template <typename T>
T* rowValue(QWidget* page, const QString& title, const QString& name = {}) {
    for (QLabel* label : page->findChildren<QLabel*>("title"))
        if (label->text() == title) return label->parentWidget()->findChild<T*>(name);
    return nullptr;
}

class PageTest : public ::testing::Test {
protected:
    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
};

TEST_F(PageTest, GeneralPasteKeystrokeRowTellsWhatXNeedsWithoutAButtonAndFollowsItWithinASecond) {
    auto detail = [](QWidget* page) { return rowValue<QLabel>(page, "Paste keystroke", "subtitle")->text(); };
    env.keys.trusted = false;
    {
        GeneralPage page(services);
        page.show();
        EXPECT_EQ(env.clock.liveTimers(), 1u);
        EXPECT_EQ(page.findChild<QPushButton*>(), nullptr) << "X11 has no permission to ask for";
        EXPECT_TRUE(detail(&page).contains("XTEST extension is disabled")) << detail(&page).toStdString();
        EXPECT_NE(page.findChild<QLabel*>("exclamationmark.triangle.fill"), nullptr);

        env.keys.trusted = true;
        env.clock.advance(0.5);
        EXPECT_FALSE(page.trusted());
        env.clock.advance(0.5);
        EXPECT_TRUE(page.trusted());
        EXPECT_TRUE(detail(&page).contains("Nothing needs to be allowed")) << detail(&page).toStdString();
        for (QLabel* label : page.findChildren<QLabel*>())
            EXPECT_FALSE(label->text().contains(QString::fromUtf8("⌘")) || label->text().contains("menu bar"))
                << label->text().toStdString();

        env.keys.trusted = false;  // the X server lost it
        env.clock.advance(1.0);
        EXPECT_FALSE(page.trusted());
    }
    EXPECT_EQ(env.clock.liveTimers(), 0u);
}

TEST_F(PageTest, GeneralSwitchesWriteTheirPreferenceAndFollowIt) {
    int posts = 0;
    env.notifications.addObserver(menuBarIconChangedNotification, [&] { ++posts; });
    GeneralPage page(services);
    page.show();
    EXPECT_EQ(posts, 0) << "showing the stored value does not post its notification again";
    auto* login = rowValue<ToggleSwitch>(&page, "Launch at login");
    auto* menuBar = rowValue<ToggleSwitch>(&page, "Show in tray");
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
    EXPECT_EQ(posts, 1);
    paste->click();
    EXPECT_FALSE(env.prefs.pasteDirectly());
    sound->click();
    EXPECT_TRUE(env.prefs.playSound());

    // Changed elsewhere: the switch follows without writing the value back and posting it again.
    env.prefs.setPlaySound(false);
    EXPECT_FALSE(sound->isChecked());
    env.prefs.setShowMenuBarIcon(true);
    EXPECT_TRUE(menuBar->isChecked());
    EXPECT_EQ(posts, 2);
}

TEST_F(PageTest, ShortcutsRecordingStoresTheShortcutAndOffersReset) {
    ShortcutsPage page(services);
    page.show();
    HotKeyRecorder* recorder = page.recorder();
    EXPECT_FALSE(recorder->resetButton()->isVisible());

    int posts = 0;
    bool capturingWhenStored = true;
    // Whoever hears of the change may raise an alert (a taken shortcut) that needs the keyboard.
    env.notifications.addObserver(hotKeyChangedNotification, [&] {
        ++posts;
        capturingWhenStored = recorder->hasKeyFilter();
    });
    recorder->startRecording();
    const std::uint32_t k = 45;  // X keycode of K
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, k, 0, 0);
    QApplication::sendEvent(&page, &press);
    EXPECT_EQ(env.prefs.hotKey(), (HotKeyCombo{k, Qt::ControlModifier | Qt::AltModifier}));
    EXPECT_EQ(posts, 1);
    EXPECT_FALSE(capturingWhenStored);
    EXPECT_TRUE(recorder->resetButton()->isVisible());
    EXPECT_EQ(recorder->findChild<KeyCaps*>()->keys(), QStringList({"Ctrl", "Alt", "K"}));

    // The shell puts the previous shortcut back when the desktop refuses the new one.
    env.prefs.setHotKey(HotKeyCombo::defaultCombo());
    EXPECT_EQ(recorder->combo(), HotKeyCombo::defaultCombo());
    EXPECT_FALSE(recorder->resetButton()->isVisible());

    // Where the desktop binds the shortcut, the page shows the line to add instead of a recorder.
    SettingsServices bound = services;
    bound.desktopShortcutLine = QStringLiteral("bindsym $mod+Shift+v exec mendrake --toggle");
    ShortcutsPage desktopPage(bound);
    desktopPage.show();
    ASSERT_NE(desktopPage.desktopLine(), nullptr);
    EXPECT_EQ(desktopPage.desktopLine()->text(), bound.desktopShortcutLine);
    EXPECT_TRUE(desktopPage.desktopLine()->isVisible());
    EXPECT_FALSE(desktopPage.recorder()->isVisible());
}

TEST_F(PageTest, AboutVersionUpdateCheckAndLinksGoThroughTheirServices) {
    EXPECT_EQ(versionText("", ""), "dev (0)") << "a build without version or build number";
    AboutPage page(services);
    EXPECT_EQ(page.versionShown(), "1.2 (45)");
    ASSERT_NE(page.updateButton(), nullptr);
    page.updateButton()->click();
    EXPECT_EQ(env.updateChecks, 1);

    EXPECT_EQ(page.noTrayNote(), nullptr) << "no note while the tray is unknown or present";

    // Links lead only to the project's own address, and there are none without one.
    ASSERT_EQ(page.links().size(), 3);
    for (QPushButton* link : page.links()) link->click();
    EXPECT_EQ(env.workspace.opened, (std::vector<QUrl>{QUrl("https://example.org/mendrake"),
                                                        QUrl("https://example.org/mendrake/releases"),
                                                        QUrl("https://example.org/mendrake/issues")}));

    services.canCheckForUpdates = false;
    services.sourceAddress.clear();
    services.trayAvailable = [] { return false; };
    AboutPage bare(services);
    EXPECT_EQ(bare.updateButton(), nullptr);
    EXPECT_TRUE(bare.links().isEmpty());
    ASSERT_NE(bare.noTrayNote(), nullptr);
    EXPECT_TRUE(bare.noTrayNote()->text().contains("mendrake --show")) << bare.noTrayNote()->text().toStdString();
}

}  // namespace
}  // namespace mendrake
