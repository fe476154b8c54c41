// Control: states, targets and touch tracking.
#include "platform/ui/control.h"

#include <algorithm>

namespace ui {

Control::Control(const Rect& frame) : View(frame) {}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (!enabled) {
        tracking_ = nullptr;
        highlighted_ = false;
    }
    stateDidChange();
    setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    stateDidChange();
    setNeedsDisplay();
}

void Control::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    stateDidChange();
    setNeedsDisplay();
}

ControlState Control::state() const {
    auto s = ControlState::Normal;
    if (highlighted_) s = s | ControlState::Highlighted;
    if (!enabled_) s = s | ControlState::Disabled;
    if (selected_) s = s | ControlState::Selected;
    return s;
}

int Control::addTarget(Action action, ControlEvent events) {
    int id = nextId_++;
    targets_.push_back({id, events, std::move(action)});
    return id;
}

void Control::removeTarget(int id) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [id](const Target& t) { return t.id == id; }),
                   targets_.end());
}

void Control::sendActionsForControlEvents(ControlEvent events) {
    // An action may remove targets, or release the control itself (a screen going away).
    std::shared_ptr<View> keepAlive = weak_from_this().lock();
    std::vector<Action> actions;
    for (const auto& t : targets_)
        if (hasAny(t.events, events) && t.action) actions.push_back(t.action);
    for (auto& action : actions) action(*this);
}

bool Control::isInsideWithSlop(Point local) const {
    return bounds().insetBy(-kTouchSlop, -kTouchSlop).contains(local);
}

void Control::touchesBegan(const TouchSet& touches, const Event&) {
    if (!enabled_ || touches.empty() ||
        (tracking_ && tracking_ != touches.front() && isMultipleTouchEnabled()))
        return;
    const Touch& touch = *touches.front();
    std::shared_ptr<View> keepAlive = weak_from_this().lock();
    tracking_ = &touch;
    touchInside_ = true;
    if (!beginTracking(touch)) {
        tracking_ = nullptr;
        return;
    }
    setHighlighted(true);
    ControlEvent events = ControlEvent::TouchDown;
    if (touch.tapCount() > 1) events = events | ControlEvent::TouchDownRepeat;
    sendActionsForControlEvents(events);
}

void Control::touchesMoved(const TouchSet& touches, const Event&) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    const Touch& touch = *tracking_;
    std::shared_ptr<View> keepAlive = weak_from_this().lock();
    bool inside = isInsideWithSlop(touch.locationInView(this));
    bool wasInside = touchInside_;
    touchInside_ = inside;
    continueTracking(touch);
    if (!tracking_) return;
    setHighlighted(inside);
    if (inside != wasInside)
        sendActionsForControlEvents(inside ? ControlEvent::TouchDragEnter
                                           : ControlEvent::TouchDragExit);
    if (tracking_)
        sendActionsForControlEvents(inside ? ControlEvent::TouchDragInside
                                           : ControlEvent::TouchDragOutside);
}

void Control::touchesEnded(const TouchSet& touches, const Event&) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    const Touch& touch = *tracking_;
    std::shared_ptr<View> keepAlive = weak_from_this().lock();
    bool inside = isInsideWithSlop(touch.locationInView(this));
    touchInside_ = inside;
    endTracking(touch);
    tracking_ = nullptr;
    setHighlighted(false);
    sendActionsForControlEvents(inside ? ControlEvent::TouchUpInside
                                       : ControlEvent::TouchUpOutside);
}

void Control::touchesCancelled(const TouchSet& touches, const Event&) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    std::shared_ptr<View> keepAlive = weak_from_this().lock();
    tracking_ = nullptr;
    touchInside_ = false;
    cancelTracking();
    setHighlighted(false);
    sendActionsForControlEvents(ControlEvent::TouchCancel);
}

} // namespace ui
