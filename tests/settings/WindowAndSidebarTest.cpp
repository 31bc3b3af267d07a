// The settings window's router, sidebar search and window life cycle.

#include "hotkey/HotKeyRecorder.h"
#include "settings/SettingsDetail.h"
#include "settings/SettingsSidebar.h"
#include "settings/ShortcutsPage.h"

#include "SettingsTestEnvironment.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace mendrake {
namespace {

using P = SettingsPage;
using Sections = std::vector<std::vector<SettingsPage>>;

struct SettingsWindowTest : ::testing::Test {
    SettingsSidebar& sidebar() { return *controller.sidebar(); }
    QWidget* pageView() { return controller.detail()->currentPageView(); }

    test::SettingsTestEnvironment env;
    SettingsWindowController controller{env.services()};
};

TEST_F(SettingsWindowTest, SearchKeepsMatchingPagesInTheirGroups) {
    controller.show(P::history);
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
        sidebar().searchField()->setText(c.text);
        EXPECT_EQ(sidebar().listedSections(), c.expected);
        EXPECT_EQ(filteredSections(c.text), c.expected);
        // A search that hides the current page keeps it shown, and nothing selected.
        EXPECT_EQ(controller.router().page(), P::history);
        EXPECT_EQ(pageView()->objectName(), "history");
        const bool listed = std::ranges::any_of(c.expected, [](auto& s) { return std::ranges::count(s, P::history); });
        EXPECT_EQ(sidebar().selectedPage(), listed ? std::optional(P::history) : std::nullopt);
    }
    sidebar().searchField()->clearButton()->click();
    EXPECT_EQ(sidebar().selectedPage(), P::history) << "the rows come back with the current page selected";
    EXPECT_TRUE(sidebar().searchField()->clearButton()->isHidden());
}

TEST_F(SettingsWindowTest, WindowTitledOnEverySelectionAndKept) {
    EXPECT_EQ(controller.window(), nullptr);
    controller.show();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
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
    EXPECT_EQ(window->windowTitle(), "About Mendrake");
    EXPECT_EQ(pageView(), view);

    // Ctrl+Q quits, Ctrl+W hides; the next show brings back the same window, page and search.
    sidebar().select(P::history);
    sidebar().searchField()->setText("hist");
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(env.quits, 1);
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

TEST_F(SettingsWindowTest, LeavingTheRecorderLeavesNoKeyFilterBehind) {
    for (bool byClosing : {true, false}) {
        controller.show(P::shortcuts);
        auto* page = static_cast<ShortcutsPage*>(pageView());
        page->recorder()->startRecording();
        if (byClosing) {
            controller.window()->close();
            EXPECT_FALSE(page->recorder()->isRecording() || page->recorder()->hasKeyFilter());
        } else {
            sidebar().select(P::general);
        }
    }
    // The next key presses reach the application normally.
    QLineEdit* field = sidebar().searchField()->lineEdit();
    QTest::keyClicks(field, "sou");
    EXPECT_EQ(sidebar().listedSections(), (Sections{{P::general}}));
    EXPECT_EQ(env.prefs.hotKey(), HotKeyCombo::defaultCombo());
}

}  // namespace
}  // namespace mendrake
