// Run loop: timers and delayed calls, posts from other threads, fd watches, nesting, stop.
#include "platform/run_loop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using zplatform::RunLoop;
using zplatform::Timer;

namespace {
constexpr double kGenerous = 10.0; // upper bound for waits that should end far sooner
}

TEST(RunLoopTimers, DelayedCallsFireInDateOrderNotSchedulingOrder) {
    RunLoop& loop = RunLoop::current();
    std::vector<int> order;
    loop.performAfterDelay(0.06, [&] { order.push_back(3); });
    loop.performAfterDelay(0.02, [&] { order.push_back(1); });
    loop.performAfterDelay(0.04, [&] { order.push_back(2); });
    loop.performAfterDelay(0.0, [&] { order.push_back(0); });
    ASSERT_TRUE(loop.runUntil([&] { return order.size() == 4; }, kGenerous));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(RunLoopTimers, TimersAllOverdueAtOnceStillFireInDateOrder) {
    RunLoop& loop = RunLoop::current();
    std::vector<int> order;
    loop.performAfterDelay(0.03, [&] { order.push_back(3); });
    loop.performAfterDelay(0.01, [&] { order.push_back(1); });
    loop.performAfterDelay(0.02, [&] { order.push_back(2); });
    std::this_thread::sleep_for(std::chrono::milliseconds(60)); // a busy interface thread
    ASSERT_TRUE(loop.runOnce(0));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(RunLoopTimers, RepeatingTimerFiresUntilInvalidatedFromItsCallback) {
    RunLoop& loop = RunLoop::current();
    int fired = 0;
    auto timer = loop.addTimer(0.005, true, [&](Timer& t) {
        if (++fired == 3) t.invalidate();
    });
    ASSERT_TRUE(loop.runUntil([&] { return !timer->isValid(); }, kGenerous));
    loop.runFor(0.03);
    EXPECT_EQ(fired, 3);
}

TEST(RunLoopTimers, VanishingIntervalRepeatsWithoutFault) {
    RunLoop& loop = RunLoop::current();
    int fired = 0;
    auto timer = loop.addTimer(1e-12, true, [&](Timer& t) {
        if (++fired == 5) t.invalidate();
    });
    EXPECT_TRUE(loop.runUntil([&] { return fired == 5; }, kGenerous));
}

TEST(RunLoopTimers, InvalidatedTimerNeverFiresAndOneShotEndsInvalid) {
    RunLoop& loop = RunLoop::current();
    bool cancelled = false, once = false;
    auto t1 = loop.performAfterDelay(0.01, [&] { cancelled = true; });
    auto t2 = loop.performAfterDelay(0.01, [&] { once = true; });
    t1->invalidate();
    loop.runUntil([&] { return once; }, kGenerous);
    loop.runFor(0.02);
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(once);
    EXPECT_FALSE(t2->isValid());
}

TEST(RunLoopTimers, TimerAddedFromAnotherThreadFiresOnTheLoopThread) {
    auto loop = RunLoop::currentHandle();
    std::thread::id firedOn;
    std::thread([&] {
        loop->performAfterDelay(0.01, [&] { firedOn = std::this_thread::get_id(); });
    }).join();
    ASSERT_TRUE(loop->runUntil([&] { return firedOn != std::thread::id(); }, kGenerous));
    EXPECT_EQ(firedOn, std::this_thread::get_id());
}

TEST(RunLoopPost, CallsFromManyThreadsRunOnTargetLoopInPerThreadOrder) {
    auto loop = RunLoop::currentHandle();
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> wrongThread{0};
    int total = 0;
    const auto self = std::this_thread::get_id();
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                loop->post([&, t, i] {
                    if (std::this_thread::get_id() != self) ++wrongThread;
                    seen[t].push_back(i);
                    ++total;
                });
            }
        });
    }
    ASSERT_TRUE(loop->runUntil([&] { return total == kThreads * kEach; }, kGenerous));
    for (auto& w : workers) w.join();
    EXPECT_EQ(wrongThread.load(), 0);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), size_t(kEach));
        for (int i = 0; i < kEach; ++i) ASSERT_EQ(list[i], i);
    }
}

TEST(RunLoopPost, MainLoopIsTheInitialThreadsLoop) {
    EXPECT_TRUE(RunLoop::isMainThread());
    EXPECT_EQ(&RunLoop::main(), &RunLoop::current());
    EXPECT_TRUE(RunLoop::current().isMain());
    bool workerIsMain = true;
    RunLoop* workerMain = nullptr;
    RunLoop* workerCurrent = nullptr;
    std::thread([&] {
        workerIsMain = RunLoop::isMainThread();
        workerMain = &RunLoop::main();
        workerCurrent = &RunLoop::current();
        // A worker hands work to the interface thread.
        RunLoop::main().post([] {});
    }).join();
    EXPECT_FALSE(workerIsMain);
    EXPECT_EQ(workerMain, &RunLoop::main());
    EXPECT_NE(workerCurrent, &RunLoop::main());
    RunLoop::main().runFor(0.0);
}

TEST(RunLoopPost, PostsToAnExitedThreadsLoopAreDroppedAndReleased) {
    std::shared_ptr<RunLoop> handle;
    std::thread([&] { handle = RunLoop::currentHandle(); }).join();
    auto token = std::make_shared<int>(1);
    handle->post([token] {});
    auto timer = handle->performAfterDelay(0.01, [token] {});
    EXPECT_FALSE(timer->isValid());
    timer.reset();
    EXPECT_EQ(token.use_count(), 1); // nothing holds the captures of undeliverable calls
}

TEST(RunLoopRun, RunForReturnsWithNothingToDoAndAfterItsTime) {
    RunLoop& loop = RunLoop::current();
    auto start = RunLoop::Clock::now();
    loop.runFor(0.05);
    auto elapsed = std::chrono::duration<double>(RunLoop::Clock::now() - start).count();
    EXPECT_GE(elapsed, 0.05);
    EXPECT_LT(elapsed, kGenerous);
}

TEST(RunLoopRun, StopFromAnotherThreadEndsRun) {
    auto loop = RunLoop::currentHandle();
    bool timedOut = false;
    auto guard = loop->performAfterDelay(kGenerous, [&] {
        timedOut = true;
        loop->stop();
    });
    std::thread worker([&] { loop->stop(); });
    loop->run();
    worker.join();
    guard->invalidate();
    EXPECT_FALSE(timedOut);
}

TEST(RunLoopRun, NestedWaitInsidePostedCallRunsTheCallsQueuedAfterIt) {
    RunLoop& loop = RunLoop::current();
    bool flag = false, nestedSawFlag = false, outerDone = false;
    loop.post([&] {
        // A synchronous wait from inside a posted call, as requests do on the interface thread.
        nestedSawFlag = loop.runUntil([&] { return flag; }, kGenerous);
        outerDone = true;
    });
    loop.post([&] { flag = true; });
    ASSERT_TRUE(loop.runUntil([&] { return outerDone; }, kGenerous));
    EXPECT_TRUE(nestedSawFlag);
}

TEST(RunLoopRun, RepeatingTimerIsNotReenteredByANestedRun) {
    RunLoop& loop = RunLoop::current();
    int depth = 0, maxDepth = 0, fired = 0;
    auto timer = loop.addTimer(0.001, true, [&](Timer&) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++fired;
        loop.runFor(0.01);
        --depth;
    });
    loop.runUntil([&] { return fired >= 3; }, kGenerous);
    timer->invalidate();
    EXPECT_GE(fired, 3);
    EXPECT_EQ(maxDepth, 1);
}

TEST(RunLoopFd, ReadableDescriptorCallsBackOnLoopThreadAndUnwatchStopsIt) {
    RunLoop& loop = RunLoop::current();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string got;
    int calls = 0;
    int id = 0;
    id = loop.watchFd(fds[0], zplatform::kFdReadable, [&](int fd, unsigned events) {
        ++calls;
        ASSERT_TRUE(events & zplatform::kFdReadable);
        char buf[16];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, size_t(n));
        if (got == "ping") loop.unwatchFd(id);
    });
    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "ping", 4), 4); });
    ASSERT_TRUE(loop.runUntil([&] { return got == "ping"; }, kGenerous));
    writer.join();
    int before = calls;
    ASSERT_EQ(::write(fds[1], "more", 4), 4);
    loop.runFor(0.02);
    EXPECT_EQ(calls, before);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(RunLoopFd, SuspendedWatchIsSilentUntilResumed) {
    RunLoop& loop = RunLoop::current();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int calls = 0;
    int id = loop.watchFd(fds[0], zplatform::kFdReadable, [&](int fd, unsigned) {
        char c;
        if (::read(fd, &c, 1) == 1) ++calls;
    });
    loop.modifyWatch(id, 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    loop.runFor(0.02);
    EXPECT_EQ(calls, 0);
    loop.modifyWatch(id, zplatform::kFdReadable);
    EXPECT_TRUE(loop.runUntil([&] { return calls == 1; }, kGenerous));
    loop.unwatchFd(id);
    ::close(fds[0]);
    ::close(fds[1]);
}
