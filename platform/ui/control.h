// Control: the base of views that turn touches into actions (buttons, text fields, sliders):
// enabled, highlighted and selected states and actions registered per control event.
//
// Actions run on the interface thread, synchronously, in registration order. A touch that
// leaves the control while tracking still counts as inside within kTouchSlop points of its
// bounds, as on the platform.
#pragma once

#include <functional>
#include <vector>

#include "platform/ui/view.h"

namespace ui {

enum class ControlEvent : unsigned {
    TouchDown = 1u << 0,
    TouchDownRepeat = 1u << 1, // a touch down with a tap count above 1
    TouchDragInside = 1u << 2,
    TouchDragOutside = 1u << 3,
    TouchDragEnter = 1u << 4,
    TouchDragExit = 1u << 5,
    TouchUpInside = 1u << 6,
    TouchUpOutside = 1u << 7,
    TouchCancel = 1u << 8,
    ValueChanged = 1u << 12,
    EditingDidBegin = 1u << 16,
    EditingChanged = 1u << 17,
    EditingDidEnd = 1u << 18,
    EditingDidEndOnExit = 1u << 19,
    AllTouchEvents = 0xFFFu,
    AllEditingEvents = 0xF0000u,
    AllEvents = 0xFFFFFFFFu,
};

constexpr ControlEvent operator|(ControlEvent a, ControlEvent b) {
    return static_cast<ControlEvent>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool hasAny(ControlEvent set, ControlEvent events) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(events)) != 0;
}

// The states a control's appearance depends on (combinable).
enum class ControlState : unsigned { Normal = 0, Highlighted = 1, Disabled = 2, Selected = 4 };

constexpr ControlState operator|(ControlState a, ControlState b) {
    return static_cast<ControlState>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool hasAll(ControlState set, ControlState state) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(state)) ==
           static_cast<unsigned>(state);
}

class Control : public View {
  public:
    using Action = std::function<void(Control&)>;
    // Beyond the bounds, a tracked touch still counts as inside by this many points.
    static constexpr float kTouchSlop = 70;

    explicit Control(const Rect& frame = {});

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    ControlState state() const;
    // A touch is being tracked; inside() is where it is now (slop included).
    bool isTracking() const { return tracking_ != nullptr; }
    bool isTouchInside() const { return touchInside_; }

    // Registers `action` for every event in `events`; returns an id for removeTarget().
    int addTarget(Action action, ControlEvent events);
    void removeTarget(int id);
    void removeAllTargets() { targets_.clear(); }
    // Runs the actions registered for any of `events`.
    void sendActionsForControlEvents(ControlEvent events);

    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    std::string_view className() const override { return "Control"; }

  protected:
    // Tracking hooks for subclasses (locations in bounds coordinates). beginTracking returning
    // false stops tracking of that touch at once.
    virtual bool beginTracking(const Touch& touch) {
        (void)touch;
        return true;
    }
    virtual void continueTracking(const Touch& touch) { (void)touch; }
    virtual void endTracking(const Touch& touch) { (void)touch; }
    virtual void cancelTracking() {}
    // Called after enabled, highlighted or selected changed.
    virtual void stateDidChange() {}
    bool isInsideWithSlop(Point local) const;

  private:
    struct Target {
        int id;
        ControlEvent events;
        Action action;
    };
    std::vector<Target> targets_;
    int nextId_ = 1;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    const Touch* tracking_ = nullptr;
    bool touchInside_ = false;
};

} // namespace ui
