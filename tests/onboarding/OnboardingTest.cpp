// The first-run guide: page flow, completion on any close, and the live permission status.

#include "onboarding/OnboardingWindowController.h"

#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "PreferencesFixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace mendrake {
namespace {

using Page = OnboardingView::Page;

struct OnboardingTest : ::testing::Test, test::PreferencesFixture {
    OnboardingTest() { makeController(); }

    // As the shell does: finishing marks the guide completed and drops the controller.
    void makeController() {
        controller = std::make_unique<OnboardingWindowController>(
            OnboardingServices{prefs, layout, keys, clock, {}, [this] { return trayAvailable; }}, [this] {
                ++finishes;
                prefs.setHasCompletedOnboarding(true);
                controller.reset();
            });
    }
    void press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = {}) {
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key(key), modifiers);
    }
    // Whether some label of the guide shows `fragment`.
    bool shows(const QString& fragment) const {
        for (const QLabel* label : controller->view()->findChildren<QLabel*>())
            if (label->text().contains(fragment)) return true;
        return false;
    }

    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeKeySynthesiser keys;
    std::unique_ptr<OnboardingWindowController> controller;
    bool trayAvailable = true;
    int finishes = 0;
};

TEST_F(OnboardingTest, ReturnOrCloseFinishesOnceAndFreesTheWindow) {
    controller->show(false);
    for (Page next : {Page::permissions, Page::tryIt}) {  // trusted: Continue goes on
        press(controller->window(), Qt::Key_Return);
        EXPECT_EQ(controller->view()->page(), next);
    }
    press(controller->window(), Qt::Key_Return);
    EXPECT_EQ(std::tuple(finishes, prefs.hasCompletedOnboarding(), controller == nullptr), std::tuple(1, true, true));
    makeController();
    controller->show(false);
    bool stillThere = true;
    QObject::connect(controller->view(), &QObject::destroyed, [&] { stillThere = false; });
    controller->window()->close();
    EXPECT_EQ(std::pair(finishes, controller == nullptr), std::pair(2, true));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(stillThere);

    // A controller its owner keeps finishes once, whichever way its windows close.
    int ownFinishes = 0;
    OnboardingWindowController kept(OnboardingServices{prefs, layout, keys, clock, {}}, [&] { ++ownFinishes; });
    kept.show(false);
    press(kept.window(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(kept.window(), nullptr);
    kept.show(true);
    kept.window()->close();
    EXPECT_EQ(ownFinishes, 1);
}

TEST_F(OnboardingTest, PermissionFollowsXTestTrayNamedOnlyWithOne) {
    keys.trusted = false;
    controller->show(false);
    // The page, the skip button and the granted line when shown, the permission symbol.
    auto state = [&] {
        const OnboardingView& v = *controller->view();
        return QStringList{QString::number(int(v.page())), v.skipButton()->isHidden() ? "" : "skip",
                           v.grantedLabel()->isHidden() ? "" : "granted",
                           v.findChild<QLabel*>("checkmark.circle.fill") ? "checkmark" : "hand"}.join(' ').toStdString();
    };
    EXPECT_EQ(state(), "0   hand") << "skip only on the permissions page";
    press(controller->window(), Qt::Key_Return);
    EXPECT_EQ(state(), "1 skip  hand");
    EXPECT_TRUE(controller->view()->explanation()->text().contains("Enable XTEST in the X server configuration"));
    controller->view()->skipButton()->click();
    EXPECT_EQ(controller->view()->page(), Page::tryIt);
    // Shown again: a fresh view on the permissions page with the current shortcut.
    prefs.setHotKey(HotKeyCombo{65, Qt::ControlModifier});
    controller->show(true);
    EXPECT_EQ(std::pair(state(), controller->view()->hotKey()), std::pair(std::string("1 skip  hand"), QString("Ctrl+Space")));
    EXPECT_EQ(clock.liveTimers(), 1u) << "the replaced view's poll stopped with it";
    keys.trusted = true;
    clock.advance(1.0);
    EXPECT_EQ(state(), "1  granted checkmark");
    const QString explanation = controller->view()->explanation()->text();
    EXPECT_TRUE(explanation.contains("nothing to allow") && explanation.contains("Ctrl+V")) << explanation.toStdString();
    // {tray available, icon shown}: the guide names the tray only with both.
    for (auto [available, shown] : {std::pair{true, true}, {false, true}, {true, false}}) {
        trayAvailable = available;
        prefs.setShowMenuBarIcon(shown);
        controller->show(false);
        EXPECT_EQ(shows("in the tray icon"), available && shown) << available << shown;
        EXPECT_EQ(shows("run mendrake again or press " + controller->view()->hotKey()), !(available && shown));
        EXPECT_FALSE(shows("menu bar"));
    }
}

}  // namespace
}  // namespace mendrake
