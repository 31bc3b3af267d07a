// The real X11 hot-key service and keyboard layout, under a private Xvfb with openbox. Keys are
// pressed with xdotool (XTest), layouts switched with setxkbmap.

#include "WaitFor.h"
#include "hotkey/HotKey.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/XkbKeyboardLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <X11/XKBlib.h>  // last: its macros clash with Qt's names

namespace mendrake {
namespace {

constexpr HotKeyCombo kDefault = HotKeyCombo::defaultCombo();  // Shift+Super+V

using test::settle;
using test::waitFor;

int run(const QString& program, const QStringList& arguments) { return QProcess::execute(program, arguments); }

// The server's locked modifiers (CapsLock is Lock, NumLock is Mod2 here).
unsigned lockedModifiers() {
    XkbStateRec state{};
    XkbGetState(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display(), XkbUseCoreKbd, &state);
    return state.locked_mods;
}
constexpr unsigned kCapsAndNumLock = LockMask | Mod2Mask;

struct KeyRecorder : QWidget {
    std::vector<quint32> scanCodes;
    void keyPressEvent(QKeyEvent* event) override { scanCodes.push_back(event->nativeScanCode()); }
};

// A grab held by another client is refused in the end-to-end run (e2e_shortcut_taken).
TEST(X11HotKey, PressRunsOnceOnMainThreadLockKeysOrHeld) {
    X11HotKeyService service;
    SystemClock clock;
    HotKeyRegistry registry{service, clock};
    KeyRecorder window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitFor([&] { return window.isActiveWindow(); }));
    auto typedV = [&] { return std::count(window.scanCodes.begin(), window.scanCodes.end(), kDefault.keycode); };

    int runs = 0;
    QThread* ranOn = nullptr;
    auto hotKey = HotKey::create(registry, kDefault, [&] {
        ++runs;
        ranOn = QThread::currentThread();
    });
    EXPECT_FALSE(HotKey::create(registry, kDefault, [] {})) << "a second grab in this process";
    ASSERT_EQ(run("xdotool", {"key", "super+shift+v"}), 0);
    ASSERT_TRUE(waitFor([&] { return runs == 1; }));
    settle();
    EXPECT_EQ(std::tuple(runs, ranOn, typedV()), std::tuple(1, QCoreApplication::instance()->thread(), 0))
        << "once, on the main thread, and not also typed";

    ASSERT_EQ(run("xdotool", {"key", "Caps_Lock", "Num_Lock"}), 0);
    ASSERT_EQ(lockedModifiers() & kCapsAndNumLock, kCapsAndNumLock);
    run("xdotool", {"key", "super+shift+v"});
    EXPECT_TRUE(waitFor([&] { return runs == 2; }));
    run("xdotool", {"key", "Caps_Lock", "Num_Lock"});

    // Other modifier sets and the bare key are not the shortcut; one held well past the server's
    // auto-repeat delay, so that repeats arrive while it is down, runs once.
    run("xdotool", {"key", "super+v", "ctrl+shift+v", "v"});
    ASSERT_EQ(run("xdotool", {"keydown", "super+shift+v"}), 0);
    settle(1500);
    ASSERT_EQ(run("xdotool", {"keyup", "super+shift+v"}), 0);
    settle();
    EXPECT_EQ(runs, 3);
    run("xdotool", {"key", "super+shift+v"});
    EXPECT_TRUE(waitFor([&] { return runs == 4; })) << "the next press after the release runs again";

    hotKey.reset();
    const auto typedBefore = typedV();
    run("xdotool", {"key", "super+shift+v"});
    EXPECT_TRUE(waitFor([&] { return typedV() > typedBefore; })) << "a released shortcut reaches the window";
    EXPECT_EQ(runs, 4);
}

TEST(XkbKeyboardLayout, FollowsTheServersLayoutAtOnce) {
    XkbKeyboardLayout layout;
    // Per layout: what the key at the US "z" position (X keycode 52) types, and the key typing a character.
    const std::tuple<QStringList, const char*, const char*, std::uint32_t> rows[] = {
        {{"us"}, "z", "v", 55}, {{"us", "-variant", "dvorak"}, ";", "v", 60}, {{"us"}, "z", "v", 55},
        {{"de"}, "y", "Z", 29}, {{"de"}, "y", "ü", 34},
    };
    for (const auto& [args, z, character, keycode] : rows) {
        ASSERT_EQ(run("setxkbmap", args), 0);
        EXPECT_EQ(std::pair(layoutCharacter(52, layout), keycodeForCharacter(character, layout)),
                  std::pair(std::optional<QString>(z), std::optional(keycode))) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(layoutCharacter(36, layout)) << "Return types no printable text";
    EXPECT_FALSE(layoutCharacter(0, layout)) << "no key at this code";
    EXPECT_EQ(displayString(HotKeyCombo{47, Qt::MetaModifier}, layout), "Super+Ö");
}

}  // namespace
}  // namespace mendrake
