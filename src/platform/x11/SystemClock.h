#pragma once
// The real clock: QDateTime for the time, QTimer on the main thread's event loop for timers.

#include "platform/Clock.h"

namespace mendrake {

class SystemClock final : public Clock {
public:
    double now() const override;
    std::unique_ptr<Timer> every(double intervalSeconds, double toleranceSeconds,
                                 std::function<void()> tick) override;
    std::unique_ptr<Timer> after(double delaySeconds, std::function<void()> task) override;
};

}  // namespace mendrake
