#pragma once
// A clock whose time moves only when a test says so. `advance` fires every timer and delayed task
// that falls due, in time order, with `now` set to the moment each one fires; a task whose handle
// was destroyed never fires.

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
        auto entry = std::make_shared<Entry>(Entry{interval, now_ + interval, std::move(tick)});
        repeating_.push_back(entry);
        return std::make_unique<Handle>(entry);
    }

    std::unique_ptr<Timer> after(double delay, std::function<void()> task) override {
        auto entry = std::make_shared<Entry>(Entry{0, now_ + delay, std::move(task)});
        pending_.push_back(entry);
        return std::make_unique<Handle>(entry);
    }

    void setNow(double t) { now_ = t; }

    // Moves time forward by `seconds`, firing what falls due on the way.
    void advance(double seconds) {
        const double end = now_ + seconds;
        while (true) {
            double next = end + 1;
            for (auto& weak : repeating_)
                if (auto r = weak.lock()) next = std::min(next, r->due);
            for (auto& weak : pending_)
                if (auto p = weak.lock()) next = std::min(next, p->due);
            if (next > end) break;
            now_ = next;
            // One due task at a time: a task may cancel or add others.
            for (auto it = pending_.begin(); it != pending_.end();) {
                auto p = it->lock();
                if (!p || p->due <= now_) {
                    it = pending_.erase(it);
                    if (p) {
                        auto task = p->tick;  // a copy: the task may destroy its own handle
                        task();
                    }
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

    size_t pendingTasks() const {
        return std::count_if(pending_.begin(), pending_.end(), [](auto& w) { return !w.expired(); });
    }
    size_t liveTimers() const {
        return std::count_if(repeating_.begin(), repeating_.end(), [](auto& w) { return !w.expired(); });
    }

private:
    struct Entry {
        double interval;
        double due;
        std::function<void()> tick;
    };
    struct Handle final : Timer {
        explicit Handle(std::shared_ptr<Entry> r) : entry(std::move(r)) {}
        std::shared_ptr<Entry> entry;
    };
    double now_;
    std::vector<std::weak_ptr<Entry>> repeating_;
    std::vector<std::weak_ptr<Entry>> pending_;
};

}  // namespace mendrake::test
