// The accelerometer: readings delivered to the delegate on the interface clock.
#include "platform/ui/accelerometer.h"

#include <algorithm>
#include <utility>

#include "platform/ui/clock.h"

namespace ui {

Accelerometer::Accelerometer(Clock& clock) : clock_(clock) {}

Accelerometer::~Accelerometer() {
    if (timer_) timer_->invalidate();
}

void Accelerometer::setDelegate(std::function<void(const Acceleration&)> delegate) {
    delegate_ = std::move(delegate);
    restart();
}

void Accelerometer::setUpdateInterval(double seconds) {
    if (!(seconds >= 0.01)) seconds = 0.01; // NaN too
    interval_ = seconds;
    restart();
}

void Accelerometer::setReading(double x, double y, double z) {
    rest_ = {x, y, z, clock_.now()};
    if (!isShaking()) current_ = rest_;
}

void Accelerometer::shake(double seconds) {
    shakeUntil_ = clock_.now() + std::max(seconds, 0.0);
    shakeStep_ = 0;
}

bool Accelerometer::isShaking() const {
    return shakeUntil_ >= 0 && clock_.now() < shakeUntil_;
}

void Accelerometer::restart() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (!delegate_) return;
    timer_ = clock_.scheduledTimer(interval_, true, [this](UiTimer&) { tick(); });
}

void Accelerometer::tick() {
    if (isShaking()) {
        double sign = (shakeStep_++ % 2 == 0) ? 1.0 : -1.0;
        current_ = {sign * kShakeStrength, 0.3 * sign, -1.0, 0};
    } else {
        if (shakeUntil_ >= 0) shakeUntil_ = -1; // the shake is over: back to rest
        current_ = rest_;
    }
    current_.timestamp = clock_.now();
    // A copy: the delegate may replace or clear itself.
    auto delegate = delegate_;
    if (delegate) delegate(current_);
}

} // namespace ui
