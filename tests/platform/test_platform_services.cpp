// Interface-thread services: work held back from nested runs, the nested-run observers, the
// request lock taken twice by one thread, and the application object's answers (push
// registration, memory warning) through the run loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/app_services.h"
#include "platform/request_mutex.h"
#include "platform/run_loop.h"

using zplatform::RunDepth;
using zplatform::RunLoop;

namespace {

constexpr double kGenerous = 10.0;

// Runs `fn` from inside a posted call, as a handler of the interface would, and waits for it.
void fromOutermost(RunLoop& loop, const std::function<void()>& fn) {
    bool done = false;
    loop.post([&] {
        fn();
        done = true;
    });
    ASSERT_TRUE(loop.runUntil([&] { return done; }, kGenerous));
}

} // namespace

TEST(RunLoopDepth, OutermostWorkWaitsForTheEndOfANestedWaitAnyDepthWorkDoesNot) {
    RunLoop& loop = RunLoop::current();
    std::vector<std::string> order;
    int frames = 0, framesOutside = 0;
    int observer = loop.addNestedRunObserver([&] { ++frames; });
    loop.runFor(0.05); // an outermost run: no frames
    framesOutside = frames;
    fromOutermost(loop, [&] {
        EXPECT_EQ(loop.depth(), 1);
        loop.post([&] { order.push_back("deferred"); }, RunDepth::Outermost);
        loop.performAfterDelay(
            0.01, [&] { order.push_back("deferred timer"); }, RunDepth::Outermost);
        loop.performAfterDelay(0.01, [&] { order.push_back("network"); });
        // A synchronous wait in 0.2-second slices, as requests wait.
        loop.runUntil([] { return false; }, 0.2);
        order.push_back("wait over");
    });
    loop.runFor(0.05);
    loop.removeNestedRunObserver(observer);
    EXPECT_EQ(framesOutside, 0);
    // About 12 frames in 0.2 s at 60 per second; a busy machine may give fewer.
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, 16);
    EXPECT_EQ(order,
              (std::vector<std::string>{"network", "wait over", "deferred timer", "deferred"}));
}

TEST(RunLoopDepth, AHostTurnMakesAWaitInsideItsHandlerNested) {
    RunLoop& loop = RunLoop::current();
    bool deferredRan = false;
    int frames = 0;
    int observer = loop.addNestedRunObserver([&] { ++frames; });
    {
        RunLoop::Turn turn(loop); // a host dispatching a touch
        loop.post([&] { deferredRan = true; }, RunDepth::Outermost);
        EXPECT_FALSE(loop.isNested());
        loop.runFor(0.1);
        EXPECT_FALSE(deferredRan);
    }
    EXPECT_GT(frames, 0);
    EXPECT_TRUE(loop.runUntil([&] { return deferredRan; }, kGenerous));
    loop.removeNestedRunObserver(observer);
}

// Debug builds stop at the second lock; release builds log it and keep the outer hold.
#ifndef NDEBUG
TEST(RequestMutexDeathTest, SecondLockOnTheSameThreadAsserts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            zplatform::RequestMutex m;
            m.lock();
            m.lock();
        },
        "taken twice");
}
#else
TEST(RequestMutex, SecondLockOnTheSameThreadIsCaughtAndTheOuterHoldKept) {
    zplatform::RequestMutex m;
    m.lock();
    m.lock(); // would hang with a plain mutex
    EXPECT_EQ(m.nestedHolds(), 1);
    m.unlock(); // the inner hold only
    EXPECT_TRUE(m.heldByCurrentThread());
    std::atomic<bool> other{false};
    std::thread t([&] {
        m.lock();
        other = true;
        m.unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(other.load());
    m.unlock();
    t.join();
    EXPECT_TRUE(other.load());
}
#endif

TEST(RequestMutex, AnotherThreadWaitsForTheHolder) {
    zplatform::RequestMutex m;
    std::atomic<int> step{0};
    m.lock();
    std::thread t([&] {
        step = 1;
        m.lock();
        step = 2;
        EXPECT_TRUE(m.heldByCurrentThread());
        m.unlock();
    });
    while (step.load() == 0) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(step.load(), 1);
    m.unlock();
    t.join();
    EXPECT_EQ(step.load(), 2);
    EXPECT_FALSE(m.heldByCurrentThread());
    m.unlock(); // not held: ignored, and the lock still works
    m.lock();
    m.unlock();
}

namespace {

struct RecordingDelegate : zplatform::ApplicationDelegate {
    std::vector<std::string> calls;
    void didRegisterForRemoteNotificationsWithDeviceToken(const std::string& token) override {
        calls.push_back("token " + token);
    }
    void didFailToRegisterForRemoteNotificationsWithError(const std::string&) override {
        calls.push_back("failed");
    }
    void applicationDidReceiveMemoryWarning() override { calls.push_back("memory"); }
};

} // namespace

TEST(ApplicationServices, PushRegistrationAnswersThroughTheRunLoopEvenInsideAWait) {
    RunLoop& loop = RunLoop::main();
    zplatform::ApplicationServices services;
    RecordingDelegate delegate;
    services.setDelegate(&delegate);
    fromOutermost(loop, [&] {
        services.registerForRemoteNotificationTypes(zplatform::kRemoteNotificationTypeAlert);
        EXPECT_TRUE(delegate.calls.empty()); // never inside the call
        // The launch waits for the answer in a nested run, in 0.5-second slices.
        EXPECT_TRUE(loop.runUntil([&] { return !delegate.calls.empty(); }, 0.5));
    });
    EXPECT_EQ(services.registeredNotificationTypes(), 4u);
    services.setRemoteNotificationToken(std::string("\x01\xab", 2));
    services.registerForRemoteNotificationTypes(zplatform::kRemoteNotificationTypeAlert);
    ASSERT_TRUE(loop.runUntil([&] { return delegate.calls.size() == 2; }, kGenerous));
    EXPECT_EQ(delegate.calls,
              (std::vector<std::string>{"failed", std::string("token \x01\xab", 8)}));

    // A memory warning never reaches a handler that is waiting.
    delegate.calls.clear();
    fromOutermost(loop, [&] {
        services.simulateMemoryWarning();
        loop.runFor(0.05);
        EXPECT_TRUE(delegate.calls.empty());
    });
    loop.runOnce(0);
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"memory"});

    // Nobody to tell once the delegate left.
    services.setDelegate(nullptr);
    services.simulateMemoryWarning();
    loop.runFor(0.02);
    EXPECT_EQ(delegate.calls.size(), 1u);
}
