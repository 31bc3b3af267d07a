// The General, Shortcuts and About pages against in-memory preferences and desktop.

#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"
#include "settings/AboutPage.h"
#include "settings/GeneralPage.h"
#include "settings/ShortcutsPage.h"
#include "settings/ToggleSwitch.h"

#include "SettingsTestEnvironment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
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

struct PageTest : ::testing::Test {
    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
};

TEST_F(PageTest, PasteKeystrokeRowFollowsXTestWithinASecond) {
    auto detail = [](QWidget* page) { return rowValue<QLabel>(page, "Paste keystroke", "subtitle")->text(); };
    env.keys.trusted = false;
    {
        GeneralPage page(services);
        EXPECT_EQ(page.findChild<QPushButton*>(), nullptr) << "X11 has no permission to ask for";
        EXPECT_TRUE(detail(&page).contains("XTEST extension is disabled")) << detail(&page);
        EXPECT_NE(page.findChild<QLabel*>("exclamationmark.triangle.fill"), nullptr);
        env.keys.trusted = true;
        env.clock.advance(0.5);
        EXPECT_FALSE(page.trusted());
        env.clock.advance(0.5);
        EXPECT_TRUE(page.trusted());
        EXPECT_TRUE(detail(&page).contains("Nothing needs to be allowed")) << detail(&page);
        for (QLabel* label : page.findChildren<QLabel*>())
            EXPECT_FALSE(label->text().contains(QString::fromUtf8("⌘")) || label->text().contains("menu bar"))
                << label->text();
        env.keys.trusted = false;  // the X server lost it
        env.clock.advance(1.0);
        EXPECT_FALSE(page.trusted());
    }
    EXPECT_EQ(env.clock.liveTimers(), 0u) << "the poll ends with the page";
}

TEST_F(PageTest, SwitchesWriteTheirPreferenceAndFollowIt) {
    QSignalSpy iconAnnounced(&env.prefs, &Preferences::trayIconAssigned);
    GeneralPage page(services);
    Preferences& p = env.prefs;
    const struct {
        const char* title;
        std::function<bool()> get;
        std::function<void(bool)> set;
        bool initially;
    } rows[] = {
        {"Launch at login", [&] { return p.launchAtLogin() && env.loginItems.enabled; },
         [&](bool on) { p.setLaunchAtLogin(on); }, false},
        {"Show in tray", [&] { return p.showMenuBarIcon(); }, [&](bool on) { p.setShowMenuBarIcon(on); }, true},
        {"Paste into the active app", [&] { return p.pasteDirectly(); }, [&](bool on) { p.setPasteDirectly(on); },
         true},
        {"Play a sound when something is copied", [&] { return p.playSound(); }, [&](bool on) { p.setPlaySound(on); },
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        auto* toggle = rowValue<ToggleSwitch>(&page, row.title);
        ASSERT_NE(toggle, nullptr);
        EXPECT_EQ(toggle->isChecked(), row.initially);
        toggle->click();
        EXPECT_EQ(row.get(), !row.initially);
        row.set(row.initially);  // changed elsewhere: the switch follows
        EXPECT_EQ(toggle->isChecked(), row.initially);
    }
    EXPECT_EQ(iconAnnounced.count(), 2) << "the click and the change elsewhere, never the showing";
}

TEST_F(PageTest, RecorderStoresAfterReleasingTheKeyboard) {
    ShortcutsPage page(services);
    page.show();
    HotKeyRecorder* recorder = page.recorder();
    EXPECT_FALSE(recorder->resetButton()->isVisible());
    std::vector<bool> capturingWhenStored;
    // Whoever hears of the change may raise an alert (a taken shortcut) that needs the keyboard.
    QObject::connect(&env.prefs, &Preferences::hotKeyAssigned,
                     [&] { capturingWhenStored.push_back(recorder->hasKeyFilter()); });
    recorder->startRecording();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 45, 0, 0);
    QApplication::sendEvent(&page, &press);
    EXPECT_EQ(env.prefs.hotKey(), (HotKeyCombo{45, Qt::ControlModifier | Qt::AltModifier}));
    EXPECT_EQ(capturingWhenStored, std::vector<bool>{false});
    EXPECT_TRUE(recorder->resetButton()->isVisible());
    EXPECT_EQ(recorder->findChild<KeyCaps*>()->keys(), QStringList({"Ctrl", "Alt", "K"}));

    // The shell puts the previous shortcut back when the desktop refuses the new one.
    env.prefs.setHotKey(HotKeyCombo::defaultCombo());
    EXPECT_EQ(recorder->combo(), HotKeyCombo::defaultCombo());
    EXPECT_FALSE(recorder->resetButton()->isVisible());

    // Where the desktop binds the shortcut, the page shows the line to add instead of a recorder.
    services.desktopShortcutLine = QStringLiteral("bindsym $mod+Shift+v exec mendrake --toggle");
    ShortcutsPage desktopPage(services);
    desktopPage.show();
    ASSERT_NE(desktopPage.desktopLine(), nullptr);
    EXPECT_EQ(desktopPage.desktopLine()->text(), services.desktopShortcutLine);
    EXPECT_TRUE(desktopPage.desktopLine()->isVisible() && !desktopPage.recorder()->isVisible());
}

TEST_F(PageTest, AboutOffersOnlyWhatTheBuildAndDesktopHave) {
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
    EXPECT_TRUE(bare.updateButton() == nullptr && bare.links().isEmpty());
    ASSERT_NE(bare.noTrayNote(), nullptr);
    EXPECT_TRUE(bare.noTrayNote()->text().contains("mendrake --show")) << bare.noTrayNote()->text();
}

}  // namespace
}  // namespace mendrake
