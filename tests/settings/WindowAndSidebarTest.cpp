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
        {"  sound\t", {{P::general}}},
        {"KEYBOARD", {{P::shortcuts}}},  // by window title and by keyword
        {"mendrake", {{P::about}}},      // "About Mendrake" is the window title
        {"p", {{P::general}, {P::privacy}, {P::about}}},
        {"sound\n", {}},  // line breaks are not trimmed
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
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->windowTitle(), "General");
    for (auto [page, title] : {std::pair{P::shortcuts, "Keyboard Shortcuts"}, {P::about, "About Mendrake"}}) {
        controller.sidebar()->select(page);
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(controller.detail()->currentPageView()->objectName(), rawValue(page));
    }

    // Selecting the current page again retitles the window without rebuilding the page.
    QSignalSpy changes(&controller.router(), &SettingsRouter::pageChanged);
    QWidget* view = controller.detail()->currentPageView();
    window->setWindowTitle("stale");
    controller.sidebar()->select(P::about);
    EXPECT_EQ(window->windowTitle(), "About Mendrake");
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(controller.detail()->currentPageView(), view);
}

TEST_F(SettingsWindowTest, CtrlQQuitsAndCtrlWHidesUntilShowBringsBackTheSameWindowPageAndSearch) {
    controller.show();
    QWidget* window = controller.window();
    controller.sidebar()->select(P::history);
    search("hist");
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(env.quits, 1);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());

    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "History");
    EXPECT_EQ(controller.sidebar()->searchField()->text(), "hist");
    controller.show(P::about);
    EXPECT_EQ(window->windowTitle(), "About Mendrake");
}

TEST_F(SettingsWindowTest, LeavingTheShortcutsPageWhileRecordingLeavesNoKeyFilterBehind) {
    controller.show(P::shortcuts);
    auto* page = static_cast<ShortcutsPage*>(controller.detail()->currentPageView());
    page->recorder()->startRecording();
    controller.window()->close();
    EXPECT_FALSE(page->recorder()->isRecording());
    EXPECT_FALSE(page->recorder()->hasKeyFilter());

    controller.show(P::shortcuts);
    page = static_cast<ShortcutsPage*>(controller.detail()->currentPageView());
    page->recorder()->startRecording();
    controller.sidebar()->select(P::general);
    // The next key presses reach the application normally.
    QLineEdit* field = controller.sidebar()->searchField()->lineEdit();
    QTest::keyClicks(field, "sou");
    EXPECT_EQ(field->text(), "sou");
    EXPECT_EQ(controller.sidebar()->listedSections(), (Sections{{P::general}}));
    EXPECT_EQ(env.prefs.hotKey(), HotKeyCombo::defaultCombo());
}

}  // namespace
}  // namespace mendrake
