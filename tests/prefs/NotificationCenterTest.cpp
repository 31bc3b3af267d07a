#include "prefs/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

namespace mendrake {
namespace {

TEST(NotificationCenter, DeliversByNameInOrderBeforePostReturns) {
    NotificationCenter center;
    std::vector<int> calls;
    center.addObserver("A", [&] { calls.push_back(1); });
    center.addObserver("B", [&] { calls.push_back(2); });
    center.addObserver("A", [&] { calls.push_back(3); });
    center.post("A");
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
    center.post("C");
    EXPECT_EQ(calls.size(), 2u);
}

TEST(NotificationCenter, RemovedObserversAreNotCalledEvenMidDelivery) {
    NotificationCenter center;
    int first = 0, second = 0;
    NotificationCenter::Token secondToken = 0;
    const auto firstToken = center.addObserver("A", [&] {
        ++first;
        center.removeObserver(secondToken);
    });
    secondToken = center.addObserver("A", [&] { ++second; });
    EXPECT_NE(firstToken, 0u);
    center.post("A");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);

    center.removeObserver(firstToken);
    center.removeObserver(firstToken);  // twice is harmless
    center.post("A");
    EXPECT_EQ(first, 1);
}

TEST(NotificationCenter, APostFromAnotherThreadIsDeliveredOnTheMainThread) {
    NotificationCenter center;
    QThread* deliveredOn = nullptr;
    center.addObserver("A", [&] { deliveredOn = QThread::currentThread(); });
    std::unique_ptr<QThread> worker(QThread::create([&] { center.post("A"); }));
    worker->start();
    worker->wait();
    EXPECT_EQ(deliveredOn, nullptr) << "not before the main loop runs";
    QCoreApplication::processEvents();
    EXPECT_EQ(deliveredOn, QThread::currentThread());
}

}  // namespace
}  // namespace mendrake
