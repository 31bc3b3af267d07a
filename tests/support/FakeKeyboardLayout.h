#pragma once
// A keyboard layout held in memory: `keys` maps X keycodes to what they type. `usQwerty()`
// fills in the letters, digits and punctuation of a US layout. `reads` counts layout reads.

#include "platform/KeyboardLayout.h"

#include <map>

namespace mendrake::test {

class FakeKeyboardLayout final : public KeyboardLayout {
public:
    std::vector<std::optional<QString>> characters(const std::vector<std::uint32_t>& keyCodes) const override {
        ++reads;
        std::vector<std::optional<QString>> result;
        for (std::uint32_t code : keyCodes)
            result.push_back(keys.count(code) ? std::optional(keys.at(code)) : std::nullopt);
        return result;
    }

    static FakeKeyboardLayout usQwerty() {
        FakeKeyboardLayout layout;
        // Each row of a US keyboard from its first X keycode: 10 is "1", 24 "q", 38 "a", 52 "z".
        const std::pair<std::uint32_t, const char*> rows[] = {
            {10, "1234567890-="}, {24, "qwertyuiop[]"}, {38, "asdfghjkl;'`"}, {51, "\\zxcvbnm,./"}};
        for (const auto& [first, row] : rows)
            for (std::uint32_t i = 0; row[i]; ++i) layout.keys[first + i] = QString(QChar(row[i]));
        layout.keys[65] = " ";
        layout.keys[94] = "<";
        return layout;
    }

    std::map<std::uint32_t, QString> keys;
    mutable int reads = 0;
};

}  // namespace mendrake::test
