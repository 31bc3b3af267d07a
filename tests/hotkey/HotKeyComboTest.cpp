#include "hotkey/HotKeyCombo.h"
#include "hotkey/KeyCodes.h"

#include "FakeKeyboardLayout.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeKeyboardLayout;

constexpr std::uint32_t kAll =
    HotKeyCombo::control | HotKeyCombo::option | HotKeyCombo::shift | HotKeyCombo::command;

TEST(HotKeyCombo, RendersModifiersInFixedOrderThenKeyName) {
    const auto us = FakeKeyboardLayout::usQwerty();
    const struct {
        HotKeyCombo combo;
        const char* text;
    } cases[] = {
        {HotKeyCombo::defaultCombo(), "⇧⌘V"},
        {{49, kAll}, "⌃⌥⇧⌘Space"},
        {{0, 0}, "A"},
        {{96, HotKeyCombo::control}, "⌃F5"},
        {{36, HotKeyCombo::command | HotKeyCombo::option}, "⌥⌘↩"},
        {{41, HotKeyCombo::control}, "⌃;"},
        // Bits outside the four modifiers draw nothing.
        {{9, HotKeyCombo::command | 0x0400 | 0x0001}, "⌘V"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayString(c.combo, us), QString::fromUtf8(c.text)) << c.text;
}

TEST(HotKeyCombo, KeyNameUsesFixedNamesThenLayoutThenNumber) {
    auto layout = FakeKeyboardLayout::usQwerty();
    // Fixed names win over whatever the layout says the key types.
    layout.keys[36] = QStringLiteral("x");
    const struct {
        std::uint32_t code;
        const char* name;
    } cases[] = {
        {36, "↩"},  {48, "⇥"},  {49, "Space"}, {51, "⌫"},  {53, "⎋"},  {117, "⌦"},
        {123, "←"}, {124, "→"}, {125, "↓"},    {126, "↑"}, {122, "F1"}, {111, "F12"},
        {103, "F11"}, {9, "V"}, {10, "§"},     {200, "#200"}, {52, "#52"},
        // Past 16 bits the low half would be V; such a code names no key.
        {0x10009, "#65545"}, {0xFFFFFFFF, "#4294967295"},
    };
    for (const auto& c : cases) EXPECT_EQ(keyName(c.code, layout), QString::fromUtf8(c.name)) << c.code;
}

TEST(HotKeyCombo, KeyNameFallsBackToNumberWithoutLayout) {
    FakeKeyboardLayout none;
    EXPECT_EQ(keyName(9, none), "#9");
    EXPECT_EQ(keyName(49, none), "Space");
    none.keys[9] = QString();  // a key that types empty text counts as typing nothing
    EXPECT_EQ(keyName(9, none), "#9");
    EXPECT_FALSE(layoutCharacter(9, none));
}

TEST(HotKeyCombo, JsonRoundTripsAndDecodesTheStoredDefault) {
    for (HotKeyCombo combo : {HotKeyCombo::defaultCombo(), HotKeyCombo{0, 0},
                              HotKeyCombo{0xFFFFFFFF, 0xFFFFFFFF}, HotKeyCombo{49, kAll}})
        EXPECT_EQ(HotKeyCombo::fromJson(combo.toJson()), combo);

    EXPECT_EQ(HotKeyCombo::fromJson(R"({"keyCode":9,"modifiers":768})"), HotKeyCombo::defaultCombo());
    EXPECT_EQ(HotKeyCombo::fromJson(R"({"modifiers":768, "keyCode":9, "extra":"x"})"),
              HotKeyCombo::defaultCombo());
    EXPECT_EQ(HotKeyCombo::fromJson(R"({"keyCode":9.0,"modifiers":7.68e2})"), HotKeyCombo::defaultCombo());
}

TEST(HotKeyCombo, JsonRejectsEverythingButTwoUnsigned32BitIntegers) {
    const char* const bad[] = {
        "",
        "not json",
        "[9, 768]",
        "9",
        R"({"keyCode":9})",
        R"({"modifiers":768})",
        R"({"keyCode":-1,"modifiers":768})",
        R"({"keyCode":9,"modifiers":-768})",
        R"({"keyCode":4294967296,"modifiers":768})",
        R"({"keyCode":9,"modifiers":1e300})",
        R"({"keyCode":9.5,"modifiers":768})",
        R"({"keyCode":"9","modifiers":768})",
        R"({"keyCode":null,"modifiers":768})",
        R"({"keyCode":true,"modifiers":768})",
        R"({"keyCode":9,"modifiers":{}})",
        R"({"keyCode":9,"modifiers":768)",
    };
    for (const char* json : bad) EXPECT_FALSE(HotKeyCombo::fromJson(json)) << json;
}

TEST(HotKeyCombo, KeyCodeForCharacterFindsLowestCodeIgnoringCase) {
    auto layout = FakeKeyboardLayout::usQwerty();
    EXPECT_EQ(keyCodeForCharacter("v", layout), 9);
    EXPECT_EQ(keyCodeForCharacter("V", layout), 9);
    EXPECT_EQ(keyCodeForCharacter(";", layout), 41);
    EXPECT_FALSE(keyCodeForCharacter("€", layout));
    EXPECT_FALSE(keyCodeForCharacter("", layout));

    // Two keys typing "v": the lower code wins; codes past 127 are never considered.
    layout.keys[100] = QStringLiteral("v");
    layout.keys[9] = QStringLiteral("x");
    layout.keys[130] = QStringLiteral("ß");
    EXPECT_EQ(keyCodeForCharacter("v", layout), 100);
    EXPECT_FALSE(keyCodeForCharacter("ß", layout));

    // The whole search reads the layout once.
    layout.reads = 0;
    keyCodeForCharacter("q", layout);
    EXPECT_EQ(layout.reads, 1);
}

TEST(HotKeyCombo, CarbonModifiersKeepsOnlyTheFourModifierFlags) {
    const struct {
        std::uint64_t flags;
        std::uint32_t mask;
    } cases[] = {
        {0, 0},
        {0x20000, HotKeyCombo::shift},
        {0x40000, HotKeyCombo::control},
        {0x80000, HotKeyCombo::option},
        {0x100000, HotKeyCombo::command},
        {0x1E0000, kAll},
        {0x10000 | 0x800000 | 0x200000 | 0xFF, 0},  // caps lock, fn, keypad, device bits
        {0xFFFFFFFFFFFFFFFFull, kAll},
    };
    for (const auto& c : cases) EXPECT_EQ(carbonModifiers(c.flags), c.mask) << std::hex << c.flags;
}

TEST(KeyCodes, TableIsOneToOneAndCoversAFullSizeKeyboard) {
    int known = 0;
    for (std::uint32_t code = 0; code < 256; ++code) {
        const auto evdev = evdevCodeForKeyCode(code);
        if (!evdev) continue;
        ++known;
        EXPECT_EQ(keyCodeForEvdevCode(*evdev), code) << code;
        EXPECT_EQ(keyCodeForX11Keycode(*evdev + 8), code) << code;
        EXPECT_EQ(x11KeycodeForKeyCode(code), *evdev + 8) << code;
    }
    EXPECT_GE(known, 110);

    // Anchors: letters, digits, punctuation, editing and navigation keys, F-keys, keypad.
    const struct {
        std::uint32_t code;
        std::uint32_t evdev;
    } anchors[] = {
        {0, 30},   {9, 47},   {6, 44},   {12, 16},  {18, 2},   {29, 11},  {50, 41},  {10, 86},
        {42, 43},  {47, 52},  {36, 28},  {48, 15},  {49, 57},  {51, 14},  {53, 1},   {117, 111},
        {115, 102}, {119, 107}, {116, 104}, {121, 109}, {123, 105}, {124, 106}, {125, 108},
        {126, 103}, {122, 59}, {111, 88}, {105, 183}, {90, 190}, {82, 82},  {92, 73},  {76, 96},
        {65, 83},  {67, 55},  {75, 98},  {78, 74},  {69, 78},  {55, 125}, {59, 29},  {58, 56},
    };
    for (const auto& a : anchors) EXPECT_EQ(evdevCodeForKeyCode(a.code), a.evdev) << a.code;

    EXPECT_FALSE(evdevCodeForKeyCode(52));
    EXPECT_FALSE(evdevCodeForKeyCode(0x10009));
    EXPECT_EQ(x11KeycodeForKeyCode(127), 0u);
    EXPECT_FALSE(keyCodeForX11Keycode(0));
    EXPECT_FALSE(keyCodeForX11Keycode(7));
    EXPECT_FALSE(keyCodeForEvdevCode(0x150));
}

}  // namespace
}  // namespace mendrake
