#include "platform/x11/ThreadTaskRunner.h"

namespace mendrake {

ThreadTaskRunner::ThreadTaskRunner() {
    pool_.setMaxThreadCount(1);
    // A thread that idles is kept, so that a burst of copies does not start one thread each.
    pool_.setExpiryTimeout(60000);
}

ThreadTaskRunner::~ThreadTaskRunner() {
    pool_.clear();
    pool_.waitForDone();
}

void ThreadTaskRunner::run(Job job) {
    // The destructor waits for the running job before the context goes, and an answer queued to
    // a context that is gone is never delivered.
    QObject* context = &context_;
    pool_.start([job = std::move(job), context] {
        std::function<void()> answer = job();
        if (answer) QMetaObject::invokeMethod(context, std::move(answer), Qt::QueuedConnection);
    });
}

}  // namespace mendrake
