#include "prefs/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

namespace mendrake {
namespace {

TEST(NotificationCenter, DeliversByNameInOrderSkippingObserversRemovedMidDelivery) {
    NotificationCenter center;
    std::vector<int> calls;
    NotificationCenter::Token third = 0;
    const auto first = center.addObserver("A", [&] {
        calls.push_back(1);
        center.removeObserver(third);
    });
    center.addObserver("B", [&] { calls.push_back(2); });
    center.addObserver("A", [&] { calls.push_back(3); });
    third = center.addObserver("A", [&] { calls.push_back(4); });
    center.post("A");
    center.post("C");
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));

    center.removeObserver(first);
    center.removeObserver(first);  // twice is harmless
    center.post("A");
    EXPECT_EQ(calls, (std::vector<int>{1, 3, 3}));
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
