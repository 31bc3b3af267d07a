#include "platform/x11/SystemClock.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace mendrake {

namespace {

// QTimer counts in int milliseconds: about 24.8 days at most. A longer one-shot delay is waited out
// in steps of that length.
constexpr double maxStepSeconds = std::numeric_limits<int>::max() / 1000.0;

int toMilliseconds(double seconds) {
    return static_cast<int>(std::lround(std::clamp(seconds, 0.0, maxStepSeconds) * 1000.0));
}

class QtTimer final : public Clock::Timer {
public:
    QtTimer(double interval, double tolerance, bool once, std::function<void()> tick) {
        timer_.setSingleShot(once);
        // A coarse timer lets the event loop batch wake-ups within about 5% of the interval,
        // which is the closest Qt comes to a stated tolerance.
        timer_.setTimerType(tolerance > 0 ? Qt::CoarseTimer : Qt::PreciseTimer);
        if (!once) {
            timer_.setInterval(toMilliseconds(interval));
            QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
            timer_.start();
            return;
        }
        remaining_ = std::max(0.0, interval);
        QObject::connect(&timer_, &QTimer::timeout, [this, tick = std::move(tick)] {
            if (remaining_ > 0)
                startStep();
            else
                tick();
        });
        startStep();
    }

private:
    void startStep() {
        const double step = std::min(remaining_, maxStepSeconds);
        remaining_ -= step;
        timer_.start(toMilliseconds(step));
    }

    QTimer timer_;
    double remaining_ = 0;  // of a one-shot delay, after the step that runs now
};

}  // namespace

double SystemClock::now() const {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

std::unique_ptr<Clock::Timer> SystemClock::every(double intervalSeconds, double toleranceSeconds,
                                                 std::function<void()> tick) {
    return std::make_unique<QtTimer>(intervalSeconds, toleranceSeconds, false, std::move(tick));
}

std::unique_ptr<Clock::Timer> SystemClock::after(double delaySeconds, std::function<void()> task) {
    return std::make_unique<QtTimer>(delaySeconds, 0, true, std::move(task));
}

}  // namespace mendrake
