#include "hotkey/HotKeyCombo.h"
#include "hotkey/KeyCodes.h"

#include "FakeKeyboardLayout.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeKeyboardLayout;

TEST(HotKeyCombo, RendersModifiersInFixedOrderThenTheKeyName) {
    auto us = FakeKeyboardLayout::usQwerty();
    us.keys[36] = "x";  // fixed names win over the layout
    us.keys[1] = "";    // typing empty text counts as typing nothing
    const struct {
        HotKeyCombo combo;
        const char* text;
    } cases[] = {
        {HotKeyCombo::defaultCombo(), "⇧⌘V"}, {{49, 0x1000 | 0x0800 | 0x0200 | 0x0100}, "⌃⌥⇧⌘Space"},
        {{96, 0x1000}, "⌃F5"}, {{36, 0x0900}, "⌥⌘↩"}, {{1, 0}, "#1"}, {{200, 0}, "#200"},
        {{9, 0x0100 | 0x0401}, "⌘V"},  // bits outside the four modifiers draw nothing
        {{0x10009, 0}, "#65545"},      // past 16 bits the low half would be V; such a code names no key
    };
    for (const auto& c : cases) EXPECT_EQ(displayString(c.combo, us), QString::fromUtf8(c.text)) << c.text;
}

TEST(HotKeyCombo, StoredJsonRoundTripsAndAcceptsOnlyTwoUnsigned32BitIntegers) {
    for (HotKeyCombo combo : {HotKeyCombo::defaultCombo(), HotKeyCombo{0xFFFFFFFF, 0xFFFFFFFF}})
        EXPECT_EQ(HotKeyCombo::fromJson(combo.toJson()), combo);
    EXPECT_EQ(HotKeyCombo::fromJson(R"({"modifiers":7.68e2, "keyCode":9, "x":[]})"), HotKeyCombo::defaultCombo());
    for (const char* json : {"not json", "[9, 768]", R"({"keyCode":9})", R"({"keyCode":-1,"modifiers":768})",
                             R"({"keyCode":4294967296,"modifiers":768})", R"({"keyCode":9.5,"modifiers":768})",
                             R"({"keyCode":"9","modifiers":768})"})
        EXPECT_FALSE(HotKeyCombo::fromJson(json)) << json;
}

TEST(HotKeyCombo, KeyCodeForCharacterFindsTheLowestCodeIgnoringCaseInOneLayoutRead) {
    auto layout = FakeKeyboardLayout::usQwerty();
    EXPECT_EQ(keyCodeForCharacter("V", layout), 9);
    EXPECT_FALSE(keyCodeForCharacter("€", layout));
    layout.keys[9] = "x";
    layout.keys[100] = "v";
    layout.keys[101] = "v";
    layout.keys[130] = "ß";  // past 127: never considered
    layout.reads = 0;
    EXPECT_EQ(keyCodeForCharacter("v", layout), 100);
    EXPECT_FALSE(keyCodeForCharacter("ß", layout));
    EXPECT_EQ(layout.reads, 2);
}

TEST(HotKeyCombo, CarbonModifiersKeepsOnlyTheFourModifierFlags) {
    EXPECT_EQ(carbonModifiers(0x20000 | 0x100000), HotKeyCombo::shift | HotKeyCombo::command);
    EXPECT_EQ(carbonModifiers(0x40000 | 0x80000), HotKeyCombo::control | HotKeyCombo::option);
    EXPECT_EQ(carbonModifiers(0x10000 | 0x800000 | 0x200000 | 0xFF), 0u);  // caps lock, fn, ...
}

TEST(KeyCodes, TableIsOneToOneAndAnchoredOnTheLinuxKeyCodes) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        const auto evdev = evdevCodeForKeyCode(code);
        EXPECT_TRUE(!evdev || keyCodeForX11Keycode(*evdev + 8) == code) << code;
    }
    // V, the ISO key, Return, F13 and keypad 0, each as KEY_* + 8.
    for (auto [code, evdev] : {std::pair{9u, 47u}, {10u, 86u}, {36u, 28u}, {105u, 183u}, {82u, 82u}})
        EXPECT_EQ(x11KeycodeForKeyCode(code), evdev + 8) << code;
    EXPECT_EQ(x11KeycodeForKeyCode(52), 0u);
    EXPECT_EQ(x11KeycodeForKeyCode(0x10009), 0u);
    EXPECT_FALSE(keyCodeForX11Keycode(7));
}

}  // namespace
}  // namespace mendrake
