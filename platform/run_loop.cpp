// Run loop: ppoll over an eventfd (cross-thread wake-ups) and the watched descriptors, with
// timers and posted calls kept under one mutex.
#include "platform/run_loop.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace zplatform {

struct Timer::State {
    std::atomic<bool> valid{true};
    RunLoop::Clock::time_point fireAt; // guarded by the owning loop's mutex
    bool firing = false;               // owning thread only
};

Timer::Timer(double interval, bool repeats, RunDepth depth, std::function<void(Timer&)> fn)
    : interval_(interval), repeats_(repeats), depth_(depth), fn_(std::move(fn)),
      state_(std::make_unique<State>()) {}

Timer::~Timer() = default;

void Timer::invalidate() {
    state_->valid.store(false);
}
bool Timer::isValid() const {
    return state_->valid.load();
}

namespace {

RunLoop::Clock::duration toDuration(double seconds) {
    if (!(seconds > 0)) return RunLoop::Clock::duration::zero();
    // Clamp to a century so that "forever" does not overflow the clock's representation.
    seconds = std::min(seconds, 3.0e9);
    return std::chrono::duration_cast<RunLoop::Clock::duration>(
        std::chrono::duration<double>(seconds));
}

bool callerIsInitialThread() {
    return ::syscall(SYS_gettid) == ::getpid();
}

} // namespace

struct RunLoop::Impl {
    struct Watch {
        int id;
        int fd;
        unsigned events;
        std::function<void(int, unsigned)> callback;
        bool removed = false;
    };

    struct Observer {
        std::function<void()> fn;
        bool removed = false;
    };

    int wakeFd = -1;
    std::mutex mutex;
    std::deque<std::function<void()>> posted;          // guarded by mutex
    std::deque<std::function<void()>> postedOutermost; // guarded by mutex
    std::vector<std::shared_ptr<Timer>> timers;        // guarded by mutex
    bool dead = false;                                 // guarded by mutex: owning thread has exited
    std::atomic<int> stopRequests{0};
    std::map<int, std::shared_ptr<Watch>> watches; // owning thread only
    int nextWatchId = 1;
    // Owning thread only: runs in progress, and the nested-run observers with their pace.
    int depth = 0;
    std::map<int, std::shared_ptr<Observer>> observers;
    int nextObserverId = 1;
    bool observing = false;
    Clock::time_point nextObservation{};

    Impl() {
        wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // Without a wake-up descriptor the loop cannot notice posts; that is unrecoverable.
        if (wakeFd < 0) std::terminate();
    }
    ~Impl() { ::close(wakeFd); }

    void wake() {
        uint64_t one = 1;
        // A full counter (EAGAIN) already means "awake": nothing to do on failure.
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    }
    void drainWake() {
        uint64_t value;
        while (::read(wakeFd, &value, sizeof value) > 0) {
        }
    }

    void addTimer(const std::shared_ptr<Timer>& timer) {
        {
            std::lock_guard lock(mutex);
            if (dead) {
                timer->state_->valid.store(false);
                return;
            }
            timer->state_->fireAt = Clock::now() + toDuration(timer->interval());
            timers.push_back(timer);
        }
        wake();
    }

    static bool runsAt(const Timer& timer, bool nested) {
        return !nested || timer.depth() == RunDepth::Any;
    }

    // Time until the earliest timer that could fire, dropping invalidated ones on the way.
    Clock::duration untilNextTimer(Clock::time_point now, Clock::duration limit, bool nested) {
        std::lock_guard lock(mutex);
        std::erase_if(timers, [](const auto& t) { return !t->isValid(); });
        if (!posted.empty() || (!nested && !postedOutermost.empty()))
            return Clock::duration::zero();
        for (const auto& t : timers) {
            if (t->state_->firing || !runsAt(*t, nested)) continue;
            limit = std::min(limit, std::max(Clock::duration::zero(), t->state_->fireAt - now));
        }
        return limit;
    }

    // Takes the earliest due timer that is not already firing further up the stack; reschedules
    // a repeating one past `now` (skipping missed firings) and retires a one-shot one.
    std::shared_ptr<Timer> takeDueTimer(Clock::time_point now, bool nested) {
        std::lock_guard lock(mutex);
        auto best = timers.end();
        for (auto it = timers.begin(); it != timers.end(); ++it) {
            const Timer::State& st = *(*it)->state_;
            if (!(*it)->isValid() || st.firing || st.fireAt > now || !runsAt(**it, nested))
                continue;
            if (best == timers.end() || st.fireAt < (*best)->state_->fireAt) best = it;
        }
        if (best == timers.end()) return nullptr;
        auto timer = *best;
        Timer::State& st = *timer->state_;
        if (timer->repeats() && timer->interval() > 0) {
            // At least a nanosecond, so that a vanishing interval cannot divide by zero.
            auto step = std::max(toDuration(timer->interval()), Clock::duration(1));
            auto behind = (now - st.fireAt) / step + 1;
            st.fireAt += step * behind;
        } else {
            timers.erase(best);
            st.valid.store(false);
        }
        st.firing = true;
        return timer;
    }

    bool firePosted(std::deque<std::function<void()>>& queue, size_t limit) {
        bool ran = false;
        for (size_t i = 0; i < limit; ++i) {
            std::function<void()> fn;
            {
                std::lock_guard lock(mutex);
                if (queue.empty()) break;
                fn = std::move(queue.front());
                queue.pop_front();
            }
            fn();
            ran = true;
        }
        return ran;
    }

    // Calls the observers when a frame is due; false when none was.
    bool observe(Clock::time_point now) {
        if (observing || observers.empty() || now < nextObservation) return false;
        const auto frame = toDuration(kNestedFrameSeconds);
        nextObservation = std::max(nextObservation + frame, now + frame / 2);
        observing = true;
        std::vector<std::shared_ptr<Observer>> list;
        for (auto& [id, o] : observers) list.push_back(o);
        for (auto& o : list)
            if (!o->removed) o->fn();
        observing = false;
        return true;
    }
};

struct ThreadLoop {
    std::shared_ptr<RunLoop> loop;
    ~ThreadLoop();
};

namespace {

std::shared_ptr<RunLoop>& mainSlot() {
    static std::shared_ptr<RunLoop> slot;
    return slot;
}
std::once_flag mainOnce;

// Recorded during static initialisation, which runs on the initial thread.
const std::thread::id initialThreadId = std::this_thread::get_id();

thread_local ThreadLoop threadLoop;

} // namespace

RunLoop::RunLoop(bool isMain)
    : impl_(std::make_unique<Impl>()),
      thread_(isMain ? initialThreadId : std::this_thread::get_id()), isMain_(isMain) {}

RunLoop::~RunLoop() = default;

void RunLoop::threadExited() {
    std::deque<std::function<void()>> posted, postedOutermost;
    std::vector<std::shared_ptr<Timer>> timers;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->dead = true;
        posted.swap(impl_->posted);
        postedOutermost.swap(impl_->postedOutermost);
        timers.swap(impl_->timers);
    }
    // Captured objects are released here, outside the lock.
}

ThreadLoop::~ThreadLoop() {
    // Later posts from other threads are dropped instead of piling up for nobody.
    if (loop && !loop->isMain()) loop->threadExited();
}

std::shared_ptr<RunLoop> RunLoop::mainHandle() {
    std::call_once(mainOnce, [] { mainSlot().reset(new RunLoop(true)); });
    return mainSlot();
}

RunLoop& RunLoop::main() {
    return *mainHandle();
}

bool RunLoop::isMainThread() {
    return callerIsInitialThread();
}

std::shared_ptr<RunLoop> RunLoop::currentHandle() {
    if (!threadLoop.loop) {
        if (callerIsInitialThread())
            threadLoop.loop = mainHandle();
        else
            threadLoop.loop.reset(new RunLoop(false));
    }
    return threadLoop.loop;
}

RunLoop& RunLoop::current() {
    return *currentHandle();
}

void RunLoop::post(std::function<void()> fn, RunDepth depth) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->dead) return;
        (depth == RunDepth::Any ? impl_->posted : impl_->postedOutermost).push_back(std::move(fn));
    }
    impl_->wake();
}

std::shared_ptr<Timer> RunLoop::performAfterDelay(double seconds, std::function<void()> fn,
                                                  RunDepth depth) {
    return addTimer(
        seconds, false, [fn = std::move(fn)](Timer&) { fn(); }, depth);
}

std::shared_ptr<Timer> RunLoop::addTimer(double interval, bool repeats,
                                         std::function<void(Timer&)> fn, RunDepth depth) {
    std::shared_ptr<Timer> timer(new Timer(interval, repeats, depth, std::move(fn)));
    impl_->addTimer(timer);
    return timer;
}

int RunLoop::depth() const {
    return impl_->depth;
}

RunLoop::Turn::Turn(RunLoop& loop) : loop_(loop) {
    ++loop_.impl_->depth;
}

RunLoop::Turn::~Turn() {
    --loop_.impl_->depth;
}

int RunLoop::addNestedRunObserver(std::function<void()> observer) {
    int id = impl_->nextObserverId++;
    impl_->observers[id] = std::make_shared<Impl::Observer>(Impl::Observer{std::move(observer)});
    return id;
}

void RunLoop::removeNestedRunObserver(int id) {
    auto it = impl_->observers.find(id);
    if (it == impl_->observers.end()) return;
    it->second->removed = true;
    impl_->observers.erase(it);
}

int RunLoop::watchFd(int fd, unsigned events, std::function<void(int, unsigned)> callback) {
    int id = impl_->nextWatchId++;
    impl_->watches[id] = std::make_shared<Impl::Watch>(
        Impl::Watch{id, fd, events & (kFdReadable | kFdWritable), std::move(callback)});
    return id;
}

void RunLoop::modifyWatch(int watchId, unsigned events) {
    auto it = impl_->watches.find(watchId);
    if (it != impl_->watches.end()) it->second->events = events & (kFdReadable | kFdWritable);
}

void RunLoop::unwatchFd(int watchId) {
    auto it = impl_->watches.find(watchId);
    if (it == impl_->watches.end()) return;
    it->second->removed = true;
    impl_->watches.erase(it);
}

bool RunLoop::runOnce(double maxWait) {
    Impl& im = *impl_;
    Turn turn(*this);
    const bool nested = im.depth > 1;
    const bool observed = nested && !im.observing && !im.observers.empty();
    auto now = Clock::now();
    if (observed && im.nextObservation == Clock::time_point{}) im.nextObservation = now;
    auto wait = im.untilNextTimer(now, toDuration(maxWait), nested);
    // A waiting interface thread still owes its hosts their frames.
    if (observed)
        wait = std::min(wait, std::max(Clock::duration::zero(), im.nextObservation - now));

    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Impl::Watch>> polled;
    fds.push_back({im.wakeFd, POLLIN, 0});
    for (auto& [id, w] : im.watches) {
        if (w->events == 0) continue;
        short ev = 0;
        if (w->events & kFdReadable) ev |= POLLIN;
        if (w->events & kFdWritable) ev |= POLLOUT;
        fds.push_back({w->fd, ev, 0});
        polled.push_back(w);
    }
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    int ready = ::ppoll(fds.data(), fds.size(), &ts, nullptr);
    if (ready < 0) ready = 0; // EINTR: dispatch what is due and let the caller turn again
    if (ready > 0 && (fds[0].revents & POLLIN)) im.drainWake();

    bool ran = false;
    now = Clock::now();
    while (auto timer = im.takeDueTimer(now, nested)) {
        timer->fn_(*timer);
        timer->state_->firing = false;
        ran = true;
    }
    if (ready > 0) {
        for (size_t i = 1; i < fds.size(); ++i) {
            const auto& w = polled[i - 1];
            if (fds[i].revents == 0 || w->removed) continue;
            unsigned got = 0;
            if (fds[i].revents & POLLIN) got |= kFdReadable;
            if (fds[i].revents & POLLOUT) got |= kFdWritable;
            if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) got |= kFdError;
            auto keep = w; // the callback may unwatch itself
            keep->callback(keep->fd, got);
            ran = true;
        }
    }
    size_t pending, pendingOutermost;
    {
        std::lock_guard lock(im.mutex);
        pending = im.posted.size();
        pendingOutermost = nested ? 0 : im.postedOutermost.size();
    }
    // Only what was queued before this point: a call that re-posts itself cannot starve the
    // timers and descriptors.
    ran = im.firePosted(im.posted, pending) || ran;
    ran = im.firePosted(im.postedOutermost, pendingOutermost) || ran;
    if (nested) {
        im.observe(Clock::now());
    } else {
        // The next wait starts its frames afresh.
        im.nextObservation = Clock::time_point{};
    }
    return ran;
}

void RunLoop::runUntilDate(Clock::time_point deadline) {
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) return;
        runOnce(std::chrono::duration<double>(deadline - now).count());
        if (impl_->stopRequests.load() > 0) {
            impl_->stopRequests.fetch_sub(1);
            return;
        }
    }
}

void RunLoop::runFor(double seconds) {
    runUntilDate(Clock::now() + toDuration(seconds));
}

bool RunLoop::runUntil(const std::function<bool()>& pred, double timeout) {
    auto deadline = Clock::now() + toDuration(timeout);
    while (!pred()) {
        auto now = Clock::now();
        if (now >= deadline) break;
        runOnce(std::chrono::duration<double>(deadline - now).count());
        if (impl_->stopRequests.load() > 0) {
            impl_->stopRequests.fetch_sub(1);
            break;
        }
    }
    return pred();
}

void RunLoop::run() {
    for (;;) {
        runOnce(3600.0);
        if (impl_->stopRequests.load() > 0) {
            impl_->stopRequests.fetch_sub(1);
            return;
        }
    }
}

void RunLoop::stop() {
    impl_->stopRequests.fetch_add(1);
    impl_->wake();
}

void RunLoop::wakeUp() {
    impl_->wake();
}

} // namespace zplatform
