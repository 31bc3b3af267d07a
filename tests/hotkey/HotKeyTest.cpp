// The hot-key model: labels, stored form and keycodes of a combination, and a registered HotKey.
#include "hotkey/HotKey.h"
#include "hotkey/HotKeyCombo.h"
#include "hotkey/KeyCodes.h"
#include "hotkey/KeyNames.h"

#include "FakeClock.h"
#include "FakeHotKeyService.h"
#include "FakeKeyboardLayout.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier,
                                super = Qt::MetaModifier;
constexpr HotKeyCombo kDefault = HotKeyCombo::defaultCombo();

TEST(HotKeyCombo, LabelsAndKeycodesFollowTheLayout) {
    auto us = test::FakeKeyboardLayout::usQwerty();
    us.keys[36] = "x";  // named keys (36 is Enter) win over the layout
    us.keys[10] = "";
    const std::pair<HotKeyCombo, const char*> cases[] = {
        {kDefault, "Shift+Super+V"}, {{65, ctrl | alt | shift | super}, "Ctrl+Alt+Shift+Super+Space"},
        {{71, ctrl}, "Ctrl+F5"},         {{36, alt | super}, "Alt+Super+Enter"}, {{110, ctrl | alt}, "Ctrl+Alt+Home"},
        {{112, super}, "Super+Page Up"}, {{191, ctrl}, "Ctrl+F13"},             {{202, ctrl}, "Ctrl+F24"},
        {{84, ctrl | alt}, "Ctrl+Alt+Num 5"}, {{107, shift}, "Shift+Print"},    {{127, alt}, "Alt+Pause"},
        {{10, ctrl}, "Ctrl+Key 2"},  // a key the table does not name that types nothing
        {{55, super | Qt::KeypadModifier}, "Super+V"},
    };
    for (const auto& [combo, text] : cases) EXPECT_EQ(displayString(combo, us), QString::fromUtf8(text)) << text;
    EXPECT_EQ(keyCapTexts({112, ctrl | super}, us), QStringList({"Ctrl", "Super", "Page Up"})) << "one word per cap";
    EXPECT_EQ((QStringList{shortcutLabel(ctrl, Qt::Key_Comma), shortcutLabel(shift, Qt::Key_Delete)}),
              QStringList({"Ctrl+,", "Shift+Delete"}));
    // The keycode typing a character: the lowest, found in one read of the layout.
    EXPECT_EQ(keycodeForCharacter("V", us), 55u);
    EXPECT_FALSE(keycodeForCharacter("€", us));
    us.keys[55] = "x";
    us.keys[200] = us.keys[201] = "v";
    us.keys[255] = "q";
    us.reads = 0;
    EXPECT_EQ(std::pair(keycodeForCharacter("v", us), us.reads), std::pair(std::optional(200u), 1));
    EXPECT_EQ(keycodeForCharacter("Q", us), 24u);
    us.keys.erase(24);
    EXPECT_EQ(keycodeForCharacter("q", us), 255u) << "the last keycode counts";
}

TEST(HotKeyCombo, StoredJsonKeepsItsFormRejectsOthers) {
    const std::pair<const char*, HotKeyCombo> stored[] = {
        {R"({"keyCode":9,"modifiers":768})", HotKeyCombo::defaultCombo()},
        {R"({"modifiers":7.68e2, "keyCode":9, "x":[]})", HotKeyCombo::defaultCombo()},
        {R"({"keyCode":0,"modifiers":4096})", {38, ctrl}},
        {R"({"keyCode":49,"modifiers":6400})", {65, ctrl | alt | super}},
        {R"({"keyCode":115,"modifiers":1280})", {110, super}},  // Home; stray bits outside the four dropped
        {R"({"keyCode":65635,"modifiers":4096})", {107, ctrl}},  // Print, which has no Mac key code
    };
    for (const auto& [json, combo] : stored) {
        EXPECT_EQ(HotKeyCombo::fromJson(json), combo) << json;
        EXPECT_EQ(HotKeyCombo::fromJson(combo.toJson()), combo) << json;
    }
    EXPECT_EQ(HotKeyCombo::defaultCombo().toJson(), R"({"keyCode":9,"modifiers":768})");
    for (const char* json : {"not json", "[9, 768]", R"({"keyCode":9})", R"({"keyCode":-1,"modifiers":768})",
                             R"({"keyCode":4294967296,"modifiers":768})", R"({"keyCode":9.5,"modifiers":768})",
                             R"({"keyCode":"9","modifiers":768})", R"({"keyCode":52,"modifiers":768})",
                             R"({"keyCode":65536,"modifiers":768})", R"({"keyCode":65800,"modifiers":768})"})
        EXPECT_FALSE(HotKeyCombo::fromJson(json)) << json;
}

TEST(KeyCodes, OneToOneAndAnchoredOnEvdev) {
    for (const NamedKey& key : namedKeys()) {
        EXPECT_TRUE(!key.evdevCode || evdevKeyName(key.evdevCode) == key.name) << key.name;
        EXPECT_TRUE(!key.qtKey || !qtKeyName(key.qtKey).isEmpty()) << key.name;
    }
    for (std::uint32_t code = 0; code < 256; ++code) {
        const auto evdev = evdevCodeForKeyCode(code);
        EXPECT_TRUE(!evdev || keyCodeForEvdevCode(*evdev) == code) << code;
    }
    // V, the ISO key, Return, F13 and keypad 0 as KEY_* + 8.
    for (auto [code, evdev] : {std::pair{9u, 47u}, {10u, 86u}, {36u, 28u}, {105u, 183u}, {82u, 82u}})
        EXPECT_EQ(x11KeycodeForStoredKey(code), evdev + 8) << code;
    for (std::uint32_t code : {52u, 0x10009u - 0x10000u + 0x20000u}) EXPECT_FALSE(x11KeycodeForStoredKey(code)) << code;
    for (std::uint32_t keycode = 9; keycode < 256; ++keycode)  // 8 is evdev 0, no key
        EXPECT_EQ(x11KeycodeForStoredKey(storedKeyForX11Keycode(keycode)), keycode) << keycode;
}

// Releasing is also what the shell does on a shortcut change, once the new HotKey holds.
TEST(HotKey, PressRunsAfterTheHandlerAndNeverAfterRelease) {
    test::FakeHotKeyService service;
    test::FakeClock clock;
    std::optional<HotKeyRegistry> registry{std::in_place, service, clock};
    int runs = 0;
    auto press = [&] { return service.press(kDefault.keycode, kDefault.modifiers); };
    service.failNextRegistration = true;
    EXPECT_FALSE(HotKey::create(*registry, kDefault, [] {})) << "a combination the system refuses";
    auto hotKey = HotKey::create(*registry, kDefault, [&] { ++runs; });
    ASSERT_TRUE(press());
    EXPECT_EQ(runs, 0) << "the action must not run inside the event handler";
    clock.advance(1);
    EXPECT_EQ(runs, 1);
    const auto handle = service.live.begin()->first;
    press();
    hotKey.reset();
    clock.advance(0);
    EXPECT_EQ(std::tuple(runs, service.unregistered, press()), std::tuple(1, std::vector{handle}, false));
    // An action may release its own hot key; a second queued press then does nothing.
    hotKey = HotKey::create(*registry, kDefault, [&] {
        ++runs;
        hotKey.reset();
    });
    press();
    press();
    clock.advance(0);
    EXPECT_EQ(std::pair(runs, service.live.empty()), std::pair(2, true));
    // So does a press pending when the registry goes.
    hotKey = HotKey::create(*registry, kDefault, [&] { ++runs; });
    press();
    hotKey.reset();
    registry.reset();
    clock.advance(0);
    EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace mendrake
