#pragma once
// A clock whose time moves only when a test says so. `advance` fires every timer and delayed task
// that falls due, in time order, with `now` set to the moment each one fires; a task whose handle
// was destroyed never fires.

#include "platform/Clock.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace mendrake::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(double start = 1'700'000'000.0) : now_(start) {}

    double now() const override { return now_; }
    std::unique_ptr<Timer> every(double interval, double, std::function<void()> tick) override {
        return add(interval, interval, std::move(tick));
    }
    std::unique_ptr<Timer> after(double delay, std::function<void()> task) override { return add(0, delay, std::move(task)); }
    void setNow(double t) { now_ = t; }

    // One entry at a time: a task may cancel or add others.
    void advance(double seconds) {
        const double end = now_ + seconds;
        while (const auto next = nextDue(end)) {
            now_ = next->due;
            next->interval > 0 ? void(next->due += next->interval) : void(next->fired = true);
            const auto task = next->tick;  // a copy: the task may destroy its own handle
            task();
        }
        now_ = end;
    }
    size_t liveTimers() const { return live(true); }
    size_t pendingTasks() const { return live(false); }

private:
    struct Entry {
        double interval;  // 0: a delayed task, run once
        double due;
        std::function<void()> tick;
        bool fired = false;
    };
    struct Handle final : Timer {
        explicit Handle(std::shared_ptr<Entry> e) : entry(std::move(e)) {}
        std::shared_ptr<Entry> entry;
    };

    std::unique_ptr<Timer> add(double interval, double delay, std::function<void()> tick) {
        auto entry = std::make_shared<Entry>(Entry{interval, now_ + delay, std::move(tick)});
        entries_.push_back(entry);
        return std::make_unique<Handle>(entry);
    }
    size_t live(bool timers) const {
        return std::count_if(entries_.begin(), entries_.end(), [&](auto& w) {
            const auto e = w.lock();
            return e && !e->fired && (e->interval > 0) == timers;
        });
    }
    // The earliest live entry due by `end`; at one moment delayed tasks go before timers, and each
    // in the order made.
    std::shared_ptr<Entry> nextDue(double end) {
        std::erase_if(entries_, [](auto& w) { return w.expired() || w.lock()->fired; });
        std::shared_ptr<Entry> best;
        for (auto& weak : entries_)
            if (auto e = weak.lock(); e->due <= end && (!best || std::pair(e->due, e->interval > 0) < std::pair(best->due, best->interval > 0)))
                best = e;
        return best;
    }

    double now_;
    std::vector<std::weak_ptr<Entry>> entries_;
};

}  // namespace mendrake::test
