// The floating panel under Xvfb and openbox, the screen split into two 800 x 1000 monitors. Real keys typed
// into it are the end-to-end runs' part (e2e_paste, e2e_reshow).
#include "StoreFixture.h"
#include "WaitFor.h"
#include "capture/AppIcon.h"
#include "panel/FloatingPanel.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "platform/x11/X11PanelWindowSystem.h"
#include "platform/x11/X11Workspace.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>

using namespace mendrake;
using namespace mendrake::test;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

quint64 focusedWindow() { return run("xdotool", {"getwindowfocus"}).toULongLong(); }

QString property(quint64 window, const char* name) {
    return run("xprop", {"-id", QString::number(window), QString::fromLatin1(name)});
}

// The window's place on the screen, or (-1, -1) while it is not mapped.
QPoint windowOrigin(quint64 window) {
    const QString info = run("xwininfo", {"-id", QString::number(window)});
    const auto at = QRegularExpression("upper-left X: *(-?\\d+)\\s*Absolute upper-left Y: *(-?\\d+)").match(info);
    if (info.contains("IsUnMapped") || !at.hasMatch()) return {-1, -1};
    return {at.captured(1).toInt(), at.captured(2).toInt()};
}

class PanelWindowX11Test : public StoreTest {
protected:
    ~PanelWindowX11Test() override { controller.hide(); }
    quint64 panelWindow() { return quint64(controller.panel().winId()); }
    bool showAndWaitForFocus() {
        controller.show();
        return waitFor([&] { return controller.panel().isActiveWindow() && focusedWindow() == panelWindow(); });
    }

    X11Workspace workspace;
    X11PanelWindowSystem windows;
    AppIcons icons{workspace};
    PanelViewModel model{*store, prefs, clock};
    PanelController controller{model, workspace, icons, windows};
};

TEST_F(PanelWindowX11Test, CentredUnderThePointerNeverRemembersItself) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "xrandr did not split the screen";
    struct Case { QPoint pointer; QPoint origin; };
    // A 760 x 460 panel: centre x of the monitor minus 380; top at 40% of 1000 minus 230.
    for (const Case& c : {Case{{1200, 500}, {820, 170}}, Case{{100, 900}, {20, 170}}}) {
        run("xdotool", {"mousemove", QString::number(c.pointer.x()), QString::number(c.pointer.y())});
        ASSERT_TRUE(waitFor([&] { return QCursor::pos() == c.pointer; }));
        ASSERT_TRUE(showAndWaitForFocus());
        EXPECT_TRUE(waitFor([&] { return windowOrigin(panelWindow()) == c.origin; }))
            << "at " << windowOrigin(panelWindow()).x() << "," << windowOrigin(panelWindow()).y();
        controller.hide();
        ASSERT_TRUE(waitFor([&] { return windowOrigin(panelWindow()) == QPoint(-1, -1); }));
    }
    QWidget own;
    own.resize(300, 200);
    own.show();
    own.activateWindow();
    ASSERT_TRUE(waitFor([&] { return own.isActiveWindow() && focusedWindow() == quint64(own.winId()); }));
    ASSERT_TRUE(showAndWaitForFocus());
    EXPECT_FALSE(controller.previousApp()) << "our own window is no app to paste into";
}

TEST_F(PanelWindowX11Test, OnTopEverywhereAndHidesOnClickElsewhere) {
    QWidget other;  // which app is in front is checked with the X11 workspace (CaptureX11Test)
    other.setGeometry(0, 0, 700, 600);
    other.show();
    ASSERT_TRUE(waitFor([&] { return focusedWindow() == quint64(other.winId()); }));
    run("xdotool", {"mousemove", "800", "500"});  // panel on the right monitor
    ASSERT_TRUE(showAndWaitForFocus());

    // Every desktop is desktop 0xFFFFFFFF; openbox keeps stickiness there rather than in the states.
    auto placedForAllDesktops = [&] {
        const QString states = property(panelWindow(), "_NET_WM_STATE");
        return states.contains("_NET_WM_STATE_ABOVE") && states.contains("_NET_WM_STATE_SKIP_TASKBAR") &&
               states.contains("_NET_WM_STATE_SKIP_PAGER") &&
               property(panelWindow(), "_NET_WM_DESKTOP").contains("4294967295");
    };
    EXPECT_TRUE(waitFor(placedForAllDesktops)) << property(panelWindow(), "_NET_WM_STATE").toStdString();
    const QString stacking = run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    EXPECT_EQ(stacking.section(QLatin1Char(','), -1).trimmed().toULongLong(nullptr, 16), panelWindow()) << stacking.toStdString();

    // A click on another window hides the panel; shown again after being withdrawn, it keeps its states.
    run("xdotool", {"mousemove", "100", "100", "click", "1"});
    ASSERT_TRUE(waitFor([&] { return !controller.isVisible() && focusedWindow() == quint64(other.winId()); }));
    ASSERT_TRUE(showAndWaitForFocus());
    EXPECT_TRUE(waitFor(placedForAllDesktops)) << property(panelWindow(), "_NET_WM_STATE").toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    // Two monitors side by side on the one virtual screen, before Qt reads the screens.
    QProcess::execute("xrandr", {"--setmonitor", "L", "800/200x1000/250+0+0", "screen"});
    QProcess::execute("xrandr", {"--setmonitor", "R", "800/200x1000/250+800+0", "none"});
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
