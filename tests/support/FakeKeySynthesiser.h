#pragma once
// A key synthesiser that records what it was asked to post. `trusted` switches whether it can.

#include "platform/KeySynthesiser.h"

#include <vector>

namespace mendrake::test {

class FakeKeySynthesiser final : public KeySynthesiser {
public:
    struct Press {
        std::uint32_t keycode;
        Qt::KeyboardModifiers modifiers;
        bool operator==(const Press&) const = default;
    };

    bool isTrusted() const override { return trusted; }
    void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) override {
        if (trusted) presses.push_back({keycode, modifiers});
    }

    bool trusted = true;
    std::vector<Press> presses;
};

}  // namespace mendrake::test
