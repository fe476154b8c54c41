// Window: the root view with its clock, animator, touch dispatch, focus and modal layer.
#include "platform/ui/window.h"

#include <algorithm>

#include "platform/ui/accelerometer.h"
#include "platform/ui/animator.h"
#include "platform/ui/canvas.h"
#include "platform/ui/system_services.h"
#include "platform/ui/touch_dispatcher.h"

namespace ui {

Window::Window(Size size)
    : View(Rect{0, 0, size.width, size.height}), animator_(std::make_unique<Animator>(*this)),
      touches_(std::make_unique<TouchDispatcher>(*this)),
      accelerometer_(std::make_unique<Accelerometer>(clock_)),
      services_(std::make_unique<SystemServices>()),
      metrics_(std::make_shared<FixedFontMetrics>()) {}

Window::~Window() {
    // The animator and the dispatcher point into the tree: they go before any view does.
    animator_.reset();
    touches_.reset();
    firstResponder_ = nullptr;
    for (auto& m : modal_) m->superview_ = nullptr;
    modal_.clear();
}

void Window::advanceTo(double time) {
    clock_.advanceTo(time);
    // A step that ends the last animation still changes what is drawn.
    if (animator_->isRunning()) needsDisplay_ = true;
    animator_->step(clock_.now());
}

void Window::advanceAnimationsTo(double time) {
    clock_.advanceAnimationTimersTo(time);
    if (animator_->isRunning()) needsDisplay_ = true;
    animator_->step(clock_.now(), false);
}

void Window::renderWindow(Canvas& canvas) {
    layoutIfNeeded();
    auto modal = modal_; // layout may present or dismiss
    for (const auto& m : modal) m->layoutIfNeeded();
    render(canvas);
    for (const auto& m : modal_) m->render(canvas);
    needsDisplay_ = false;
}

void Window::setMetrics(std::shared_ptr<const FontMetrics> metrics) {
    metrics_ = metrics ? std::move(metrics) : std::make_shared<FixedFontMetrics>();
    needsDisplay_ = true;
}

void Window::handleTouch(int finger, TouchPhase phase, Point location) {
    touches_->handle(finger, phase, location);
}

void Window::cancelAllTouches() {
    touches_->cancelAll();
}

void Window::handleText(std::string_view utf8) {
    if (firstResponder_) firstResponder_->insertText(utf8);
}

void Window::handleBackspace() {
    if (firstResponder_) firstResponder_->deleteBackward();
}

void Window::handleReturn() {
    if (firstResponder_) firstResponder_->returnKey();
}

void Window::setFirstResponder(View* view) {
    View* old = firstResponder_;
    if (old == view) return;
    firstResponder_ = view;
    if (old) old->didResignFirstResponder();
    if (view && firstResponder_ == view) view->didBecomeFirstResponder();
}

void Window::viewWillLeave(View* view) {
    if (animator_) animator_->removeAnimationsInSubtree(*view);
    if (touches_) touches_->viewWillLeave(*view);
    if (firstResponder_ && firstResponder_->isDescendantOf(view)) setFirstResponder(nullptr);
}

void Window::presentModal(const std::shared_ptr<View>& view) {
    if (!view || view.get() == this) return;
    Window* oldWindow = view->window();
    if (oldWindow && oldWindow != this) oldWindow->viewWillLeave(view.get());
    view->detachFromSuperview();
    view->superview_ = this;
    modal_.push_back(view);
    if (oldWindow != this) view->notifyWindowChanged();
    needsDisplay_ = true;
}

void Window::dismissModal(const View* view) {
    auto it = std::find_if(modal_.begin(), modal_.end(),
                           [view](const auto& m) { return m.get() == view; });
    if (it == modal_.end()) return;
    std::shared_ptr<View> keepAlive = *it;
    viewWillLeave(keepAlive.get());
    modal_.erase(std::find(modal_.begin(), modal_.end(), keepAlive));
    keepAlive->superview_ = nullptr;
    keepAlive->notifyWindowChanged();
    needsDisplay_ = true;
}

} // namespace ui
