#include "hotkey/HotKeyRecorder.h"
#include "panel/Formatters.h"
#include "settings/AboutPage.h"
#include "settings/AppChooserDialog.h"
#include "settings/GeneralPage.h"
#include "settings/HistoryPage.h"
#include "settings/PrivacyPage.h"
#include "settings/SettingsDetail.h"
#include "settings/SettingsSidebar.h"
#include "settings/ShortcutsPage.h"
#include "settings/SettingsWindowController.h"
#include "settings/ToggleSwitch.h"
#include "store/HistoryStore.h"

#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeWorkspace.h"
#include "StoreFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

// Readable QString values in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace mendrake {
namespace {

using P = SettingsPage;

// Everything the settings pages use, in memory: the shared preferences fixture, a US keyboard
// layout, a desktop with two installed apps and a switchable paste permission. The C locale: its
// short time format carries seconds that a pause's end leaves out, and it groups no digits unless asked to.
struct SettingsTest : ::testing::Test, test::StoreFixture {
    SettingsTest() {
        QLocale::setDefault(QLocale::c());
        clock.setNow(QDateTime(QDate(2026, 3, 2), QTime(14, 0)).toSecsSinceEpoch());
        QImage red(64, 64, QImage::Format_ARGB32);
        red.fill(Qt::red);
        workspace.installed = {
            {"org.gnome.TextEditor", "Text Editor", "/usr/share/applications/org.gnome.TextEditor.desktop"},
            {"org.keepassxc.KeePassXC", "KeePassXC", "/usr/share/applications/org.keepassxc.KeePassXC.desktop"},
        };
        for (const auto& app : workspace.installed) workspace.iconsByLocation[app.location] = red;
    }

    SettingsServices servicesWith(HistoryStore* store) {
        return SettingsServices{
            .prefs = prefs, .keyboardLayout = layout, .workspace = workspace, .keySynthesiser = keys,
            .clock = clock, .store = store,
            .onHistoryCleared = [this] { ++historyClears; },
            .checkForUpdates = [this] { ++updateChecks; },
            .canCheckForUpdates = true,
            .sourceAddress = "https://example.org/mendrake", .version = "1.2", .build = "45",
            .quit = [this] { ++quits; },
        };
    }

    // 1234 text copies a second apart, every 500th pinned.
    void addHistory() { insertRows(1234, "'text', 'Sample clip number ' || i, now - i, i % 500 = 1"); }
    void choosePause(PrivacyPage& page, const QString& text) {
        for (QAction* action : page.pauseButton()->menu()->actions())
            if (action->text() == text) return action->trigger();
        FAIL() << "no menu item " << text.toStdString();
    }
    static QStringList rowIDs(PrivacyPage& page) {
        QStringList ids;
        for (IgnoredAppRow* row : page.ignoredRows()) ids << row->appId();
        return ids;
    }
    // The row titled `title`, and the text it shows as its value (its last label).
    static QWidget* row(QWidget* page, const QString& title) {
        for (QLabel* label : page->findChildren<QLabel*>("title"))
            if (label->text() == title) return label->parentWidget();
        return nullptr;
    }
    static QString rowText(QWidget* page, const QString& title) {
        return row(page, title)->findChildren<QLabel*>().last()->text();
    }

    SettingsSidebar& sidebar() { return *controller.sidebar(); }
    QWidget* pageView() { return controller.detail()->currentPageView(); }

    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeWorkspace workspace;
    test::FakeKeySynthesiser keys;
    int historyClears = 0, updateChecks = 0, quits = 0;
    SettingsServices services = servicesWith(nullptr);
    SettingsWindowController controller{servicesWith(nullptr)};
};

TEST_F(SettingsTest, SearchKeepsMatchingPagesInTheirGroups) {
    controller.show(P::history);
    const std::pair<const char*, std::vector<std::vector<SettingsPage>>> cases[] = {
        {"", {{P::general, P::shortcuts}, {P::history, P::privacy}, {P::about}}},
        {"pause", {{P::privacy}}},
        {"  sound\t", {{P::general}}},
        {"KEYBOARD", {{P::shortcuts}}},  // by window title and by keyword
        {"mendrake", {{P::about}}},      // "About Mendrake" is the window title
        {"p", {{P::general}, {P::privacy}, {P::about}}},
        {"sound\n", {}},  // line breaks are not trimmed
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        sidebar().searchField()->setText(text);
        EXPECT_EQ(sidebar().listedSections(), expected);
        // A search that hides the current page keeps it shown, and nothing selected.
        EXPECT_EQ(pageView()->objectName(), "history");
        const bool listed = std::ranges::any_of(expected, [](auto& s) { return std::ranges::count(s, P::history); });
        EXPECT_EQ(sidebar().selectedPage(), listed ? std::optional(P::history) : std::nullopt);
    }
    sidebar().searchField()->clearButton()->click();
    EXPECT_EQ(sidebar().selectedPage(), P::history) << "the rows come back with the current page selected";
    EXPECT_TRUE(sidebar().searchField()->clearButton()->isHidden());
}

TEST_F(SettingsTest, WindowTitledOnEverySelectionAndKept) {
    controller.show();
    QWidget* window = controller.window();
    EXPECT_EQ(window->windowTitle(), "General");
    for (auto [page, title] : {std::pair{P::shortcuts, "Keyboard Shortcuts"}, {P::about, "About Mendrake"}}) {
        sidebar().select(page);
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(pageView()->objectName(), rawValue(page));
    }
    // Selecting the current page again re-titles the window without rebuilding the page.
    QWidget* view = pageView();
    window->setWindowTitle("stale");
    sidebar().select(P::about);
    EXPECT_EQ(std::pair(window->windowTitle(), pageView()), std::pair(QString("About Mendrake"), view));

    sidebar().select(P::history);
    sidebar().searchField()->setText("hist");
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    controller.show();
    EXPECT_TRUE(controller.window() == window && window->isVisible());
    EXPECT_EQ(window->windowTitle(), "History");
    EXPECT_EQ(sidebar().searchField()->text(), "hist");
    sidebar().searchField()->setText("");
    controller.show(P::about);
    EXPECT_EQ(window->windowTitle(), "About Mendrake");
    EXPECT_EQ(sidebar().selectedPage(), P::about) << "the list follows the page shown";
}

TEST_F(SettingsTest, HistoryFiguresAndPickersFollowTheirSource) {
    addHistory();
    SettingsServices withStore = servicesWith(store.get());
    prefs.setMaxItems(1234);
    prefs.setRetentionDays(30);
    HistoryPage page(withStore);
    EXPECT_EQ(page.itemCount(), 0) << "read when the page comes on screen";
    EXPECT_EQ(page.maxItemsPicker()->currentIndex(), -1) << "no choice shown for a value it does not offer";
    EXPECT_EQ(page.retentionPicker()->currentText(), "1 Month");
    QSignalSpy limits(&prefs, &Preferences::historyLimitsAssigned);
    page.maxItemsPicker()->setCurrentIndex(1);
    emit page.maxItemsPicker()->activated(1);
    EXPECT_TRUE(prefs.maxItems() == 1000 && limits.count() == 1);
    prefs.setRetentionDays(0);
    EXPECT_EQ(page.retentionPicker()->currentText(), "Forever");
    page.show();
    EXPECT_EQ(rowText(&page, "Items saved"), "1,234");
    EXPECT_EQ(rowText(&page, "Space used"), byteCountString(page.diskBytes()));
    page.showInFilesButton()->click();
    EXPECT_EQ(workspace.revealed, std::vector<QString>{store->directory()});

    const qint64 before = page.diskBytes();
    const std::tuple<QString, qint64, int> rows[] = {{"Cancel", 1234, 0}, {"Clear All but Pinned", 3, 1},
                                                     {"Clear Everything", 0, 2}};
    for (const auto& [choice, left, clears] : rows) {
        page.clearButton()->click();
        for (QAbstractButton* button : page.confirmation()->buttons())
            if (button->text() == choice) button->click();
        EXPECT_EQ(std::tuple(store->count(), page.itemCount(), historyClears), std::tuple(left, left, clears))
            << choice;
    }
    EXPECT_EQ(rowText(&page, "Items saved"), "0");
    EXPECT_LT(page.diskBytes(), before);

    HistoryPage bare(services);
    bare.show();
    EXPECT_EQ(rowText(&bare, "Space used"), "Zero KB");
    bare.showInFilesButton()->click();
    bare.clear(false);
    EXPECT_TRUE(workspace.revealed.size() == 1 && historyClears == 2);
}

TEST_F(SettingsTest, PauseAndResumeRewriteTheCaptureRow) {
    PrivacyPage page(services);
    page.show();
    const char* idle = "Pause for a while, for example when handling sensitive data.";
    const std::tuple<std::function<void()>, std::optional<double>, const char*, const char*> rows[] = {
        {[] {}, std::nullopt, "Record new copies", idle},
        {[&] { choosePause(page, "For 15 Minutes"); }, clock.now() + 900, "Capture is paused",
         "Nothing is recorded until 14:15."},
        {[&] { page.resumeButton()->click(); }, std::nullopt, "Record new copies", idle},
        {[&] { choosePause(page, "Until I Resume"); }, Preferences::distantFuture, "Capture is paused",
         "Nothing is recorded until you resume."},
        {[&] {
             EXPECT_EQ(clock.pendingTasks(), 0u) << "no redraw is due for a pause without end";
             page.resumeButton()->click();
             choosePause(page, "For 5 Minutes");
             clock.advance(299);
         },
         clock.now() + 300, "Capture is paused", "Nothing is recorded until 14:05."},
        {[&] { clock.advance(1); }, clock.now() + 300, "Record new copies", idle},
    };
    for (const auto& [act, until, title, detail] : rows) {
        act();
        EXPECT_EQ(std::tuple(prefs.pausedUntil(), page.captureTitle(), page.captureDetail()),
                  std::tuple(until, QString(title), QString(detail)));
        const bool paused = QString(title) == "Capture is paused";
        EXPECT_TRUE(page.resumeButton()->isVisible() == paused && page.pauseButton()->isVisible() != paused);
    }
    prefs.setPausedUntil(clock.now() - 60);
    EXPECT_EQ(PrivacyPage(services).captureTitle(), "Record new copies") << "a stale pause counts as none";
}

TEST_F(SettingsTest, IgnoredAppsAreNamedAddedOnceAndRemovedEverywhere) {
    // Id, name shown, detail shown; a missing app is named after the last piece of its id.
    const char* cases[][3] = {{"org.gnome.TextEditor", "Text Editor", "org.gnome.TextEditor"},
                              {"com.bitwarden.desktop", "desktop", "Not installed"},
                              {"com.example.", "example", "Not installed"},
                              {"...", "...", "Not installed"}};
    for (const auto& [id, name, detail] : cases) {
        const IgnoredAppInfo info = ignoredAppInfo(id, workspace);
        EXPECT_TRUE(info.name == name && info.detail == detail) << id;
    }
    prefs.setExcludedAppIds({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault"});
    PrivacyPage page(services);
    EXPECT_EQ(rowIDs(page), prefs.excludedAppIds());
    const auto rows = page.ignoredRows();
    EXPECT_NE(rows[0]->findChild<QLabel*>("app.dashed"), nullptr) << "not installed: a placeholder icon";
    EXPECT_NE(rows[1]->findChild<QLabel*>("appIcon"), nullptr);
    // Names and ids come from files any package writes: shown as text, never as markup.
    for (IgnoredAppRow* row : rows)
        for (const char* label : {"title", "subtitle"})
            EXPECT_EQ(row->findChild<QLabel*>(label)->textFormat(), Qt::PlainText) << label;

    page.addApps({"org.gnome.TextEditor", "org.keepassxc.KeePassXC", "org.keepassxc.KeePassXC", ""});
    EXPECT_EQ(prefs.excludedAppIds(),
              QStringList({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault", "org.keepassxc.KeePassXC"}));
    page.ignoredRows().first()->removeButton()->click();
    EXPECT_EQ(prefs.excludedAppIds(), QStringList({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"}));
    EXPECT_EQ(rowIDs(page), prefs.excludedAppIds());
}

TEST_F(SettingsTest, ChooserIgnoresTheSelectionOrATypedWindowClass) {
    prefs.setExcludedAppIds({"org.gnome.TextEditor"});
    PrivacyPage page(services);
    page.show();
    const QStringList both{"org.gnome.TextEditor", "org.keepassxc.KeePassXC"};
    // A window class typed by hand is for an application without a desktop entry.
    const std::tuple<QString, bool, QStringList> rows[] = {
        {"", true, both}, {"", false, both}, {"  SecretKeeper ", true, both + QStringList{"SecretKeeper"}}};
    for (const auto& row : rows) {
        const auto& [windowClass, accept, expected] = row;
        page.addAppButton()->click();
        AppChooserDialog* chooser = page.chooser();
        EXPECT_EQ(chooser->list()->count(), 2);
        EXPECT_FALSE(&row == rows && chooser->ignoreButton()->isEnabled()) << "nothing chosen yet";
        if (windowClass.isEmpty()) chooser->list()->selectAll();
        chooser->windowClassField()->setText(windowClass);
        accept ? chooser->ignoreButton()->click() : chooser->reject();
        EXPECT_EQ(prefs.excludedAppIds(), expected);
    }
}

TEST_F(SettingsTest, GeneralPageFollowsXTestAndPreferences) {
    auto detail = [](QWidget* page) { return row(page, "Paste keystroke")->findChild<QLabel*>("subtitle")->text(); };
    QSignalSpy iconAnnounced(&prefs, &Preferences::trayIconAssigned);
    keys.trusted = false;
    {
        GeneralPage page(services);
        EXPECT_EQ(page.findChild<QPushButton*>(), nullptr) << "X11 has no permission to ask for";
        EXPECT_TRUE(detail(&page).contains("XTEST extension is disabled")) << detail(&page);
        keys.trusted = true;
        clock.advance(0.5);
        EXPECT_FALSE(page.trusted());
        clock.advance(0.5);
        EXPECT_TRUE(page.trusted());
        EXPECT_TRUE(detail(&page).contains("Nothing needs to be allowed")) << detail(&page);
        keys.trusted = false;  // the X server lost it
        clock.advance(1.0);
        EXPECT_FALSE(page.trusted());
        const std::tuple<const char*, const char*, bool> rows[] = {
            {"Launch at login", "launchAtLogin", false},
            {"Show in tray", "showMenuBarIcon", true},
            {"Paste into the active app", "pasteDirectly", true},
            {"Play a sound when something is copied", "playSound", false},
        };
        for (const auto& [title, property, initially] : rows) {
            SCOPED_TRACE(title);
            auto* toggle = row(&page, title)->findChild<ToggleSwitch*>();
            EXPECT_EQ(toggle->isChecked(), initially);
            toggle->click();
            EXPECT_EQ(prefs.property(property).toBool(), !initially);
            prefs.setProperty(property, initially);  // changed elsewhere: the switch follows
            EXPECT_EQ(toggle->isChecked(), initially);
        }
    }
    EXPECT_EQ(clock.liveTimers(), 0u) << "the poll ends with the page";
    EXPECT_EQ(loginItems.enables, 1) << "the switch reaches the login items";
    EXPECT_EQ(iconAnnounced.count(), 2) << "the click and the change elsewhere, never the showing";
}

TEST_F(SettingsTest, RecorderStoresAfterReleasingTheKeyboard) {
    ShortcutsPage page(services);
    page.show();
    HotKeyRecorder* recorder = page.recorder();
    std::vector<bool> capturingWhenStored;
    // Whoever hears of the change may raise an alert (a taken shortcut) that needs the keyboard.
    QObject::connect(&prefs, &Preferences::hotKeyAssigned,
                     [&] { capturingWhenStored.push_back(recorder->hasKeyFilter()); });
    recorder->startRecording();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 45, 0, 0);
    QApplication::sendEvent(&page, &press);
    EXPECT_EQ(prefs.hotKey(), (HotKeyCombo{45, Qt::ControlModifier | Qt::AltModifier}));
    EXPECT_EQ(capturingWhenStored, std::vector<bool>{false});

    // The shell puts the previous shortcut back when the desktop refuses the new one.
    prefs.setHotKey(HotKeyCombo::defaultCombo());
    EXPECT_EQ(recorder->combo(), HotKeyCombo::defaultCombo());

    // Where the desktop binds the shortcut, the page shows the line to add instead of a recorder.
    services.desktopShortcutLine = QStringLiteral("bindsym $mod+Shift+v exec mendrake --toggle");
    ShortcutsPage desktopPage(services);
    desktopPage.show();
    EXPECT_TRUE(desktopPage.desktopLine()->isVisible() && !desktopPage.recorder()->isVisible());
}

TEST_F(SettingsTest, AboutOffersOnlyWhatTheBuildAndDesktopHave) {
    EXPECT_EQ(versionText("", ""), "dev (0)") << "a build without version or build number";
    AboutPage page(services);
    EXPECT_EQ(page.versionShown(), "1.2 (45)");
    page.updateButton()->click();
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(page.noTrayNote(), nullptr) << "no note while the tray is unknown or present";
    for (QPushButton* link : page.links()) link->click();
    EXPECT_EQ(workspace.opened, (std::vector<QUrl>{QUrl("https://example.org/mendrake"),
                                                        QUrl("https://example.org/mendrake/releases"),
                                                        QUrl("https://example.org/mendrake/issues")}));

    services.canCheckForUpdates = false;
    services.sourceAddress.clear();
    services.trayAvailable = [] { return false; };
    AboutPage bare(services);
    EXPECT_TRUE(bare.updateButton() == nullptr && bare.links().isEmpty());
    EXPECT_TRUE(bare.noTrayNote()->text().contains("mendrake --show")) << bare.noTrayNote()->text();
}

// On a real display (the x11 run names a folder in MENDRAKE_SCREENSHOTS): every page with sample data, saved.
TEST_F(SettingsTest, ScreenshotsOfEveryPage) {
    const QString out = qEnvironmentVariable("MENDRAKE_SCREENSHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "no folder for the pictures";
    QDir().mkpath(out);
    prefs.setExcludedAppIds({"org.keepassxc.KeePassXC", "org.gnome.TextEditor", "Bitwarden"});
    prefs.setMaxItems(5000);
    prefs.setRetentionDays(30);
    keys.trusted = false;
    addHistory();
    SettingsWindowController settings(servicesWith(store.get()));
    auto save = [&](const QString& name) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(settings.window())) << name;
        QTest::qWait(300);  // icons and fonts settle after the first paint
        EXPECT_TRUE(settings.window()->grab().save(out + "/settings-" + name + ".png")) << name;
    };
    for (SettingsPage page : allSettingsPages) {
        settings.show(page);
        save(rawValue(page));
    }
    settings.show(SettingsPage::privacy);
    prefs.setPausedUntil(clock.now() + 900);
    save("privacy-paused");
}

}  // namespace
}  // namespace mendrake
