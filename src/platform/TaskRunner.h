#pragma once
// TaskRunner: work that must not hold up the main thread (clipboard transfers, disk, SQL).
//
// Contract: jobs run one at a time, in the order given, on a thread of the runner's own. The
// function a job answers (its result, ready to be handed over) then runs on the main thread;
// it may be empty. A job may block on another process or the disk, but must end on its own.
// Destroying the runner drops the jobs not started, waits for the running one and drops the
// answers not yet delivered. `run` is called on the main thread. Owns nothing the caller must release.

#include <functional>

namespace mendrake {

class TaskRunner {
public:
    using Job = std::function<std::function<void()>()>;

    virtual ~TaskRunner() = default;
    virtual void run(Job job) = 0;
};

}  // namespace mendrake
