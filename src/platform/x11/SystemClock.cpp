#include "platform/x11/SystemClock.h"

#include <QDateTime>
#include <QTimer>

#include <cmath>

namespace mendrake {

namespace {

int toMilliseconds(double seconds) {
    return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0));
}

class QtTimer final : public Clock::Timer {
public:
    QtTimer(double interval, double tolerance, bool once, std::function<void()> tick) {
        timer_.setSingleShot(once);
        // A coarse timer lets the event loop batch wake-ups within about 5% of the interval,
        // which is the closest Qt comes to a stated tolerance.
        timer_.setTimerType(tolerance > 0 ? Qt::CoarseTimer : Qt::PreciseTimer);
        timer_.setInterval(toMilliseconds(interval));
        QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
        timer_.start();
    }

private:
    QTimer timer_;
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
