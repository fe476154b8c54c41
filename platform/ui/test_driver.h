// TestDriver: drives a Window headless — touches, keyboard, shakes and time — and finds views
// by tag, by the text or image they show, for tests and scripted runs.
//
// Time moves only through advance(), in frame steps of 1/60 s, so animations pass through
// their intermediate values and timers fire in order; each step also turns the thread's run
// loop once (posted calls, network callbacks). Gestures take the time a finger would: a tap
// holds kTapHold seconds, so two taps at one place within 0.35 s make a double tap, as on the
// device (advance() between taps keeps them apart).
//
// Threads: the interface thread (the one that runs the window).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window.h"

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

  private:
    void step(double to);
    Point lastLocation(int finger) const;

    std::unique_ptr<Window> owned_;
    Window* window_;
    ScreenshotHook screenshot_;
    std::vector<std::pair<int, Point>> fingers_;
};

} // namespace ui
