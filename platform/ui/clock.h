// The toolkit's clock: animations and interface timers run on it. In the window it follows
// wall time (the host advances it each frame); in tests the driver advances it, so a test can
// run 2.5 seconds of interface in no time and deterministically.
//
// Two kinds of timers: interface timers (`NSTimer`: application work, which may block or take
// the request lock) and animation timers (a spinner's turn, an image sequence: drawing only).
// While the interface thread waits for a synchronous request the host advances the clock with
// advanceAnimationTimersTo(): only animation timers fire; the interface timers that came due
// fire at the next advanceTo(), from the outermost loop, a repeating one once for all the turns
// it missed.
//
// Threads: interface thread only (post to RunLoop::main() from other threads).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace ui {

class Clock;

// A timer on a Clock (`NSTimer` of the interface). invalidate() stops it; dropping the handle
// does not.
class UiTimer {
  public:
    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_; }
    double interval() const { return interval_; }
    bool isAnimationTimer() const { return animation_; }

  private:
    friend class Clock;
    double interval_ = 0;
    bool repeats_ = false;
    bool valid_ = true;
    bool animation_ = false;
    std::function<void(UiTimer&)> fn_;
};

class Clock {
  public:
    double now() const { return now_; }

    // Fires fn after `interval` seconds, then every `interval` when repeating.
    std::shared_ptr<UiTimer> scheduledTimer(double interval, bool repeats,
                                            std::function<void(UiTimer&)> fn);
    // The same for drawing only: fn must not call back into application work.
    std::shared_ptr<UiTimer> scheduledAnimationTimer(double interval, bool repeats,
                                                     std::function<void(UiTimer&)> fn);
    // Runs every due timer in time order up to `time` (each sees now() at its own fire time),
    // then sets now() to `time`. Time never goes back.
    void advanceTo(double time);
    void advanceBy(double seconds) { advanceTo(now_ + seconds); }
    // As advanceTo(), firing animation timers only; due interface timers stay pending.
    void advanceAnimationTimersTo(double time);
    // Earliest pending fire time, or a negative value when none.
    double nextFireTime() const;

  private:
    std::shared_ptr<UiTimer> schedule(double interval, bool repeats, bool animation,
                                      std::function<void(UiTimer&)> fn);
    void advance(double time, bool animationOnly);

    double now_ = 0;
    std::uint64_t sequence_ = 0;
    std::multimap<std::pair<double, std::uint64_t>, std::shared_ptr<UiTimer>> queue_;
};

} // namespace ui
