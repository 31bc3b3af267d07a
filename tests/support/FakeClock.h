#pragma once
// A clock whose time moves only when a test says so. `advance` fires every timer and delayed task
// that falls due, in time order, with `now` set to the moment each one fires.

#include "platform/Clock.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace mendrake::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(double start = 1'700'000'000.0) : now_(start) {}

    double now() const override { return now_; }

    std::unique_ptr<Timer> every(double interval, double, std::function<void()> tick) override {
        auto entry = std::make_shared<Repeating>(Repeating{interval, now_ + interval, std::move(tick)});
        repeating_.push_back(entry);
        return std::make_unique<Handle>(entry);
    }

    void after(double delay, std::function<void()> task) override {
        pending_.push_back({now_ + delay, std::move(task)});
    }

    void setNow(double t) { now_ = t; }

    // Moves time forward by `seconds`, firing what falls due on the way.
    void advance(double seconds) {
        const double end = now_ + seconds;
        while (true) {
            double next = end + 1;
            for (auto& weak : repeating_)
                if (auto r = weak.lock()) next = std::min(next, r->due);
            for (auto& p : pending_) next = std::min(next, p.due);
            if (next > end) break;
            now_ = next;
            for (auto it = pending_.begin(); it != pending_.end();) {
                if (it->due <= now_) {
                    auto task = std::move(it->task);
                    it = pending_.erase(it);
                    task();
                    it = pending_.begin();
                } else {
                    ++it;
                }
            }
            for (size_t i = 0; i < repeating_.size(); ++i) {
                auto r = repeating_[i].lock();
                if (r && r->due <= now_) {
                    r->due += r->interval;
                    r->tick();
                }
            }
            std::erase_if(repeating_, [](auto& w) { return w.expired(); });
        }
        now_ = end;
    }

    size_t pendingTasks() const { return pending_.size(); }
    size_t liveTimers() const {
        return std::count_if(repeating_.begin(), repeating_.end(), [](auto& w) { return !w.expired(); });
    }

private:
    struct Repeating {
        double interval;
        double due;
        std::function<void()> tick;
    };
    struct Handle final : Timer {
        explicit Handle(std::shared_ptr<Repeating> r) : entry(std::move(r)) {}
        std::shared_ptr<Repeating> entry;
    };
    struct Pending {
        double due;
        std::function<void()> task;
    };

    double now_;
    std::vector<std::weak_ptr<Repeating>> repeating_;
    std::vector<Pending> pending_;
};

}  // namespace mendrake::test
