// The system volume slider.
#include "platform/ui/volume_view.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"

namespace ui {
namespace {
constexpr float kThumbSlop = 10; // points around the thumb that still grab it
}

VolumeView::VolumeView(const Rect& frame)
    : View(frame), self_(std::make_shared<VolumeView*>(this)) {}

float VolumeView::trackLeft() const {
    return bounds().minX() + kThumbSize / 2;
}

float VolumeView::trackWidth() const {
    return std::max(1.0f, bounds().width() - kThumbSize);
}

Rect VolumeView::thumbRect() const {
    float cx = trackLeft() + value_ * trackWidth();
    return {cx - kThumbSize / 2, bounds().midY() - kThumbSize / 2, kThumbSize, kThumbSize};
}

void VolumeView::didMoveToWindow() {
    Window* w = window();
    if (!w) return;
    SystemServices& services = w->services();
    value_ = services.musicVolume();
    setNeedsDisplay();
    if (services_ == &services) return;
    // A subscription to another window's services is left behind: it holds the view weakly.
    services_ = &services;
    std::weak_ptr<VolumeView*> weak = self_;
    services.observeVolume([weak](float volume) {
        auto self = weak.lock();
        if (!self) return;
        VolumeView* view = *self;
        view->value_ = volume;
        view->setNeedsDisplay();
    });
}

void VolumeView::setValueFromTouch(float x) {
    float v = std::clamp((x - grabOffset_ - trackLeft()) / trackWidth(), 0.0f, 1.0f);
    if (Window* w = window()) {
        w->services().setMusicVolume(v); // the observer moves the thumb
    } else {
        value_ = v;
        setNeedsDisplay();
    }
}

void VolumeView::touchesBegan(const TouchSet& touches, const Event&) {
    if (touches.empty()) return;
    Point p = touches.front()->locationInView(this);
    Rect grab = thumbRect().insetBy(-kThumbSlop, -kThumbSlop);
    tracking_ = grab.contains(p);
    if (tracking_) grabOffset_ = p.x - thumbRect().midX();
}

void VolumeView::touchesMoved(const TouchSet& touches, const Event&) {
    if (!tracking_ || touches.empty()) return;
    setValueFromTouch(touches.front()->locationInView(this).x);
}

void VolumeView::touchesEnded(const TouchSet& touches, const Event&) {
    if (tracking_ && !touches.empty()) setValueFromTouch(touches.front()->locationInView(this).x);
    tracking_ = false;
}

void VolumeView::touchesCancelled(const TouchSet&, const Event&) {
    tracking_ = false;
}

void VolumeView::draw(Canvas& canvas) const {
    Rect b = bounds();
    float y = b.midY();
    float split = trackLeft() + value_ * trackWidth();
    canvas.drawLine({trackLeft(), y}, {split, y}, Color::rgb255(40, 110, 230), 3);
    canvas.drawLine({split, y}, {trackLeft() + trackWidth(), y}, Color::gray(0.7f), 3);
    Rect thumb = thumbRect();
    canvas.fillEllipse(thumb.insetBy(-1, -1), Color::gray(0.5f, 0.5f));
    canvas.fillEllipse(thumb, Color::white());
}

} // namespace ui
