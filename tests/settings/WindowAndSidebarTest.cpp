// The settings window's router, sidebar search and window life cycle.

#include "settings/SettingsDetail.h"
#include "settings/SettingsSidebar.h"
#include "settings/ShortcutsPage.h"
#include "hotkey/HotKeyRecorder.h"

#include "SettingsTestEnvironment.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using P = SettingsPage;
using Sections = std::vector<std::vector<SettingsPage>>;

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest() : controller(env.services()) {}

    void search(const QString& text) { controller.sidebar()->searchField()->setText(text); }

    test::SettingsTestEnvironment env;
    SettingsWindowController controller;
};

TEST_F(SettingsWindowTest, SearchKeepsMatchingPagesInTheirGroups) {
    controller.show();
    const struct {
        const char* text;
        Sections expected;
    } cases[] = {
        {"", {{P::general, P::shortcuts}, {P::history, P::privacy}, {P::about}}},
        {"pause", {{P::privacy}}},
        {"hotkey", {{P::shortcuts}}},
        {"  sound\t", {{P::general}}},
        {"about", {{P::about}}},
        {"general", {{P::general}}},
        {"KEYBOARD", {{P::shortcuts}}},  // by window title and by keyword
        {"mendrake", {{P::about}}},      // "About Mendrake" is the window title
        {"clear", {{P::history}}},
        {"a", {{P::general, P::shortcuts}, {P::history, P::privacy}, {P::about}}},
        {"p", {{P::general}, {P::privacy}, {P::about}}},
        {"sound\n", {}},  // line breaks are not trimmed
        {"xyz", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        search(c.text);
        EXPECT_EQ(controller.sidebar()->listedSections(), c.expected);
        EXPECT_EQ(filteredSections(c.text), c.expected);
    }
}

TEST_F(SettingsWindowTest, SearchWithoutMatchesKeepsTheCurrentPage) {
    controller.show(P::history);
    search("xyz");
    EXPECT_EQ(controller.sidebar()->list()->count(), 0);
    EXPECT_EQ(controller.router().page(), P::history);
    EXPECT_EQ(controller.detail()->currentPageView()->objectName(), "history");
    EXPECT_FALSE(controller.sidebar()->selectedPage().has_value());
    // Clearing the search brings the rows back with the current page selected.
    controller.sidebar()->searchField()->clearButton()->click();
    EXPECT_EQ(controller.sidebar()->selectedPage(), P::history);
    EXPECT_TRUE(controller.sidebar()->searchField()->clearButton()->isHidden());
}

TEST_F(SettingsWindowTest, WindowIsFixedSizeAndTitledAfterThePage) {
    EXPECT_EQ(controller.window(), nullptr);
    controller.show();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(740, 560));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(controller.sidebar()->width(), 230);
    EXPECT_EQ(window->windowTitle(), "General");

    const std::pair<SettingsPage, const char*> titles[] = {
        {P::history, "History"}, {P::shortcuts, "Keyboard Shortcuts"}, {P::privacy, "Privacy"},
        {P::about, "About Mendrake"}, {P::general, "General"}};
    for (auto [page, title] : titles) {
        controller.sidebar()->select(page);
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(controller.detail()->currentPageView()->objectName(), rawValue(page));
    }
}

TEST_F(SettingsWindowTest, ReselectingTheCurrentPageRetitlesWithoutRebuildingIt) {
    controller.show(P::privacy);
    QSignalSpy changes(&controller.router(), &SettingsRouter::pageChanged);
    QWidget* view = controller.detail()->currentPageView();
    controller.window()->setWindowTitle("stale");
    controller.sidebar()->select(P::privacy);
    EXPECT_EQ(controller.window()->windowTitle(), "Privacy");
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(controller.detail()->currentPageView(), view);
}

TEST_F(SettingsWindowTest, ClosingHidesAndShowBringsBackTheSameWindowPageAndSearch) {
    controller.show();
    QWidget* window = controller.window();
    controller.sidebar()->select(P::history);
    search("hist");
    window->close();
    EXPECT_FALSE(window->isVisible());

    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "History");
    EXPECT_EQ(controller.sidebar()->searchField()->text(), "hist");

    controller.show(P::about);
    EXPECT_EQ(window->windowTitle(), "About Mendrake");
}

TEST_F(SettingsWindowTest, CtrlWClosesAndCtrlQQuits) {
    controller.show();
    QWidget* window = controller.window();
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(env.quits, 1);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SettingsWindowTest, SwitchingPagesWhileRecordingLeavesNoKeyFilterBehind) {
    controller.show(P::shortcuts);
    auto* page = static_cast<ShortcutsPage*>(controller.detail()->currentPageView());
    page->recorder()->startRecording();
    controller.sidebar()->select(P::general);

    // The next key presses reach the application normally.
    QLineEdit* field = controller.sidebar()->searchField()->lineEdit();
    QTest::keyClicks(field, "sou");
    EXPECT_EQ(field->text(), "sou");
    EXPECT_EQ(controller.sidebar()->listedSections(), (Sections{{P::general}}));
    EXPECT_EQ(env.prefs.hotKey(), HotKeyCombo::defaultCombo());
}

TEST_F(SettingsWindowTest, HidingTheWindowWhileRecordingStopsRecording) {
    controller.show(P::shortcuts);
    auto* page = static_cast<ShortcutsPage*>(controller.detail()->currentPageView());
    page->recorder()->startRecording();
    controller.window()->close();
    EXPECT_FALSE(page->recorder()->isRecording());
    EXPECT_FALSE(page->recorder()->hasKeyFilter());
}

}  // namespace
}  // namespace mendrake
