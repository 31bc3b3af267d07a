#include "hotkey/HotKeyCombo.h"
#include "hotkey/KeyCodes.h"

#include "FakeKeyboardLayout.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeKeyboardLayout;

constexpr std::uint32_t kAll = 0x1000 | 0x0800 | 0x0200 | 0x0100;

TEST(HotKeyCombo, RendersModifiersInFixedOrderThenTheKeyName) {
    auto us = FakeKeyboardLayout::usQwerty();
    us.keys[36] = "x";  // fixed names win over the layout
    const struct {
        HotKeyCombo combo;
        const char* text;
    } cases[] = {
        {HotKeyCombo::defaultCombo(), "⇧⌘V"}, {{49, kAll}, "⌃⌥⇧⌘Space"}, {{0, 0}, "A"},
        {{96, 0x1000}, "⌃F5"}, {{36, 0x0900}, "⌥⌘↩"}, {{126, 0}, "↑"}, {{41, 0}, ";"},
        {{9, 0x0100 | 0x0401}, "⌘V"},  // bits outside the four modifiers draw nothing
        {{200, 0}, "#200"}, {{52, 0}, "#52"},
        // Past 16 bits the low half would be V; such a code names no key.
        {{0x10009, 0}, "#65545"}, {{0xFFFFFFFF, 0}, "#4294967295"},
    };
    for (const auto& c : cases) EXPECT_EQ(displayString(c.combo, us), QString::fromUtf8(c.text)) << c.text;

    FakeKeyboardLayout none;
    none.keys[0] = "";  // typing empty text counts as typing nothing
    EXPECT_EQ(keyName(0, none), "#0");
    EXPECT_EQ(keyName(9, none), "#9");
    EXPECT_EQ(keyName(49, none), "Space");
}

TEST(HotKeyCombo, StoredJsonRoundTripsAndAcceptsOnlyTwoUnsigned32BitIntegers) {
    for (HotKeyCombo combo : {HotKeyCombo::defaultCombo(), HotKeyCombo{0xFFFFFFFF, 0xFFFFFFFF}})
        EXPECT_EQ(HotKeyCombo::fromJson(combo.toJson()), combo);
    EXPECT_EQ(HotKeyCombo::fromJson(R"({"modifiers":7.68e2, "keyCode":9, "x":[]})"),
              HotKeyCombo::defaultCombo());

    for (const char* json : {"", "not json", "[9, 768]", R"({"keyCode":9})",
                             R"({"keyCode":-1,"modifiers":768})", R"({"keyCode":4294967296,"modifiers":768})",
                             R"({"keyCode":9.5,"modifiers":768})", R"({"keyCode":"9","modifiers":768})",
                             R"({"keyCode":null,"modifiers":768})", R"({"keyCode":9,"modifiers":1e300})"})
        EXPECT_FALSE(HotKeyCombo::fromJson(json)) << json;
}

TEST(HotKeyCombo, KeyCodeForCharacterFindsTheLowestCodeIgnoringCaseInOneLayoutRead) {
    auto layout = FakeKeyboardLayout::usQwerty();
    EXPECT_EQ(keyCodeForCharacter("v", layout), 9);
    EXPECT_EQ(keyCodeForCharacter("V", layout), 9);
    EXPECT_FALSE(keyCodeForCharacter("€", layout));
    EXPECT_FALSE(keyCodeForCharacter("", layout));

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
    EXPECT_EQ(carbonModifiers(0x20000), HotKeyCombo::shift);
    EXPECT_EQ(carbonModifiers(0x40000), HotKeyCombo::control);
    EXPECT_EQ(carbonModifiers(0x80000), HotKeyCombo::option);
    EXPECT_EQ(carbonModifiers(0x100000), HotKeyCombo::command);
    EXPECT_EQ(carbonModifiers(0x10000 | 0x800000 | 0x200000 | 0xFF), 0u);  // caps lock, fn, ...
    EXPECT_EQ(carbonModifiers(~0ull), kAll);
}

TEST(KeyCodes, TableIsOneToOneAndCoversAFullSizeKeyboard) {
    int known = 0;
    for (std::uint32_t code = 0; code < 256; ++code) {
        if (const auto evdev = evdevCodeForKeyCode(code)) {
            ++known;
            EXPECT_EQ(keyCodeForX11Keycode(*evdev + 8), code) << code;
        }
    }
    EXPECT_EQ(known, 119);
    // Letters, digits, punctuation, ISO key, editing, navigation, F1/F12/F13/F20, keypad.
    const std::pair<std::uint32_t, std::uint32_t> anchors[] = {
        {0, 30},   {9, 47},    {29, 11},   {47, 52},   {50, 41},   {10, 86},  {36, 28},
        {51, 14},  {117, 111}, {115, 102}, {121, 109}, {123, 105}, {126, 103}, {122, 59},
        {111, 88}, {105, 183}, {90, 190},  {82, 82},   {76, 96},   {55, 125}, {59, 29}};
    for (auto [code, evdev] : anchors) EXPECT_EQ(x11KeycodeForKeyCode(code), evdev + 8) << code;
    EXPECT_EQ(x11KeycodeForKeyCode(52), 0u);
    EXPECT_EQ(x11KeycodeForKeyCode(0x10009), 0u);
    EXPECT_FALSE(keyCodeForX11Keycode(7));
}

}  // namespace
}  // namespace mendrake
