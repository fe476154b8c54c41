// The interface clock and its timers.
#include "platform/ui/clock.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
// A repeating timer fires at most this often, so an interval of 0 cannot stall advanceTo().
constexpr double kMinimumRepeatInterval = 1e-4;
} // namespace

std::shared_ptr<UiTimer> Clock::scheduledTimer(double interval, bool repeats,
                                               std::function<void(UiTimer&)> fn) {
    return schedule(interval, repeats, false, std::move(fn));
}

std::shared_ptr<UiTimer> Clock::scheduledAnimationTimer(double interval, bool repeats,
                                                        std::function<void(UiTimer&)> fn) {
    return schedule(interval, repeats, true, std::move(fn));
}

std::shared_ptr<UiTimer> Clock::schedule(double interval, bool repeats, bool animation,
                                         std::function<void(UiTimer&)> fn) {
    auto timer = std::make_shared<UiTimer>();
    timer->interval_ = std::max(interval, repeats ? kMinimumRepeatInterval : 0.0);
    timer->repeats_ = repeats;
    timer->animation_ = animation;
    timer->fn_ = std::move(fn);
    queue_.emplace(std::make_pair(now_ + timer->interval_, sequence_++), timer);
    return timer;
}

void Clock::advanceTo(double time) {
    advance(time, false);
}

void Clock::advanceAnimationTimersTo(double time) {
    advance(time, true);
}

void Clock::advance(double time, bool animationOnly) {
    // Interface timers overdue before this advance were held during a wait: a repeating one
    // fires once for all its missed turns, as a late timer of the run loop does.
    const double start = now_;
    for (;;) {
        auto first = queue_.begin();
        // Interface timers held back by an animation-only advance keep their place.
        while (animationOnly && first != queue_.end() && first->first.first <= time &&
               first->second->valid_ && !first->second->animation_)
            ++first;
        if (first == queue_.end()) break;
        double at = first->first.first;
        if (at > time) break;
        std::shared_ptr<UiTimer> timer = first->second;
        queue_.erase(first);
        if (!timer->valid_) continue;
        now_ = std::max(now_, at);
        if (timer->repeats_) {
            double next = at + timer->interval_;
            if (next <= start)
                next = at + timer->interval_ * (std::floor((start - at) / timer->interval_) + 1);
            queue_.emplace(std::make_pair(next, sequence_++), timer);
        }
        else
            timer->valid_ = false; // a one-shot timer is spent once it fires
        // The callback may invalidate or schedule timers; keep the function alive meanwhile.
        auto fn = timer->fn_;
        if (fn) fn(*timer);
    }
    now_ = std::max(now_, time);
}

double Clock::nextFireTime() const {
    for (const auto& [key, timer] : queue_)
        if (timer->valid_) return key.first;
    return -1;
}

} // namespace ui
