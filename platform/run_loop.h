// Run loop: one per thread, turning timers, delayed calls, calls posted from other threads and
// file-descriptor watches.
//
// Threads: every RunLoop belongs to one thread and only that thread runs it (run*, addTimer's
// callbacks, fd callbacks, posted calls all execute there). post(), performAfterDelay(),
// wakeUp(), stop() and Timer::invalidate() may be called from any thread. The loop of the
// process's initial thread is the interface thread's loop: RunLoop::main().
//
// Re-entrancy: a callback may itself run the loop (a synchronous request waiting in 0.2-second
// slices from inside a posted call); the nested run keeps dispatching everything except a
// timer whose callback is still on the stack, and work posted with RunDepth::Outermost.
//
// Depth: every run in progress (a runOnce, and a host's Turn around the input and interface
// time it dispatches itself) counts one level. Code at depth 1 runs from the outermost loop;
// a run started from deeper is nested: a synchronous wait inside a touch handler or a posted
// call. While a nested run turns, its nested-run observers are called at frame rate, so that
// hosts keep drawing and animating while the interface thread waits; work that must not run
// under a waiting handler (deferred interface work, anything taking the request lock) is posted
// with RunDepth::Outermost.
//
// Driving an external multiplexer (curl multi): watch its descriptors with watchFd() and drive
// its own time-outs with a one-shot Timer; both callbacks run on the owning thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace zplatform {

class RunLoop;

// Where posted work and timers may run: from any run of the loop (network callbacks, which a
// synchronous wait needs), or only from the outermost one.
enum class RunDepth { Any, Outermost };

// A timer scheduled on one run loop. Keep the shared_ptr to invalidate it later; the loop holds
// its own reference while the timer is valid, so dropping yours does not cancel it.
class Timer {
  public:
    // Stops future firings; thread-safe; a firing already under way completes.
    void invalidate();
    bool isValid() const;
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    RunDepth depth() const { return depth_; }

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

  private:
    friend class RunLoop;
    struct State;
    Timer(double interval, bool repeats, RunDepth depth, std::function<void(Timer&)> fn);
    double interval_;
    bool repeats_;
    RunDepth depth_;
    std::function<void(Timer&)> fn_;
    std::unique_ptr<State> state_;
};

// Bit flags for watchFd's interest and the callback's reported events.
enum FdEvent : unsigned {
    kFdReadable = 1u,
    kFdWritable = 2u,
    kFdError = 4u, // reported only: error or hang-up on the descriptor
};

class RunLoop {
  public:
    using Clock = std::chrono::steady_clock;

    // The calling thread's loop, created on first use and destroyed when the thread exits.
    static RunLoop& current();
    // Same loop as current(), as a shared handle that stays safe to post to after the thread
    // has exited (such posts are then dropped).
    static std::shared_ptr<RunLoop> currentHandle();
    // The interface thread's loop (the process's initial thread); callable from any thread.
    static RunLoop& main();
    static std::shared_ptr<RunLoop> mainHandle();
    // True when the caller runs on the interface thread.
    static bool isMainThread();

    bool isMain() const { return isMain_; }
    std::thread::id threadId() const { return thread_; }

    // Queues fn to run on this loop's thread, in posting order (per depth). Thread-safe; wakes
    // the loop.
    void post(std::function<void()> fn, RunDepth depth = RunDepth::Any);
    // Calls fn on this loop's thread once `seconds` have passed. Thread-safe.
    std::shared_ptr<Timer> performAfterDelay(double seconds, std::function<void()> fn,
                                             RunDepth depth = RunDepth::Any);
    // Schedules a timer whose first firing is `interval` seconds from now; a repeating timer
    // keeps its phase (missed firings are skipped, not queued). Thread-safe.
    std::shared_ptr<Timer> addTimer(double interval, bool repeats, std::function<void(Timer&)> fn,
                                    RunDepth depth = RunDepth::Any);

    // --- Depth (owning thread only) ---
    // Runs in progress on this loop, Turns included; 0 outside any.
    int depth() const;
    // True inside a nested run: code called from here runs under a caller that is waiting.
    bool isNested() const { return depth() > 1; }
    // Counts as one run of the loop for as long as it lives: a host wraps the input and the
    // interface time it dispatches itself in a Turn, so that a synchronous wait started by a
    // handler is a nested run. Owning thread only.
    class Turn {
      public:
        explicit Turn(RunLoop& loop);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

      private:
        RunLoop& loop_;
    };

    // Nested-run observers: called on the owning thread about every kNestedFrameSeconds while a
    // nested run turns (never re-entered, never from the outermost run), after the work of the
    // iteration. They draw and animate; they must not run the loop nor deliver input. Returns
    // an id (> 0) for removeNestedRunObserver, which may be called from inside an observer.
    static constexpr double kNestedFrameSeconds = 1.0 / 60;
    int addNestedRunObserver(std::function<void()> observer);
    void removeNestedRunObserver(int id);

    // Watches fd for `events` (kFdReadable | kFdWritable); the callback receives the events that
    // occurred. Returns a watch id (> 0). Owning thread only, including from inside callbacks.
    // Readiness may be stale when a nested run already consumed it: use non-blocking descriptors.
    // kFdError repeats every iteration until the watch is removed or the descriptor recovers.
    int watchFd(int fd, unsigned events, std::function<void(int fd, unsigned events)> callback);
    // Changes the interest of a watch; events == 0 keeps the watch but suspends it.
    void modifyWatch(int watchId, unsigned events);
    // Removes a watch; its callback is not called again, even later in the same iteration.
    void unwatchFd(int watchId);

    // Runs one iteration: waits at most `maxWait` seconds for something to do, then dispatches
    // every due timer, ready descriptor and posted call (in a nested run: those of
    // RunDepth::Any only). Returns true if anything ran.
    bool runOnce(double maxWait);
    // Turns the loop until `seconds` have passed (or stop() was called); always returns.
    void runFor(double seconds);
    void runUntilDate(Clock::time_point deadline);
    // Turns the loop until pred() is true (checked after each iteration) or `timeout` seconds
    // have passed. Returns pred()'s final value, so a completion in the last slice counts.
    bool runUntil(const std::function<bool()>& pred, double timeout);
    // Turns the loop until stop().
    void run();
    // Makes the innermost run* call of this loop return after its current iteration; when no
    // run is in progress, the next one returns after one iteration. Thread-safe.
    void stop();
    // Interrupts a wait in progress. Thread-safe.
    void wakeUp();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;
    ~RunLoop();

    struct Impl;

  private:
    friend class Timer;
    RunLoop(bool isMain);
    friend struct ThreadLoop;
    void threadExited();
    std::unique_ptr<Impl> impl_;
    std::thread::id thread_;
    bool isMain_;
};

} // namespace zplatform
