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
    Mechanism mechanism() const override { return through; }
    void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) override {
        if (trusted) presses.push_back({keycode, modifiers});
    }

    bool trusted = true;
    Mechanism through = Mechanism::xtest;
    std::vector<Press> presses;
};

}  // namespace mendrake::test
