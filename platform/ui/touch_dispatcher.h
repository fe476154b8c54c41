// TouchDispatcher: turns a window's per-finger input into Touch objects and delivers their
// phases: hit-tested at Began (the modal layer first, then the view tree), every later phase to
// the view the touch began in; tap counts for repeated taps.
//
// Threads: interface thread only.
#pragma once

#include <map>
#include <memory>

#include "platform/ui/touch.h"

namespace ui {

class TouchDispatcher {
  public:
    // Two taps make a double tap when the second begins within this time and distance of the
    // first one's end; a touch that moves farther than the distance is no tap.
    static constexpr double kDoubleTapInterval = 0.35;
    static constexpr float kDoubleTapDistance = 22;

    explicit TouchDispatcher(Window& window);
    ~TouchDispatcher();
    TouchDispatcher(const TouchDispatcher&) = delete;
    TouchDispatcher& operator=(const TouchDispatcher&) = delete;

    void handle(int finger, TouchPhase phase, Point location);
    // Every live touch is cancelled at its view.
    void cancelAll();
    // Touches that began in `root`'s subtree are no longer delivered (the views are leaving).
    void viewWillLeave(const View& root);
    size_t activeTouchCount() const { return touches_.size(); }

  private:
    struct Tracked {
        std::shared_ptr<Touch> touch;
        Point start;
        bool tap = true; // stayed within the tap distance of where it began
    };
    View* hitTest(Point location, const Event& event) const;
    void deliver(Touch& touch, TouchPhase phase);
    Event makeEvent(const Touch& current) const;

    Window& window_;
    std::map<int, Tracked> touches_;
    double lastTapTime_ = -1;
    Point lastTapLocation_;
    int lastTapCount_ = 0;
};

} // namespace ui
