#pragma once
// Clock: the current time and the timers that model code runs on.
//
// Contract: `now` is the wall-clock time in seconds since 1970-01-01 00:00:00 UTC. Timers run their
// callback on the main thread; a repeating timer keeps firing until its handle is destroyed, so the
// owner of the handle decides how long it lives. `after` runs a task once after a delay; it cannot
// be cancelled, so callers capture weak references where the target may be gone. Never fails.
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

    virtual void after(double delaySeconds, std::function<void()> task) = 0;
};

}  // namespace mendrake
