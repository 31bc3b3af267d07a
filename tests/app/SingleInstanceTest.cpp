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

TEST(SingleInstance, SecondLaunchReachesTheRunningOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mendrake.socket");
    SingleInstance running(path);
    int reopens = 0;
    ASSERT_TRUE(running.listen([&] { ++reopens; }));

    SingleInstance second(path);
    EXPECT_TRUE(notifyWhileServing(second));
    EXPECT_TRUE(notifyWhileServing(second));
    EXPECT_EQ(reopens, 2);
}

TEST(SingleInstance, NobodyRunningMeansNoAnswer) {
    QTemporaryDir dir;
    SingleInstance lone(dir.filePath("mendrake.socket"));
    EXPECT_FALSE(lone.notifyRunningInstance(200));
}

TEST(SingleInstance, SocketLeftByACrashedProcessIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mendrake.socket");
    {
        QFile leftover(path);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    SingleInstance fresh(path);
    EXPECT_FALSE(fresh.notifyRunningInstance(200));
    int reopens = 0;
    ASSERT_TRUE(fresh.listen([&] { ++reopens; }));
    EXPECT_TRUE(notifyWhileServing(SingleInstance(path)));
    EXPECT_EQ(reopens, 1);
}

}  // namespace
}  // namespace mendrake
