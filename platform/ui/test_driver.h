// TestDriver: drives a Window headless — touches, keyboard, shakes and time — and finds views
// by tag, by the text or image they show, for tests and scripted runs.
//
// Time moves only through advance(), in frame steps of 1/60 s, so animations pass through
// their intermediate values and timers fire in order; each step also turns the thread's run
// loop once (posted calls, network callbacks). Gestures take the time a finger would: a tap
// holds kTapHold seconds, so two taps at one place within 0.35 s make a double tap, as on the
// device (advance() between taps keeps them apart).
//
// Synchronous waits: input and time are dispatched as a turn of the run loop, so a handler that
// waits for a request runs a nested run. During it the driver advances the window's
// animations by the real time that passes (interface timers wait for the next step), draws
// nothing, and queues any input it is given until the wait is over.
//
// Threads: the interface thread (the one that runs the window).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window.h"

namespace zplatform {
class RunLoop;
}

namespace ui {

class TestDriver {
  public:
    using ScreenshotHook = std::function<bool(Window&, const std::string& path)>;
    static constexpr double kFrame = 1.0 / 60;
    static constexpr double kTapHold = 0.05;

    // A driver with its own 320 x 480 window.
    TestDriver();
    // Drives `window`, which must outlive the driver.
    explicit TestDriver(Window& window);
    TestDriver(const TestDriver&) = delete;
    TestDriver& operator=(const TestDriver&) = delete;
    ~TestDriver();

    Window& window() { return *window_; }
    double now() const { return window_->now(); }

    // --- Time ---
    void advance(double seconds);
    // Advances in frame steps until pred() holds or `timeout` seconds of interface time passed.
    bool advanceUntil(const std::function<bool()>& pred, double timeout);

    // --- Touches (window coordinates) ---
    void tap(Point point);
    // Taps the centre of `view`; false when the view is not in the window.
    bool tap(const View* view);
    void doubleTap(Point point);
    void drag(Point from, Point to, double seconds = 0.3, int steps = 10);
    void touchDown(int finger, Point point);
    void touchMove(int finger, Point point);
    void touchUp(int finger);
    void touchUp(int finger, Point point);
    // Two fingers on a horizontal line through `center`, moving apart or together.
    void pinch(Point center, float fromDistance, float toDistance, double seconds = 0.3,
               int steps = 10);

    // --- Devices and keyboard ---
    // A shake of the accelerometer, with the time it takes delivered.
    void shake();
    // Typed one character at a time into the first responder.
    void typeText(std::string_view utf8);
    void pressReturn();
    void pressBackspace();

    // --- Finding views (the modal layer and then the tree, frontmost first) ---
    View* findByTag(int tag) const;
    // A view showing `text`; visible views are preferred.
    View* findByText(std::string_view text) const;
    View* findByImageName(std::string_view name) const;
    std::vector<View*> findAll(const std::function<bool(const View&)>& predicate) const;
    template <class T> std::vector<T*> findAllOfType() const {
        std::vector<T*> out;
        for (View* v : findAll([](const View& v) { return dynamic_cast<const T*>(&v) != nullptr; }))
            out.push_back(static_cast<T*>(v));
        return out;
    }

    // --- Inspecting ---
    Rect frameInWindow(const View* view) const;
    // In a window, not hidden nor transparent along its superviews, and on screen.
    bool isVisible(const View* view) const;
    std::string text(const View* view) const;
    std::string imageName(const View* view) const;
    // The alpha as drawn now (mid-animation values included).
    float alpha(const View* view) const;

    // --- Screenshots ---
    void setScreenshotHook(ScreenshotHook hook) { screenshot_ = std::move(hook); }
    // Renders the window to `path` with the hook; false without one or on failure.
    bool screenshot(const std::string& path);

    // Nested-run frames seen (synchronous waits the window went through).
    long nestedFrames() const { return nestedFrames_; }

  private:
    void step(double to);
    Point lastLocation(int finger) const;
    // Runs `input` now as a turn of the loop, or after the wait when the loop is nested.
    void deliver(std::function<void()> input);
    void deliverQueued();
    void nestedFrame();

    std::unique_ptr<Window> owned_;
    Window* window_;
    ScreenshotHook screenshot_;
    std::vector<std::pair<int, Point>> fingers_;
    std::shared_ptr<zplatform::RunLoop> loop_;
    int observer_ = 0;
    std::chrono::steady_clock::time_point lastWall_;
    long nestedFrames_ = 0;
    std::vector<std::function<void()>> queued_;
};

} // namespace ui
