#include "hotkey/HotKeyCombo.h"
#include "hotkey/KeyCodes.h"
#include "hotkey/KeyNames.h"

#include "FakeKeyboardLayout.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeKeyboardLayout;

constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier,
                                super = Qt::MetaModifier;

TEST(HotKeyCombo, LabelsInFixedModifierOrderThenKeyName) {
    auto us = FakeKeyboardLayout::usQwerty();
    us.keys[36] = "x";  // named keys win over the layout (36 is Enter)
    us.keys[10] = "";   // typing empty text counts as typing nothing
    const std::pair<HotKeyCombo, const char*> cases[] = {
        {HotKeyCombo::defaultCombo(), "Shift+Super+V"}, {{65, ctrl | alt | shift | super}, "Ctrl+Alt+Shift+Super+Space"},
        {{71, ctrl}, "Ctrl+F5"},         {{36, alt | super}, "Alt+Super+Enter"}, {{110, ctrl | alt}, "Ctrl+Alt+Home"},
        {{112, super}, "Super+Page Up"}, {{191, ctrl}, "Ctrl+F13"},             {{202, ctrl}, "Ctrl+F24"},
        {{84, ctrl | alt}, "Ctrl+Alt+Num 5"}, {{107, shift}, "Shift+Print"},    {{127, alt}, "Alt+Pause"},
        {{10, ctrl}, "Ctrl+Key 2"},  // a key the table does not name that types nothing
        {{55, super | Qt::KeypadModifier}, "Super+V"},
    };
    for (const auto& [combo, text] : cases) EXPECT_EQ(displayString(combo, us), QString::fromUtf8(text)) << text;
    EXPECT_EQ(keyCapTexts({112, ctrl | super}, us), QStringList({"Ctrl", "Super", "Page Up"})) << "one word per cap";
    EXPECT_EQ(shortcutLabel(ctrl, Qt::Key_Comma), "Ctrl+,");
    EXPECT_EQ(shortcutLabel(shift, Qt::Key_Delete), "Shift+Delete");
}

TEST(KeyNames, NoMacGlyphsAndEveryKeyNamedBothWays) {
    const QString macGlyphs = QString::fromUtf8("⌘⌥⌃⇧↩⌫⎋⌦⇥");
    QStringList labels = modifierNames(ctrl | alt | shift | super);
    for (const NamedKey& key : namedKeys()) {
        labels << QString::fromUtf8(key.name);
        if (key.evdevCode) EXPECT_EQ(evdevKeyName(key.evdevCode), key.name);
        if (key.qtKey) EXPECT_FALSE(qtKeyName(key.qtKey).isEmpty()) << key.name;
    }
    for (const QString& label : labels)
        for (QChar c : label) EXPECT_FALSE(macGlyphs.contains(c)) << label.toStdString();
}

TEST(HotKeyCombo, StoredJsonKeepsItsFormRejectsOthers) {
    // What existing settings files hold reads as the same physical keys and modifiers.
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

TEST(HotKeyCombo, KeycodeForCharacterLowestInOneRead) {
    auto layout = FakeKeyboardLayout::usQwerty();
    EXPECT_EQ(keycodeForCharacter("V", layout), 55u);
    EXPECT_FALSE(keycodeForCharacter("€", layout));
    layout.keys[55] = "x";
    layout.keys[200] = "v";
    layout.keys[201] = "v";
    layout.keys[255] = "q";
    layout.reads = 0;
    EXPECT_EQ(keycodeForCharacter("v", layout), 200u);
    EXPECT_EQ(layout.reads, 1);
    EXPECT_EQ(keycodeForCharacter("Q", layout), 24u);
    layout.keys.erase(24);
    EXPECT_EQ(keycodeForCharacter("q", layout), 255u) << "the last keycode counts";
}

TEST(KeyCodes, OneToOneAndAnchoredOnEvdev) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        const auto evdev = evdevCodeForKeyCode(code);
        EXPECT_TRUE(!evdev || keyCodeForEvdevCode(*evdev) == code) << code;
    }
    // V, the ISO key, Return, F13 and keypad 0, each as KEY_* + 8.
    for (auto [code, evdev] : {std::pair{9u, 47u}, {10u, 86u}, {36u, 28u}, {105u, 183u}, {82u, 82u}})
        EXPECT_EQ(x11KeycodeForStoredKey(code), evdev + 8) << code;
    EXPECT_FALSE(x11KeycodeForStoredKey(52));
    EXPECT_FALSE(x11KeycodeForStoredKey(0x10009 - 0x10000 + 0x20000));
    for (std::uint32_t keycode = 9; keycode < 256; ++keycode)  // 8 is evdev 0, no key
        EXPECT_EQ(x11KeycodeForStoredKey(storedKeyForX11Keycode(keycode)), keycode) << keycode;
}

}  // namespace
}  // namespace mendrake
