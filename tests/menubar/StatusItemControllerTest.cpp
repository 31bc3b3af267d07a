#include "menubar/StatusItemController.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeKeyboardLayout.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"
#include "prefs/Preferences.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

ClipItem item(qint64 id, const QString& text, ClipKind kind = ClipKind::text,
              std::optional<QString> source = std::nullopt) {
    ClipItem i;
    i.id = id;
    i.kind = kind;
    i.text = text;
    i.sourceBundleID = source;
    return i;
}

class StatusItemControllerTest : public ::testing::Test {
protected:
    StatusItemControllerTest() {
        shell->recentItems = [this] { return history; };
        shell->pasteItem = [this](const ClipItem& i) { pasted.push_back(i.id); };
        shell->togglePanel = [this] { ++toggles; };
        shell->appIcon = [](const std::optional<QString>& id) -> std::optional<QImage> {
            if (id != QStringLiteral("org.example.Editor")) return std::nullopt;
            QImage icon(64, 64, QImage::Format_ARGB32);
            icon.fill(Qt::red);
            return icon;
        };
    }

    // Opens the menu as the tray does and answers its entries' titles, top level only.
    QStringList open() { return titles(controller.menu()); }
    static QStringList titles(QMenu* menu) {
        Q_EMIT menu->aboutToShow();
        QStringList titles;
        for (QAction* a : menu->actions()) titles << (a->isSeparator() ? "---" : a->text());
        return titles;
    }
    QAction* entry(const QString& title, QMenu* menu = nullptr) {
        for (QAction* a : (menu ? menu : controller.menu())->actions())
            if (a->text() == title) return a;
        return nullptr;
    }
    QMenu* pauseMenu() {
        for (QAction* a : controller.menu()->actions())
            if (a->menu()) return a->menu();
        return nullptr;
    }

    test::FakeClock clock;
    test::FakeDefaultsStore defaults;
    test::FakeLoginItems loginItems;
    test::FakeSystemLog log;
    NotificationCenter notifications;
    Preferences prefs{defaults, loginItems, log, notifications, clock};
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    std::shared_ptr<StatusMenuShell> shell = std::make_shared<StatusMenuShell>();
    QStringList symbolsAsked;
    StatusItemController controller{shell, prefs, layout, clock, [this](const QString& name) {
                                        symbolsAsked << name;
                                        return QIcon();
                                    }};

    QList<ClipItem> history;
    std::vector<qint64> pasted;
    int toggles = 0;
};

TEST_F(StatusItemControllerTest, EmptyHistoryShowsOneDisabledEntryThenTheCommandsWithTheCurrentShortcut) {
    EXPECT_EQ(open(), (QStringList{"Nothing copied yet", "---", "Open Mendrake\tShift+Super+V", "Pause Capture", "---",
                                   "Settings…", "---", "Quit Mendrake"}))
        << "a build that cannot check for updates does not offer it";
    shell->checkForUpdates = [] {};
    EXPECT_EQ(open(), (QStringList{"Nothing copied yet", "---", "Open Mendrake\tShift+Super+V", "Pause Capture", "---",
                                   "Check for Updates…", "Settings…", "---", "Quit Mendrake"}));
    EXPECT_FALSE(entry("Nothing copied yet")->isEnabled());
    prefs.setHotKey(HotKeyCombo{38, Qt::ControlModifier | Qt::AltModifier});
    EXPECT_TRUE(open().contains("Open Mendrake\tCtrl+Alt+A"));

    // While the store cannot be written the menu says so first; the shell hears of every opening.
    int openings = 0;
    shell->menuOpening = [&] { ++openings; };
    controller.setRecordingProblem(QStringLiteral("SQLite: database or disk is full"));
    EXPECT_EQ(open().mid(0, 3), (QStringList{"Not Recording: the history can't be written", "---", "Nothing copied yet"}));
    EXPECT_FALSE(entry("Not Recording: the history can't be written")->isEnabled());
    controller.setRecordingProblem(std::nullopt);
    EXPECT_EQ(open().front(), "Nothing copied yet");
    EXPECT_EQ(openings, 2);
}

TEST_F(StatusItemControllerTest, ListsTenRecentItemsWithShortcutsOnTheFirstNine) {
    for (int i = 1; i <= 12; ++i) history << item(i, QStringLiteral("item %1").arg(i));
    const QStringList titles = open();
    EXPECT_EQ(titles.mid(9, 2), (QStringList{"item 10", "---"}));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(titles[i], QStringLiteral("item %1").arg(i + 1));
        EXPECT_EQ(entry(titles[i])->shortcut(), QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
    }
    EXPECT_TRUE(entry("item 10")->shortcut().isEmpty());
    EXPECT_EQ(controller.recents().size(), 10);
}

TEST_F(StatusItemControllerTest, TheShownShortcutsWorkWhileTheMenuIsOpenAndAnAmpersandShowsAsItself) {
    int settings = 0;
    shell->openSettings = [&] { ++settings; };
    history << item(1, "first") << item(2, "q=1&b=2");
    QMenu* menu = controller.menu();
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(entry("q=1&&b=2")->iconText(), "q=1&b=2") << "shown whole, with no mnemonic";

    QTest::keyClick(menu, Qt::Key_2, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    clock.advance(StatusItemController::pasteDelay);
    EXPECT_EQ(pasted, std::vector<qint64>{2});

    menu->popup(QPoint(0, 0));
    QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settings, 1);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(StatusItemControllerTest, LongTitlesAreCutByUserPerceivedCharacters) {
    const QString flag = QStringLiteral("🇫🇷");       // two code points, one character
    const QString accented = QStringLiteral("e\u0301");  // e + combining acute, one character
    const std::pair<QString, QString> cases[] = {
        {QString(48, 'a'), QString(48, 'a')},
        {QString(49, 'a'), QString(47, 'a') + "…"},
        {flag.repeated(49), flag.repeated(47) + "…"},
        {accented.repeated(49), accented.repeated(47) + "…"},
        {QString(), QString()},
    };
    for (const auto& [title, shown] : cases) EXPECT_EQ(StatusItemController::menuTitle(title), shown) << title.size();
}

TEST_F(StatusItemControllerTest, EntryIconIsTheSourceAppOrElseTheKindSymbol) {
    history << item(1, "from editor", ClipKind::text, QStringLiteral("org.example.Editor"))
            << item(2, "https://example.org", ClipKind::url, QStringLiteral("org.unknown.App"))
            << item(3, "#ff0000", ClipKind::color);
    open();
    const QPixmap icon = entry("from editor")->icon().pixmap(16, 16);
    EXPECT_EQ(icon.toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_TRUE(symbolsAsked.contains("link"));
    EXPECT_TRUE(symbolsAsked.contains("paintpalette"));
    EXPECT_FALSE(symbolsAsked.contains("text.alignleft"));
}

TEST_F(StatusItemControllerTest, ChoosingARecentPastesItsHeldCopyAfterTheMenuHasClosed) {
    history << item(1, "first") << item(2, "second");
    open();
    history.clear();  // deleted after the menu was built: the held copy still pastes
    entry("second")->trigger();
    clock.advance(StatusItemController::pasteDelay / 2);
    EXPECT_TRUE(pasted.empty());
    clock.advance(StatusItemController::pasteDelay);
    EXPECT_EQ(pasted, std::vector<qint64>{2});

    controller.pasteRecent(2);
    controller.pasteRecent(-1);
    clock.advance(1);
    EXPECT_EQ(pasted.size(), 1u);
}

TEST_F(StatusItemControllerTest, PauseForAWhileEndsByItselfAndUntilResumedLastsUntilResumeNow) {
    open();
    EXPECT_EQ(titles(pauseMenu()), (QStringList{"For 5 Minutes", "For 15 Minutes", "For 1 Hour", "Until I Resume"}));
    entry("For 15 Minutes", pauseMenu())->trigger();
    EXPECT_EQ(prefs.pausedUntil(), clock.now() + 15 * 60);
    EXPECT_TRUE(open().contains("Paused"));
    EXPECT_EQ(titles(pauseMenu()), QStringList{"Resume Now"});
    clock.advance(15 * 60 + 1);
    EXPECT_TRUE(open().contains("Pause Capture"));

    entry("Until I Resume", pauseMenu())->trigger();
    EXPECT_EQ(prefs.pausedUntil(), Preferences::distantFuture);
    clock.advance(365 * 86400.0);
    open();
    entry("Resume Now", pauseMenu())->trigger();
    EXPECT_EQ(prefs.pausedUntil(), std::nullopt);
    EXPECT_EQ(controller.menu()->findChildren<QMenu*>().size(), 1) << "one pause submenu, however often it opened";
}

TEST_F(StatusItemControllerTest, WithTheShellGoneTheMenuIsEmptyAndActionsDoNothing) {
    history << item(1, "first");
    open();
    controller.pasteRecent(0);  // scheduled while the shell still lived
    shell.reset();
    EXPECT_TRUE(open().isEmpty());
    controller.pasteRecent(0);
    controller.pauseFor(5);
    controller.openPanel();
    clock.advance(1);
    EXPECT_TRUE(pasted.empty());
    EXPECT_EQ(toggles, 0);
    EXPECT_FALSE(prefs.isPaused());
}

}  // namespace
}  // namespace mendrake
