#pragma once
// Clock: the current time and the timers that model code runs on.
//
// Contract: `now` is the wall-clock time in seconds since 1970-01-01 00:00:00 UTC. Timers run their
// callback on the main thread and keep firing only while their handle lives, so the owner of the
// handle decides how long a timer lives: a repeating timer (`every`) until the handle is destroyed, a
// one-shot task (`after`) once after its delay unless the handle was destroyed first. An object that
// keeps the handle of its own task in a member can therefore never be called after it is gone.
// Destroying a handle from inside its own callback is allowed. Never fails.
// Tests use FakeClock (tests/support), which moves time by hand and fires due timers.

#include <functional>
#include <memory>

namespace mendrake {

class Clock {
public:
    class Timer {
    public:
        virtual ~Timer() = default;
    };

    virtual ~Clock() = default;

    virtual double now() const = 0;

    virtual std::unique_ptr<Timer> every(double intervalSeconds, double toleranceSeconds,
                                         std::function<void()> tick) = 0;

    [[nodiscard]] virtual std::unique_ptr<Timer> after(double delaySeconds, std::function<void()> task) = 0;
};

}  // namespace mendrake
