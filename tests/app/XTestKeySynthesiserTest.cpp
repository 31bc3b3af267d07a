// The real key synthesiser against an X server (run under tests/support/with-x11).
#include "platform/x11/XTestKeySynthesiser.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

// Xlib's macros (None, Bool, Status) clash with the headers above, so it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mendrake {
namespace {

struct KeyRecorder final : QWidget {
    std::vector<std::pair<int, Qt::KeyboardModifiers>> presses;
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Control && event->key() != Qt::Key_Alt && event->key() != Qt::Key_Shift)
            presses.emplace_back(event->key(), event->modifiers());
    }
};

TEST(XTestKeySynthesiser, PastesCtrlVEvenWhileAltIsHeld) {
    XTestKeySynthesiser keys;
    ASSERT_TRUE(keys.isTrusted());

    KeyRecorder window;
    window.resize(200, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));

    // The user still holds Alt from Alt-Return when the paste fires.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Alt_L), True, CurrentTime);
    XSync(display, False);

    keys.postKeyPress(55, Qt::ControlModifier);  // the V position with Ctrl
    QTRY_COMPARE_WITH_TIMEOUT(window.presses.size(), size_t(1), 5000);
    EXPECT_EQ(window.presses[0], std::pair(int(Qt::Key_V), Qt::KeyboardModifiers(Qt::ControlModifier)));

    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Alt_L), False, CurrentTime);
    XCloseDisplay(display);

    keys.postKeyPress(0, Qt::ControlModifier);
    QTest::qWait(200);
    EXPECT_EQ(window.presses.size(), 1u) << "a key without a position posts nothing";
}

}  // namespace
}  // namespace mendrake
