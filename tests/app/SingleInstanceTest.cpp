#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace mendrake {
namespace {

// Runs the client half on its own thread (it blocks) while this thread serves events.
bool notifyWhileServing(const SingleInstance& client) {
    std::atomic<int> result{-1};
    std::thread thread([&] { result = client.notifyRunningInstance(2000) ? 1 : 0; });
    QElapsedTimer timer;
    timer.start();
    while (result < 0 && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread.join();
    return result == 1;
}

// Nobody answers on a socket file a crashed process left; the next instance replaces it, and every
// later launch reaches that one.
TEST(SingleInstance, SocketLeftByACrashedProcessIsReplacedAndLaterLaunchesReachTheRunningOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mendrake.socket");
    {
        QFile leftover(path);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    SingleInstance running(path);
    EXPECT_FALSE(running.notifyRunningInstance(200));
    int reopens = 0;
    ASSERT_TRUE(running.listen([&] { ++reopens; }));

    SingleInstance second(path);
    EXPECT_TRUE(notifyWhileServing(second));
    EXPECT_TRUE(notifyWhileServing(second));
    EXPECT_EQ(reopens, 2);
}

}  // namespace
}  // namespace mendrake
