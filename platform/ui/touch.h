// Touches as the views receive them: one Touch object per finger for the whole gesture, with
// its phase, tap count and positions; an Event carries every touch alive at that moment.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/geometry.h"

namespace ui {

class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

class Touch {
  public:
    // Position in the coordinates of `view` (the window's when null).
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;
    TouchPhase phase() const { return phase_; }
    // 1 for a single tap, 2 when this touch began within the double-tap interval and distance
    // of the previous tap's end, and so on.
    int tapCount() const { return tapCount_; }
    double timestamp() const { return timestamp_; }
    // The view the touch began in (the hit-test result); it receives every phase.
    View* view() const { return view_; }
    int fingerId() const { return finger_; }

  private:
    friend class Window;
    friend class TouchDispatcher;
    Point location_;         // window coordinates
    Point previousLocation_; // window coordinates
    TouchPhase phase_ = TouchPhase::Began;
    int tapCount_ = 1;
    double timestamp_ = 0;
    View* view_ = nullptr;
    int finger_ = 0;
};

using TouchSet = std::vector<Touch*>;

struct Event {
    TouchSet allTouches; // every touch of the window alive at this moment
    double timestamp = 0;
};

} // namespace ui
