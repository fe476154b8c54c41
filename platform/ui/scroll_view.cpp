// ScrollView: touch routing between the content and the drag, the release physics and the
// scroll indicators.
#include "platform/ui/scroll_view.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "platform/run_loop.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

// Free deceleration: the speed is multiplied by kDecelerationRate every second, so the offset
// approaches its rest point exponentially with this rate.
const float kDecelerationK = -std::log(ScrollView::kDecelerationRate);
// Snaps (paging, adjusted targets) approach their point at least this fast.
constexpr float kSnapRateMin = 8;
constexpr float kSnapRateMax = 20;
// Past an edge a flick is braked this hard, then returns in kBounceReturn seconds.
constexpr float kOvershootRate = 15;
constexpr float kMaxOvershoot = 120;
constexpr double kBounceReturn = 0.35;
// Finger speeds (points per second) below this are a rest, above kMaxVelocity are clamped.
constexpr float kMinFlickVelocity = 20;
constexpr float kMaxVelocity = 6000;
// A page change by flick needs this finger speed.
constexpr float kPageFlickVelocity = 200;
// Samples older than this before the last move do not count in the release velocity; a finger
// resting longer than this before lifting has no velocity.
constexpr double kVelocityWindow = 0.1;
constexpr double kFrame = 1.0 / 60;
constexpr double kIndicatorLinger = 0.25;
constexpr float kIndicatorThickness = 3;
constexpr float kIndicatorInset = 2;
constexpr float kIndicatorMinLength = 7;

float& axis(Point& p, int a) {
    return a == 0 ? p.x : p.y;
}
float axis(const Size& s, int a) {
    return a == 0 ? s.width : s.height;
}

float easeOut(float t) {
    return 1 - (1 - t) * (1 - t);
}
float easeInOut(float t) {
    return t < 0.5f ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
}

// Time for an exponential approach covering `distance` to come within half a point.
double approachLength(float distance, float rate) {
    float d = std::fabs(distance);
    return d <= 0.5f ? 0.0 : std::log(d / 0.5f) / rate;
}

} // namespace

ScrollView::ScrollView(const Rect& frame) : View(frame) {
    assert(zplatform::RunLoop::isMainThread());
    setClipsToBounds(true);
}

ScrollView::~ScrollView() {
    for (auto* timer : {&delayTimer_, &motionTimer_, &indicatorTimer_})
        if (*timer) (*timer)->invalidate();
}

// --- Content ----------------------------------------------------------------------------

void ScrollView::setContentSize(Size size) {
    if (size == contentSize_) return;
    contentSize_ = size;
    contentAreaChanged();
    if (isDragging() || moving_) updateIndicators(true);
}

void ScrollView::setContentInset(const EdgeInsets& inset) {
    contentInset_ = inset;
    contentAreaChanged();
}

Point ScrollView::minimumContentOffset() const {
    return {-contentInset_.left, -contentInset_.top};
}

Point ScrollView::maximumContentOffset() const {
    Point min = minimumContentOffset();
    Size b = bounds().size;
    return {std::max(min.x, contentSize_.width + contentInset_.right - b.width),
            std::max(min.y, contentSize_.height + contentInset_.bottom - b.height)};
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    stopScrolling();
    Point current = contentOffset();
    if (!animated) {
        setOffsetInternal(offset);
        return;
    }
    if (offset == current) return;
    std::array<AxisMotion, 2> axes{};
    double start = now();
    for (int a = 0; a < 2; ++a)
        axes[a] = tween(start, axis(current, a), axis(offset, a), kScrollAnimationDuration, true);
    startMotion(MotionKind::Animation, axes);
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
    Point offset = contentOffset();
    Size b = bounds().size;
    Point min = minimumContentOffset(), max = maximumContentOffset();
    if (rect.maxX() > offset.x + b.width) offset.x = rect.maxX() - b.width;
    if (rect.minX() < offset.x) offset.x = rect.minX();
    if (rect.maxY() > offset.y + b.height) offset.y = rect.maxY() - b.height;
    if (rect.minY() < offset.y) offset.y = rect.minY();
    offset.x = std::clamp(offset.x, min.x, max.x);
    offset.y = std::clamp(offset.y, min.y, max.y);
    setContentOffset(offset, animated);
}

void ScrollView::setOffsetInternal(Point offset) {
    Rect b = bounds();
    if (b.origin == offset) return;
    b.origin = offset;
    setBounds(b);
}

void ScrollView::setBounds(const Rect& newBounds) {
    Rect old = bounds();
    View::setBounds(newBounds);
    if (bounds() == old) return;
    contentAreaChanged();
    if (indicators_[0] || indicators_[1]) updateIndicators(isDragging() || moving_);
    if (bounds().origin != old.origin && delegate_) delegate_->scrollViewDidScroll(*this);
}

void ScrollView::setFrame(const Rect& frame) {
    Size old = bounds().size;
    View::setFrame(frame);
    if (bounds().size != old) contentAreaChanged();
}

bool ScrollView::canScrollHorizontally() const {
    return alwaysBounceHorizontal_ || maximumContentOffset().x > minimumContentOffset().x;
}

bool ScrollView::canScrollVertically() const {
    return alwaysBounceVertical_ || maximumContentOffset().y > minimumContentOffset().y;
}

Point ScrollView::targetContentOffset(Point proposed, Point velocity) const {
    (void)velocity;
    return proposed;
}

// --- Touches ----------------------------------------------------------------------------

View* ScrollView::hitTest(Point point, const Event* event) {
    // The scroll view owns every touch inside it and passes it on to the content itself.
    return View::hitTest(point, event) ? this : nullptr;
}

Point ScrollView::localPoint(const Touch& touch) const {
    // Frame-relative: independent of the content offset, which the drag changes.
    return touch.locationInView(this) - bounds().origin;
}

void ScrollView::touchesBegan(const TouchSet& touches, const Event& event) {
    if (routingDepth_ > 0) {
        for (Touch* t : touches)
            if (t == tracking_) contentTouchesBegan(*t, event);
        return;
    }
    if (tracking_ || touches.empty()) return;
    auto keepAlive = weak_from_this().lock();
    Touch& touch = *touches.front();
    tracking_ = &touch;
    dragging_ = false;
    contentHasTouch_ = false;
    pendingBegan_ = false;
    caughtMotion_ = moving_;
    touchStart_ = localPoint(touch);
    offsetStart_ = contentOffset();
    samples_.assign(1, {touchStart_, now()});

    View* hit = View::hitTest(touch.locationInView(this), &event);
    targetIsSelf_ = hit == nullptr || hit == this;
    target_ = targetIsSelf_ ? std::weak_ptr<View>() : hit->weak_from_this();

    if (caughtMotion_) {
        // A finger stopping a moving scroll view holds the content: it is a drag from here on,
        // never a tap on the content.
        stopScrolling();
        offsetStart_ = contentOffset();
        dragging_ = true;
        if (delegate_) delegate_->scrollViewWillBeginDragging(*this);
        updateIndicators(true);
        return;
    }
    bool scrollable = scrollEnabled_ && (canScrollHorizontally() || canScrollVertically());
    if (delaysContentTouches_ && scrollable && clock()) {
        pendingBegan_ = true;
        delayTimer_ = clock()->scheduledTimer(kContentTouchDelay, false,
                                              [this](UiTimer&) { fireDelayedBegan(); });
        return;
    }
    deliverToContent(Phase::Began, touch, event);
}

void ScrollView::fireDelayedBegan() {
    delayTimer_.reset();
    if (!pendingBegan_ || !tracking_) return;
    auto keepAlive = weak_from_this().lock();
    pendingBegan_ = false;
    Event event;
    event.allTouches = {tracking_};
    event.timestamp = now();
    deliverToContent(Phase::Began, *tracking_, event);
}

void ScrollView::touchesMoved(const TouchSet& touches, const Event& event) {
    if (routingDepth_ > 0) {
        for (Touch* t : touches)
            if (t == tracking_) contentTouchesMoved(*t, event);
        return;
    }
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    auto keepAlive = weak_from_this().lock();
    Point location = localPoint(*tracking_);
    samples_.push_back({location, now()});
    if (dragging_) {
        dragTo(location);
        return;
    }
    Point delta = location - touchStart_;
    bool beyond = (canScrollHorizontally() && std::fabs(delta.x) > kDragSlop) ||
                  (canScrollVertically() && std::fabs(delta.y) > kDragSlop);
    bool moved = std::fabs(delta.x) > kDragSlop || std::fabs(delta.y) > kDragSlop;
    if (pendingBegan_ && moved && !beyond) {
        // A move this scroll view will never take (across its axis) belongs to the content at
        // once: a scroll view inside it may want it.
        if (delayTimer_) {
            delayTimer_->invalidate();
            delayTimer_.reset();
        }
        pendingBegan_ = false;
        deliverToContent(Phase::Began, *tracking_, event);
    }
    if (contentHasTouch_) deliverToContent(Phase::Moved, *tracking_, event);
    if (!tracking_) return; // the content's handling ended the touch (the view left the window)

    // A scroll view inside the content that already drags keeps the gesture.
    if (auto target = target_.lock(); target && !targetIsSelf_) {
        for (View* v = target.get(); v && v != this; v = v->superview())
            if (auto* inner = dynamic_cast<ScrollView*>(v); inner && inner->isDragging()) return;
    }
    if (scrollEnabled_ && beyond && (!contentHasTouch_ || canCancelContentTouches_)) {
        beginDrag(*tracking_, event);
        dragTo(location);
    }
}

void ScrollView::touchesEnded(const TouchSet& touches, const Event& event) {
    if (routingDepth_ > 0) {
        for (Touch* t : touches)
            if (t == tracking_) contentTouchesEnded(*t, event);
        return;
    }
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    auto keepAlive = weak_from_this().lock();
    Touch& touch = *tracking_;
    if (dragging_) {
        samples_.push_back({localPoint(touch), now()});
        dragTo(localPoint(touch));
        tracking_ = nullptr;
        endDrag();
        return;
    }
    if (delayTimer_) {
        delayTimer_->invalidate();
        delayTimer_.reset();
    }
    if (pendingBegan_) {
        pendingBegan_ = false;
        deliverToContent(Phase::Began, touch, event);
    }
    if (contentHasTouch_) deliverToContent(Phase::Ended, touch, event);
    tracking_ = nullptr;
    target_.reset();
}

void ScrollView::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (routingDepth_ > 0) {
        for (Touch* t : touches)
            if (t == tracking_) contentTouchesCancelled(*t, event);
        return;
    }
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    auto keepAlive = weak_from_this().lock();
    if (delayTimer_) {
        delayTimer_->invalidate();
        delayTimer_.reset();
    }
    pendingBegan_ = false;
    if (contentHasTouch_) deliverToContent(Phase::Cancelled, *tracking_, event);
    tracking_ = nullptr;
    target_.reset();
    if (dragging_) {
        // No velocity: the content settles (bounce back, page snap) from where it is.
        samples_.clear();
        endDrag();
    }
}

void ScrollView::deliverToContent(Phase phase, Touch& touch, const Event& event) {
    if (phase == Phase::Began) contentHasTouch_ = true;
    if (phase == Phase::Ended || phase == Phase::Cancelled) contentHasTouch_ = false;
    if (targetIsSelf_) {
        route(phase, touch, event);
        return;
    }
    auto target = target_.lock();
    // Content removed since the touch began: nothing left to tell.
    if (!target || !target->isDescendantOf(this)) return;
    // The content's responder chain up to here stays alive through the call, even when a
    // callback on the way (a row selection reloading a table) removes those views.
    std::vector<std::shared_ptr<View>> chain;
    for (View* v = target->superview(); v && v != this; v = v->superview())
        if (auto held = v->weak_from_this().lock()) chain.push_back(std::move(held));
    TouchSet set{&touch};
    ++routingDepth_;
    switch (phase) {
    case Phase::Began:
        target->touchesBegan(set, event);
        break;
    case Phase::Moved:
        target->touchesMoved(set, event);
        break;
    case Phase::Ended:
        target->touchesEnded(set, event);
        break;
    case Phase::Cancelled:
        target->touchesCancelled(set, event);
        break;
    }
    --routingDepth_;
}

void ScrollView::route(Phase phase, Touch& touch, const Event& event) {
    switch (phase) {
    case Phase::Began:
        contentTouchesBegan(touch, event);
        break;
    case Phase::Moved:
        contentTouchesMoved(touch, event);
        break;
    case Phase::Ended:
        contentTouchesEnded(touch, event);
        break;
    case Phase::Cancelled:
        contentTouchesCancelled(touch, event);
        break;
    }
}

void ScrollView::contentTouchesBegan(Touch& touch, const Event& event) {
    (void)touch;
    (void)event;
}
void ScrollView::contentTouchesMoved(Touch& touch, const Event& event) {
    (void)touch;
    (void)event;
}
void ScrollView::contentTouchesEnded(Touch& touch, const Event& event) {
    (void)touch;
    (void)event;
}
void ScrollView::contentTouchesCancelled(Touch& touch, const Event& event) {
    (void)touch;
    (void)event;
}

// --- Dragging ---------------------------------------------------------------------------

void ScrollView::beginDrag(Touch& touch, const Event& event) {
    if (delayTimer_) {
        delayTimer_->invalidate();
        delayTimer_.reset();
    }
    pendingBegan_ = false;
    if (contentHasTouch_) deliverToContent(Phase::Cancelled, touch, event);
    dragging_ = true;
    if (delegate_) delegate_->scrollViewWillBeginDragging(*this);
    updateIndicators(true);
}

void ScrollView::dragTo(Point location) {
    Point delta = location - touchStart_;
    Point offset = contentOffset();
    Point min = minimumContentOffset(), max = maximumContentOffset();
    bool scrollable[2] = {canScrollHorizontally(), canScrollVertically()};
    for (int a = 0; a < 2; ++a) {
        if (!scrollable[a]) continue;
        float v = axis(offsetStart_, a) - axis(delta, a);
        float lo = axis(min, a), hi = axis(max, a);
        if (v < lo) v = bounces_ ? lo - (lo - v) / 2 : lo;
        if (v > hi) v = bounces_ ? hi + (v - hi) / 2 : hi;
        axis(offset, a) = v;
    }
    setOffsetInternal(offset);
}

Point ScrollView::releaseVelocity() const {
    if (samples_.size() < 2) return {};
    const Sample& last = samples_.back();
    if (now() - last.time > kVelocityWindow) return {};
    // The last samples at the finger's final position do not make it a rest: measure from the
    // last movement back over the window.
    size_t end = samples_.size() - 1;
    while (end > 0 && samples_[end - 1].location == last.location) --end;
    const Sample& moved = samples_[end];
    if (last.time - moved.time > kVelocityWindow) return {};
    size_t first = end;
    while (first > 0 && moved.time - samples_[first - 1].time <= kVelocityWindow) --first;
    double dt = moved.time - samples_[first].time;
    if (dt <= 1e-4) return {};
    Point d = moved.location - samples_[first].location;
    auto clampV = [](float v) { return std::clamp(v, -kMaxVelocity, kMaxVelocity); };
    // The content moves against the finger.
    return {clampV(float(-d.x / dt)), clampV(float(-d.y / dt))};
}

void ScrollView::endDrag() {
    dragging_ = false;
    tracking_ = nullptr;
    target_.reset();
    Point velocity = releaseVelocity();
    samples_.clear();
    bool scrollable[2] = {canScrollHorizontally(), canScrollVertically()};
    if (!scrollable[0]) velocity.x = 0;
    if (!scrollable[1]) velocity.y = 0;
    Point current = contentOffset();
    Point min = minimumContentOffset(), max = maximumContentOffset();
    Size page = bounds().size;

    Point proposed = current;
    bool outside[2] = {false, false};
    for (int a = 0; a < 2; ++a) {
        float c = axis(current, a), lo = axis(min, a), hi = axis(max, a), v = axis(velocity, a);
        outside[a] = c < lo - 0.5f || c > hi + 0.5f;
        float& p = axis(proposed, a);
        if (!scrollable[a]) {
            p = std::clamp(c, lo, hi);
        } else if (pagingEnabled_ && axis(page, a) > 0) {
            float size = axis(page, a), index;
            if (v > kPageFlickVelocity)
                index = std::floor(c / size) + 1;
            else if (v < -kPageFlickVelocity)
                index = std::ceil(c / size) - 1;
            else
                index = std::round(c / size);
            p = std::clamp(index * size, lo, hi);
        } else if (outside[a]) {
            p = std::clamp(c, lo, hi);
        } else if (std::fabs(v) >= kMinFlickVelocity) {
            p = c + v / kDecelerationK;
            if (!bounces_) p = std::clamp(p, lo, hi);
        }
    }
    Point target = targetContentOffset(proposed, velocity);
    bool adjusted = target != proposed || pagingEnabled_;

    std::array<AxisMotion, 2> axes{};
    bool moves = false;
    double start = now();
    for (int a = 0; a < 2; ++a) {
        float c = axis(current, a), t = axis(target, a), v = axis(velocity, a);
        float lo = axis(min, a), hi = axis(max, a);
        axes[a].to = c;
        if (std::fabs(t - c) < 0.5f) continue;
        moves = true;
        if (outside[a]) {
            axes[a] = tween(start, c, t, kBounceReturn, false);
        } else if (!adjusted) {
            axes[a] = approach(start, c, t, kDecelerationK, lo, hi, bounces_);
        } else {
            float rate = std::clamp(std::fabs(v / (t - c)), kSnapRateMin, kSnapRateMax);
            axes[a] = approach(start, c, t, rate, lo, hi, false);
        }
    }
    if (!moves && target != current) setOffsetInternal(target);
    if (delegate_) delegate_->scrollViewDidEndDragging(*this, moves);
    if (!moves) {
        updateIndicators(false);
        return;
    }
    if (delegate_) delegate_->scrollViewWillBeginDecelerating(*this);
    if (!isDragging() && !moving_) startMotion(MotionKind::Deceleration, axes);
}

// --- Motion -----------------------------------------------------------------------------

ScrollView::AxisMotion ScrollView::approach(double start, float from, float to, float rate,
                                            float low, float high, bool bounce) {
    AxisMotion m;
    m.kind = AxisMotion::Kind::Approach;
    m.start = start;
    m.from = from;
    m.rate = rate;
    m.low = low;
    m.high = high;
    // Rest points less than half a point past an edge are the edge itself.
    if (bounce && ((to < low && to > low - 0.5f) || (to > high && to < high + 0.5f)))
        to = std::clamp(to, low, high);
    m.to = to;
    m.bounce = bounce && (to < low || to > high) && from >= low && from <= high;
    m.length = approachLength(to - from, rate);
    return m;
}

ScrollView::AxisMotion ScrollView::tween(double start, float from, float to, double duration,
                                         bool easeInOut) {
    AxisMotion m;
    m.kind = AxisMotion::Kind::Tween;
    m.start = start;
    m.from = from;
    m.to = to;
    m.length = duration;
    m.easeInOut = easeInOut;
    return m;
}

float ScrollView::axisValue(AxisMotion& m, double time, bool& done) {
    for (;;) {
        done = false;
        switch (m.kind) {
        case AxisMotion::Kind::Idle:
            done = true;
            return m.to;
        case AxisMotion::Kind::Tween: {
            double t = m.length > 0 ? (time - m.start) / m.length : 1;
            if (t >= 1) {
                m.kind = AxisMotion::Kind::Idle;
                continue;
            }
            float f = float(std::max(0.0, t));
            float e = m.easeInOut ? easeInOut(f) : easeOut(f);
            return m.from + (m.to - m.from) * e;
        }
        case AxisMotion::Kind::Approach: {
            if (m.bounce) {
                // Crossing the edge: brake hard beyond it, then return to it.
                float edge = m.to < m.low ? m.low : m.high;
                double cross = std::log((m.to - m.from) / (m.to - edge)) / m.rate;
                if (time >= m.start + cross) {
                    float speed = m.rate * (m.to - edge);
                    float over = std::clamp(speed / kOvershootRate, -kMaxOvershoot, kMaxOvershoot);
                    m.start += cross;
                    m.from = edge;
                    m.to = edge + over;
                    m.rate = kOvershootRate;
                    m.length = approachLength(over, kOvershootRate);
                    m.bounce = false;
                    m.low = edge; // the edge to return to
                    m.stage = 1;
                    continue;
                }
            }
            if (time >= m.start + m.length) {
                if (m.stage == 1) {
                    m = tween(m.start + m.length, m.to, m.low, kBounceReturn, false);
                    m.stage = 2;
                    continue;
                }
                m.kind = AxisMotion::Kind::Idle;
                continue;
            }
            double dt = std::max(0.0, time - m.start);
            return m.to - (m.to - m.from) * float(std::exp(-m.rate * dt));
        }
        }
    }
}

void ScrollView::startMotion(MotionKind kind, const std::array<AxisMotion, 2>& axes) {
    stopScrolling();
    axes_ = axes;
    motionKind_ = kind;
    moving_ = true;
    updateIndicators(true);
    Clock* c = clock();
    if (!c) {
        // Out of a window there is no clock: the motion ends at once.
        Point end = contentOffset();
        for (int a = 0; a < 2; ++a) {
            bool done = false;
            axis(end, a) = axisValue(axes_[a], 1e12, done);
        }
        setOffsetInternal(end);
        finishMotion();
        return;
    }
    motionTimer_ = c->scheduledTimer(kFrame, true, [this](UiTimer&) { step(); });
}

void ScrollView::step() {
    if (!moving_) return;
    auto keepAlive = weak_from_this().lock();
    double time = now();
    Point offset = contentOffset();
    bool allDone = true;
    for (int a = 0; a < 2; ++a) {
        bool done = false;
        if (axes_[a].kind == AxisMotion::Kind::Idle && axes_[a].stage == 0) continue;
        axis(offset, a) = axisValue(axes_[a], time, done);
        allDone = allDone && done;
    }
    setOffsetInternal(offset);
    if (allDone && moving_) finishMotion();
}

void ScrollView::finishMotion() {
    moving_ = false;
    if (motionTimer_) {
        motionTimer_->invalidate();
        motionTimer_.reset();
    }
    updateIndicators(false);
    if (!delegate_) return;
    if (motionKind_ == MotionKind::Deceleration)
        delegate_->scrollViewDidEndDecelerating(*this);
    else
        delegate_->scrollViewDidEndScrollingAnimation(*this);
}

void ScrollView::stopScrolling() {
    if (!moving_) return;
    moving_ = false;
    if (motionTimer_) {
        motionTimer_->invalidate();
        motionTimer_.reset();
    }
    if (!dragging_) updateIndicators(false);
}

void ScrollView::didMoveToWindow() {
    View::didMoveToWindow();
    if (window()) return;
    // The clock was the old window's: timers stop, and a touch in flight is gone.
    for (auto* timer : {&delayTimer_, &indicatorTimer_})
        if (*timer) {
            (*timer)->invalidate();
            timer->reset();
        }
    stopScrolling();
    tracking_ = nullptr;
    target_.reset();
    dragging_ = false;
    pendingBegan_ = false;
    contentHasTouch_ = false;
    for (auto& indicator : indicators_)
        if (indicator) indicator->setHidden(true);
}

Clock* ScrollView::clock() const {
    Window* w = window();
    return w ? &w->clock() : nullptr;
}

double ScrollView::now() const {
    Window* w = window();
    return w ? w->now() : 0;
}

// --- Indicators -------------------------------------------------------------------------

bool ScrollView::isIndicator(const View* view) const {
    return view && (view == indicators_[0].get() || view == indicators_[1].get());
}

const View* ScrollView::horizontalScrollIndicator() const {
    return indicators_[0] && !indicators_[0]->isHidden() ? indicators_[0].get() : nullptr;
}

const View* ScrollView::verticalScrollIndicator() const {
    return indicators_[1] && !indicators_[1]->isHidden() ? indicators_[1].get() : nullptr;
}

void ScrollView::updateIndicators(bool scrolling) {
    if (!scrolling) {
        hideIndicatorsLater();
        return;
    }
    if (indicatorTimer_) {
        indicatorTimer_->invalidate();
        indicatorTimer_.reset();
    }
    Rect b = bounds();
    Point min = minimumContentOffset(), max = maximumContentOffset();
    bool shows[2] = {showsHorizontalIndicator_ && max.x > min.x,
                     showsVerticalIndicator_ && max.y > min.y};
    for (int a = 0; a < 2; ++a) {
        auto& indicator = indicators_[a];
        if (!shows[a]) {
            if (indicator) indicator->setHidden(true);
            continue;
        }
        if (!indicator) {
            indicator = std::make_shared<View>();
            indicator->setUserInteractionEnabled(false);
            indicator->setBackgroundColor(Color::gray(0, 0.5f));
        }
        if (indicator->superview() != this) addSubview(indicator);
        bringSubviewToFront(indicator.get());
        indicator->setHidden(false);
        // Length in proportion to the visible part, shortened while past an edge.
        float view = axis(b.size, a) - 2 * kIndicatorInset;
        float content = axis(contentSize_, a);
        float length = content > 0 ? view * axis(b.size, a) / content : view;
        float offset = axis(b.origin, a), lo = axis(min, a), hi = axis(max, a);
        float past = offset < lo ? lo - offset : offset > hi ? offset - hi : 0;
        length = std::clamp(length - past, kIndicatorMinLength, view);
        float fraction = hi > lo ? std::clamp((offset - lo) / (hi - lo), 0.0f, 1.0f) : 0;
        float along = kIndicatorInset + fraction * (view - length);
        if (a == 0)
            indicator->setFrame({b.minX() + along, b.maxY() - kIndicatorInset - kIndicatorThickness,
                                 length, kIndicatorThickness});
        else
            indicator->setFrame({b.maxX() - kIndicatorInset - kIndicatorThickness, b.minY() + along,
                                 kIndicatorThickness, length});
    }
}

void ScrollView::hideIndicatorsLater() {
    if (!indicators_[0] && !indicators_[1]) return;
    Clock* c = clock();
    if (!c) {
        for (auto& indicator : indicators_)
            if (indicator) indicator->setHidden(true);
        return;
    }
    if (indicatorTimer_) indicatorTimer_->invalidate();
    indicatorTimer_ = c->scheduledTimer(kIndicatorLinger, false, [this](UiTimer&) {
        indicatorTimer_.reset();
        if (dragging_ || moving_) return;
        for (auto& indicator : indicators_)
            if (indicator) indicator->setHidden(true);
    });
}

} // namespace ui
