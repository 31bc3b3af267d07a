#include "menubar/StatusItemController.h"

#include "FakeKeyboardLayout.h"
#include "PreferencesFixture.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

ClipItem item(qint64 id, const QString& text, ClipKind kind = ClipKind::text, std::optional<QString> source = {}) {
    return ClipItem{.id = id, .kind = kind, .text = text, .sourceAppId = source};
}

struct StatusItemControllerTest : ::testing::Test, test::PreferencesFixture {
    StatusItemControllerTest() {
        shell->recentItems = [this] { return history; };
        shell->pasteItem = [this](const ClipItem& i) { pasted.push_back(i.id); };
        shell->togglePanel = [this] { ++toggles; };
        shell->menuOpening = [this] { ++openings; };
        shell->openSettings = [this] { ++settingsOpened; };
        QImage red(64, 64, QImage::Format_ARGB32);
        red.fill(Qt::red);
        shell->appIcon = [red](const std::optional<QString>& id) {
            return id == QStringLiteral("org.example.Editor") ? std::optional(red) : std::nullopt;
        };
    }

    QStringList open(bool pauseMenu = false) {
        QMenu* menu = controller.menu();
        Q_EMIT menu->aboutToShow();
        if (pauseMenu)
            for (QAction* a : menu->actions())
                if (a->menu()) menu = a->menu();
        QStringList titles;
        for (QAction* a : menu->actions()) titles << (a->isSeparator() ? "---" : a->text());
        shown = menu;
        return titles;
    }
    QAction* entry(const QString& title) {
        for (QAction* a : shown->actions())
            if (a->text() == title) return a;
        return nullptr;
    }

    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    std::shared_ptr<StatusMenuShell> shell = std::make_shared<StatusMenuShell>();
    QStringList symbolsAsked;
    StatusItemController controller{shell, prefs, layout, clock, [this](const QString& name) {
                                        symbolsAsked << name;
                                        return QIcon();
                                    }};
    QMenu* shown = nullptr;
    QList<ClipItem> history;
    std::vector<qint64> pasted;
    int toggles = 0, openings = 0, settingsOpened = 0;
};

TEST_F(StatusItemControllerTest, MenuFollowsShortcutUpdatesRecordingPause) {
    const QStringList tail{"---", "Open Mendrake\tShift+Super+V", "Pause Capture", "---", "Settings…", "---",
                           "Quit Mendrake"};
    const std::tuple<const char*, std::function<void()>, QStringList> rows[] = {
        {"a build that cannot check for updates does not offer it", [] {}, QStringList{"Nothing copied yet"} + tail},
        {"the store cannot be written", [&] { controller.setRecordingProblem(QStringLiteral("SQLite: disk is full")); },
         QStringList{"Not Recording: the history can't be written", "---", "Nothing copied yet"} + tail},
        {"recording again", [&] { controller.setRecordingProblem(std::nullopt); },
         QStringList{"Nothing copied yet"} + tail},
        {"updates", [&] { shell->checkForUpdates = [] {}; },
         QStringList{"Nothing copied yet"} + tail.mid(0, 4) + QStringList{"Check for Updates…"} + tail.mid(4)},
    };
    EXPECT_TRUE(controller.isVisible()) << "the tray icon follows the preference from the start";
    for (const auto& [why, setUp, expected] : rows) {
        SCOPED_TRACE(why);
        setUp();
        EXPECT_EQ(open(), expected);
        EXPECT_FALSE(entry(expected.front())->isEnabled());
    }
    EXPECT_EQ(openings, 4) << "the shell hears of every opening";
    prefs.setHotKey(HotKeyCombo{38, Qt::ControlModifier | Qt::AltModifier});
    EXPECT_TRUE(open().contains("Open Mendrake\tCtrl+Alt+A"));
    entry("Open Mendrake\tCtrl+Alt+A")->trigger();
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(open(true), (QStringList{"For 5 Minutes", "For 15 Minutes", "For 1 Hour", "Until I Resume"}));
    entry("For 15 Minutes")->trigger();
    EXPECT_EQ(prefs.pausedUntil(), clock.now() + 15 * 60);
    EXPECT_TRUE(open().contains("Paused"));
    EXPECT_EQ(open(true), QStringList{"Resume Now"});
    clock.advance(15 * 60 + 1);
    EXPECT_TRUE(open().contains("Pause Capture"));
    open(true);
    entry("Until I Resume")->trigger();
    EXPECT_EQ(prefs.pausedUntil(), Preferences::distantFuture);
    open(true);
    entry("Resume Now")->trigger();
    EXPECT_EQ(prefs.pausedUntil(), std::nullopt);
    EXPECT_EQ(controller.menu()->findChildren<QMenu*>().size(), 1) << "one pause submenu, however often it opened";
}

TEST_F(StatusItemControllerTest, TenRecentsWithShortcutsIconsAndShortTitles) {
    history << item(1, "from editor", ClipKind::text, QStringLiteral("org.example.Editor"))
            << item(2, "https://example.org", ClipKind::url, QStringLiteral("org.unknown.App"))
            << item(3, "#ff0000", ClipKind::color);
    for (int i = 4; i <= 12; ++i)
        history << item(i, QStringLiteral("item %1").arg(i), ClipKind::text, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(open().mid(9, 2), (QStringList{"item 10", "---"}));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(shown->actions()[i]->shortcut(), i < 9 ? QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)) : QKeySequence());
    EXPECT_EQ(entry("from editor")->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_TRUE(symbolsAsked.contains("link") && symbolsAsked.contains("paintpalette"));
    EXPECT_FALSE(symbolsAsked.contains("text.alignleft"));
    // Titles are cut past 48 user-perceived characters: a flag is two code points, one character.
    const QString flag = QStringLiteral("🇫🇷");
    EXPECT_EQ(StatusItemController::menuTitle(flag.repeated(48)), flag.repeated(48));
    EXPECT_EQ(StatusItemController::menuTitle(flag.repeated(49)), flag.repeated(47) + "…");
}

// A recent pastes the copy held when the menu was built, once the menu has closed.
TEST_F(StatusItemControllerTest, RecentsPasteHeldCopyAfterTheMenuCloses) {
    const QList<ClipItem> two{item(1, "first"), item(2, "q=1&b=2")};
    history = two;
    QMenu* menu = controller.menu();
    menu->popup(QPoint(0, 0));
    shown = menu;
    EXPECT_EQ(entry("q=1&&b=2")->iconText(), "q=1&b=2") << "an ampersand is shown, not a mnemonic";
    history.clear();  // deleted after the menu was built: the held copy still pastes
    QTest::keyClick(menu, Qt::Key_2, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    clock.advance(StatusItemController::pasteDelay / 2);
    EXPECT_TRUE(pasted.empty());
    clock.advance(StatusItemController::pasteDelay);
    EXPECT_EQ(pasted, std::vector<qint64>{2});
    history = two;
    menu->popup(QPoint(0, 0));
    QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settingsOpened, 1);
    menu->popup(QPoint(0, 0));
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    clock.advance(StatusItemController::pasteDelay);
    EXPECT_EQ(pasted, (std::vector<qint64>{2, 1}));
    controller.pasteRecent(2);
    controller.pasteRecent(-1);

    // With the shell gone the menu opens empty and nothing scheduled or chosen acts.
    controller.pasteRecent(0);
    shell.reset();
    EXPECT_TRUE(open().isEmpty());
    controller.pauseFor(5);
    controller.openPanel();
    clock.advance(1);
    EXPECT_EQ(pasted, (std::vector<qint64>{2, 1}));
    EXPECT_EQ(toggles, 0);
    EXPECT_FALSE(prefs.isPaused());
}

}  // namespace
}  // namespace mendrake
