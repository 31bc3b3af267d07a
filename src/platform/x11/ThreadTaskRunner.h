#pragma once
// A TaskRunner on one thread of its own (a QThreadPool of one), answering through the main
// thread's event loop.

#include "platform/TaskRunner.h"

#include <QObject>
#include <QThreadPool>

namespace mendrake {

class ThreadTaskRunner final : public TaskRunner {
public:
    ThreadTaskRunner();
    ~ThreadTaskRunner() override;

    void run(Job job) override;

private:
    QObject context_;  // lives on the main thread; answers queued to it die with it
    QThreadPool pool_;
};

}  // namespace mendrake
