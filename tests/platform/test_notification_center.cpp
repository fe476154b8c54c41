// Notification centre: matching by name and object, removal and addition during delivery.
#include "platform/notification_center.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using zplatform::Notification;
using zplatform::NotificationCenter;

namespace {
int delegateA, delegateB; // stand-ins for sender objects; only their addresses matter
}

TEST(NotificationDelivery, MatchesByNameAndObject) {
    NotificationCenter center;
    std::vector<std::string> log;
    int observer;
    center.addObserver(&observer, "returnToSendEvent",
                       [&](const Notification& n) { log.push_back("event:" + n.name); });
    center.addObserver(
        &observer, "CloseApplication", [&](const Notification&) { log.push_back("close-A"); },
        &delegateA);
    center.addObserver(&observer, "",
                       [&](const Notification& n) { log.push_back("all:" + n.name); });

    center.postNotification("returnToSendEvent", &delegateA);
    center.postNotification("CloseApplication", &delegateB); // object filter rejects
    center.postNotification("CloseApplication", &delegateA);
    EXPECT_EQ(
        log, (std::vector<std::string>{"event:returnToSendEvent", "all:returnToSendEvent",
                                       "all:CloseApplication", "close-A", "all:CloseApplication"}));
}

TEST(NotificationDelivery, CarriesTheObjectAndRunsOnThePostingThread) {
    NotificationCenter center;
    const void* got = nullptr;
    std::thread::id ranOn;
    int observer;
    center.addObserver(&observer, "returnToSendEvent", [&](const Notification& n) {
        got = n.object;
        ranOn = std::this_thread::get_id();
    });
    std::thread::id poster;
    std::thread([&] {
        poster = std::this_thread::get_id();
        center.postNotification("returnToSendEvent", &delegateB);
    }).join();
    EXPECT_EQ(got, &delegateB);
    EXPECT_EQ(ranOn, poster);
}

TEST(NotificationRemoval, ByTargetByNameAndById) {
    NotificationCenter center;
    int a, b;
    int countA = 0, countB = 0;
    center.addObserver(&a, "x", [&](const Notification&) { ++countA; });
    center.addObserver(&a, "y", [&](const Notification&) { ++countA; });
    auto idB = center.addObserver(&b, "x", [&](const Notification&) { ++countB; });
    center.removeObserver(&a, "x");
    center.postNotification("x");
    center.postNotification("y");
    EXPECT_EQ(countA, 1);
    EXPECT_EQ(countB, 1);
    center.removeObserver(idB);
    center.removeObserver(&a);
    center.postNotification("x");
    center.postNotification("y");
    EXPECT_EQ(countA, 1);
    EXPECT_EQ(countB, 1);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationRemoval, ObserverRemovedDuringDeliveryIsNotCalled) {
    NotificationCenter center;
    int first, second;
    int secondCalls = 0;
    center.addObserver(&first, "n", [&](const Notification&) { center.removeObserver(&second); });
    center.addObserver(&second, "n", [&](const Notification&) { ++secondCalls; });
    center.postNotification("n");
    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationRemoval, SelfRemovalMakesTheNoticeOneShot) {
    // The request client's completion: the delegate stops observing once notified.
    NotificationCenter center;
    int delegate;
    int calls = 0;
    center.addObserver(&delegate, "CloseApplication", [&](const Notification& n) {
        ++calls;
        center.removeObserver(&delegate, n.name);
    });
    center.postNotification("CloseApplication");
    center.postNotification("CloseApplication");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationRemoval, ObserverAddedDuringDeliveryWaitsForTheNextPost) {
    NotificationCenter center;
    int a, b;
    int lateCalls = 0;
    bool added = false;
    center.addObserver(&a, "n", [&](const Notification&) {
        if (added) return;
        added = true;
        center.addObserver(&b, "n", [&](const Notification&) { ++lateCalls; });
    });
    center.postNotification("n");
    EXPECT_EQ(lateCalls, 0);
    center.postNotification("n");
    EXPECT_EQ(lateCalls, 1);
}

TEST(NotificationRemoval, ConcurrentPostsAndRemovalsAreSafe) {
    NotificationCenter center;
    std::atomic<int> calls{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            int target;
            for (int i = 0; i < 500; ++i) {
                center.addObserver(&target, "n", [&](const Notification&) { ++calls; });
                center.postNotification("n");
                center.removeObserver(&target);
            }
            (void)t;
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(center.observerCount(), 0u);
    EXPECT_GE(calls.load(), 2000); // each thread's own observer saw at least its own post
}
