// Touch dispatch of a window: hit-testing, delivery of the phases and tap counts.
#include "platform/ui/touch_dispatcher.h"

#include <cmath>
#include <utility>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

namespace {
float distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
} // namespace

TouchDispatcher::TouchDispatcher(Window& window) : window_(window) {}

TouchDispatcher::~TouchDispatcher() = default;

Event TouchDispatcher::makeEvent(const Touch& current) const {
    Event event;
    event.timestamp = current.timestamp_;
    for (const auto& [finger, tracked] : touches_) {
        Touch* t = tracked.touch.get();
        if (t != &current && (t->phase_ == TouchPhase::Began || t->phase_ == TouchPhase::Moved))
            t->phase_ = TouchPhase::Stationary;
        event.allTouches.push_back(t);
    }
    return event;
}

View* TouchDispatcher::hitTest(Point location, const Event& event) const {
    const auto& modal = window_.modalViews();
    for (auto it = modal.rbegin(); it != modal.rend(); ++it) {
        View* m = it->get();
        if (View* hit = m->hitTest(m->convertPointFromView(location, nullptr), &event)) return hit;
    }
    return window_.hitTest(location, &event);
}

void TouchDispatcher::deliver(Touch& touch, TouchPhase phase) {
    View* view = touch.view_;
    touch.phase_ = phase;
    if (!view) return;
    Event event = makeEvent(touch);
    TouchSet set{&touch};
    switch (phase) {
    case TouchPhase::Began:
        view->touchesBegan(set, event);
        break;
    case TouchPhase::Moved:
        view->touchesMoved(set, event);
        break;
    case TouchPhase::Ended:
        view->touchesEnded(set, event);
        break;
    case TouchPhase::Cancelled:
        view->touchesCancelled(set, event);
        break;
    case TouchPhase::Stationary:
        break;
    }
}

void TouchDispatcher::handle(int finger, TouchPhase phase, Point location) {
    double now = window_.now();
    auto found = touches_.find(finger);
    if (phase == TouchPhase::Began) {
        if (found != touches_.end()) { // a lost Ended: the old touch is cancelled first
            handle(finger, TouchPhase::Cancelled, found->second.touch->location_);
        }
        auto touch = std::make_shared<Touch>();
        touch->location_ = touch->previousLocation_ = location;
        touch->timestamp_ = now;
        touch->finger_ = finger;
        touch->phase_ = TouchPhase::Began;
        if (lastTapCount_ > 0 && now - lastTapTime_ <= kDoubleTapInterval &&
            distance(location, lastTapLocation_) <= kDoubleTapDistance)
            touch->tapCount_ = lastTapCount_ + 1;
        touches_[finger] = {touch, location, true};
        Event probe = makeEvent(*touch);
        View* hit = hitTest(location, probe);
        // A view without multiple touch only ever tracks its first finger.
        if (hit && !hit->isMultipleTouchEnabled())
            for (const auto& [other, tracked] : touches_)
                if (other != finger && tracked.touch->view_ == hit) hit = nullptr;
        touch->view_ = hit;
        deliver(*touch, TouchPhase::Began);
        return;
    }
    if (found == touches_.end()) return; // no touch of that finger is alive
    Tracked& tracked = found->second;
    std::shared_ptr<Touch> touch = tracked.touch; // alive while its handlers run
    touch->timestamp_ = now;
    if (phase == TouchPhase::Moved || phase == TouchPhase::Stationary) {
        if (location == touch->location_) return;
        touch->previousLocation_ = touch->location_;
        touch->location_ = location;
        if (distance(location, tracked.start) > kDoubleTapDistance) tracked.tap = false;
        deliver(*touch, TouchPhase::Moved);
        return;
    }
    if (location != touch->location_) {
        touch->previousLocation_ = touch->location_;
        touch->location_ = location;
        if (distance(location, tracked.start) > kDoubleTapDistance) tracked.tap = false;
    }
    bool wasTap = tracked.tap && phase == TouchPhase::Ended;
    deliver(*touch, phase);
    // The handler may have cancelled everything already.
    if (auto again = touches_.find(finger); again != touches_.end() && again->second.touch == touch)
        touches_.erase(again);
    if (wasTap) {
        lastTapTime_ = now;
        lastTapLocation_ = touch->location_;
        lastTapCount_ = touch->tapCount_;
    } else {
        lastTapCount_ = 0;
    }
}

void TouchDispatcher::cancelAll() {
    std::vector<std::pair<int, std::shared_ptr<Touch>>> live;
    for (const auto& [finger, tracked] : touches_) live.emplace_back(finger, tracked.touch);
    for (const auto& [finger, touch] : live) {
        auto it = touches_.find(finger);
        if (it == touches_.end() || it->second.touch != touch) continue; // a handler ended it
        deliver(*touch, TouchPhase::Cancelled);
        if (auto again = touches_.find(finger);
            again != touches_.end() && again->second.touch == touch)
            touches_.erase(again);
    }
    lastTapCount_ = 0;
}

void TouchDispatcher::viewWillLeave(const View& root) {
    for (auto& [finger, tracked] : touches_)
        if (tracked.touch->view_ && tracked.touch->view_->isDescendantOf(&root))
            tracked.touch->view_ = nullptr;
}

} // namespace ui
