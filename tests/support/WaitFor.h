#pragma once
// Waiting in tests that drive a real display server: poll a condition while Qt handles events.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace mendrake::test {

inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Lets events arrive for a while, for checks that something did not happen (or happened once).
inline void settle(int milliseconds = 300) { waitFor([] { return false; }, milliseconds); }

}  // namespace mendrake::test
