// ActivityIndicatorView: twelve spokes drawn with the canvas, stepped by a clock timer.
#include "platform/ui/activity_indicator_view.h"

#include <cassert>
#include <cmath>
#include <numbers>

#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {

Size ActivityIndicatorView::naturalSize(ActivityIndicatorStyle style) {
    return style == ActivityIndicatorStyle::WhiteLarge ? Size{37, 37} : Size{20, 20};
}

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style)
    : ActivityIndicatorView(style, Rect({0, 0}, naturalSize(style))) {}

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style, const Rect& frame)
    : View(frame), style_(style) {
    setUserInteractionEnabled(false);
    setHidden(true); // stopped, and hidden while stopped
}

ActivityIndicatorView::~ActivityIndicatorView() {
    unschedule();
}

void ActivityIndicatorView::setStyle(ActivityIndicatorStyle style) {
    style_ = style;
    setNeedsDisplay();
}

void ActivityIndicatorView::startAnimating() {
    assert(zplatform::RunLoop::isMainThread());
    if (animating_) return;
    animating_ = true;
    setHidden(false);
    schedule();
    setNeedsDisplay();
}

void ActivityIndicatorView::stopAnimating() {
    assert(zplatform::RunLoop::isMainThread());
    if (!animating_) return;
    animating_ = false;
    unschedule();
    if (hidesWhenStopped_) setHidden(true);
    setNeedsDisplay();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) setHidden(hides);
}

void ActivityIndicatorView::didMoveToWindow() {
    unschedule();
    if (animating_) schedule();
}

void ActivityIndicatorView::schedule() {
    Window* w = window();
    if (!w || timer_) return;
    timer_ = w->clock().scheduledAnimationTimer(kTurnSeconds / kSpokes, true, [this](UiTimer&) {
        step_ = (step_ + 1) % kSpokes;
        setNeedsDisplay();
    });
}

void ActivityIndicatorView::unschedule() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void ActivityIndicatorView::draw(Canvas& canvas) const {
    Rect b = bounds();
    float side = std::min(b.width(), b.height());
    if (side <= 0) return;
    Color base = style_ == ActivityIndicatorStyle::Gray ? Color::gray(0.5f) : Color::white();
    Point c = b.center();
    float outer = side / 2;
    float inner = outer * 0.45f;
    float width =
        std::max(1.0f, side * (style_ == ActivityIndicatorStyle::WhiteLarge ? 0.09f : 0.1f));
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is opaque; the ones behind it fade towards a quarter.
        int behind = (step_ - i + kSpokes) % kSpokes;
        float alpha = 1.0f - 0.75f * static_cast<float>(behind) / (kSpokes - 1);
        float angle = 2 * std::numbers::pi_v<float> * static_cast<float>(i) / kSpokes;
        float sx = std::sin(angle), sy = -std::cos(angle);
        canvas.drawLine({c.x + sx * inner, c.y + sy * inner},
                        {c.x + sx * (outer - width / 2), c.y + sy * (outer - width / 2)},
                        base.withAlpha(base.a * alpha), width);
    }
}

} // namespace ui
