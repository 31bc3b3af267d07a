#pragma once
// Login items in memory. `failWith` makes the next enable/disable fail with that description and
// leave the state as it was.

#include "platform/LoginItems.h"

#include <utility>

namespace mendrake::test {

class FakeLoginItems final : public LoginItems {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> enable() override { return change(true); }
    std::optional<QString> disable() override { return change(false); }

    bool enabled = false;
    std::optional<QString> failWith;
    int enables = 0, disables = 0;

private:
    std::optional<QString> change(bool on) {
        ++(on ? enables : disables);
        if (failWith) return std::exchange(failWith, std::nullopt);
        enabled = on;
        return std::nullopt;
    }
};

}  // namespace mendrake::test
