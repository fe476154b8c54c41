// The accelerometer: acceleration in g along the device's x, y, z axes, delivered to one
// delegate at the update interval. Hosts feed it (SDL2 sensors where the device has them, a
// shake key in the window, the test driver's shake()).
#pragma once

#include <functional>
#include <memory>

namespace ui {

class Clock;
class UiTimer;

struct Acceleration {
    double x = 0, y = 0, z = -1; // lying flat, screen up
    double timestamp = 0;
};

class Accelerometer {
  public:
    explicit Accelerometer(Clock& clock);
    ~Accelerometer();

    // `accelerometer:didAccelerate:`; none stops the updates.
    void setDelegate(std::function<void(const Acceleration&)> delegate);
    // Seconds between deliveries (at least 1/100 s).
    void setUpdateInterval(double seconds);
    double updateInterval() const { return interval_; }

    // The host's latest reading; delivered at the next update tick.
    void setReading(double x, double y, double z);
    // A shake: a burst of strong readings along x over `seconds`, then back to rest.
    void shake(double seconds = 0.5);
    Acceleration current() const { return current_; }
    bool isShaking() const;

    // The x acceleration of a shake's readings, alternating in sign from one delivery to the
    // next.
    static constexpr double kShakeStrength = 2.2;

  private:
    void restart();
    void tick();
    Clock& clock_;
    std::function<void(const Acceleration&)> delegate_;
    double interval_ = 0.1;
    Acceleration current_;
    Acceleration rest_; // the host's reading, restored when a shake ends
    double shakeUntil_ = -1;
    int shakeStep_ = 0;
    std::shared_ptr<UiTimer> timer_;
};

} // namespace ui
