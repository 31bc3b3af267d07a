#pragma once
// Runs jobs and their answers at once, on the calling thread; with `hold` set, queues them until
// `runAll`, so that tests can make things happen while a job is under way.

#include "platform/TaskRunner.h"

#include <deque>

namespace mendrake::test {

class FakeTaskRunner final : public TaskRunner {
public:
    bool hold = false;

    void run(Job job) override {
        if (hold) return queued_.push_back(std::move(job));
        if (auto answer = job()) answer();
    }
    // Runs the queued jobs, then their answers, in order.
    void runAll() {
        std::deque<Job> jobs;
        jobs.swap(queued_);
        std::vector<std::function<void()>> answers;
        for (Job& job : jobs) answers.push_back(job());
        for (auto& answer : answers)
            if (answer) answer();
    }
    size_t pending() const { return queued_.size(); }

private:
    std::deque<Job> queued_;
};

}  // namespace mendrake::test
