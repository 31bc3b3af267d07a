#pragma once
// A keyboard layout held in memory: `keys` maps virtual key codes to what they type. `usQwerty()`
// fills in the letters, digits and punctuation of a US layout. `reads` counts layout reads.

#include "platform/KeyboardLayout.h"

#include <map>

namespace mendrake::test {

class FakeKeyboardLayout final : public KeyboardLayout {
public:
    std::vector<std::optional<QString>> characters(
        const std::vector<std::uint32_t>& keyCodes) const override {
        ++reads;
        std::vector<std::optional<QString>> result;
        for (std::uint32_t code : keyCodes) {
            const auto it = keys.find(code);
            result.push_back(it == keys.end() ? std::nullopt : std::optional<QString>(it->second));
        }
        return result;
    }

    static FakeKeyboardLayout usQwerty() {
        FakeKeyboardLayout layout;
        const char* const us[] = {"a", "s", "d", "f", "h", "g", "z", "x", "c", "v", "§", "b",
                                  "q", "w", "e", "r", "y", "t", "1", "2", "3", "4", "6", "5",
                                  "=", "9", "7", "-", "8", "0", "]", "o", "u", "[", "i", "p",
                                  nullptr, "l", "j", "'", "k", ";", "\\", ",", "/", "n", "m", ".",
                                  nullptr, " ", "`"};
        for (std::uint32_t code = 0; code < std::size(us); ++code)
            if (us[code]) layout.keys[code] = QString::fromUtf8(us[code]);
        return layout;
    }

    std::map<std::uint32_t, QString> keys;
    mutable int reads = 0;
};

}  // namespace mendrake::test
