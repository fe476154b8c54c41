// View: geometry, hierarchy, coordinates, hit testing, responder chain and rendering.
#include "platform/ui/view.h"

#include <algorithm>
#include <cassert>

#include "platform/ui/animator.h"
#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

// Local (bounds) coordinates to the superview's: the bounds centre maps to `center`, with the
// transform applied about it.
Transform mapping(const Rect& bounds, Point center, const Transform& t) {
    return Transform::translation(-bounds.midX(), -bounds.midY())
        .concat(t)
        .concat(Transform::translation(center.x, center.y));
}

Rect boundingBox(const Transform& m, const Rect& r) {
    Point corners[4] = {m.apply({r.minX(), r.minY()}), m.apply({r.maxX(), r.minY()}),
                        m.apply({r.minX(), r.maxY()}), m.apply({r.maxX(), r.maxY()})};
    float x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace

View::View(const Rect& frame)
    : bounds_{0, 0, frame.width(), frame.height()}, center_(frame.center()) {
    presentation_ = {bounds_, center_, transform_, alpha_, backgroundColor_};
}

View::~View() {
    for (auto& s : subviews_) s->superview_ = nullptr;
}

// --- Geometry ---

Rect View::frame() const {
    if (transform_.isIdentity())
        return {center_.x - bounds_.width() / 2, center_.y - bounds_.height() / 2, bounds_.width(),
                bounds_.height()};
    return boundingBox(toSuperview(), bounds_);
}

Rect View::presentationFrame() const {
    return boundingBox(presentationToSuperview(), presentation_.bounds);
}

// With a transform, the frame is taken as the untransformed size placed at the rect's centre.
void View::setFrame(const Rect& frame) {
    Size oldSize = bounds_.size;
    center_ = frame.center();
    bounds_.size = frame.size;
    propertyDidChange(AnimatedProperty::Center);
    propertyDidChange(AnimatedProperty::Bounds);
    if (oldSize != frame.size) setNeedsLayout();
}

void View::setBounds(const Rect& bounds) {
    Size oldSize = bounds_.size;
    bounds_ = bounds;
    propertyDidChange(AnimatedProperty::Bounds);
    if (oldSize != bounds.size) setNeedsLayout();
}

void View::setCenter(Point center) {
    center_ = center;
    propertyDidChange(AnimatedProperty::Center);
}

void View::setTransform(const Transform& transform) {
    transform_ = transform;
    propertyDidChange(AnimatedProperty::Transform);
}

void View::setAlpha(float alpha) {
    alpha_ = std::clamp(alpha, 0.0f, 1.0f);
    propertyDidChange(AnimatedProperty::Alpha);
}

void View::setHidden(bool hidden) {
    if (hidden_ == hidden) return;
    hidden_ = hidden;
    setNeedsDisplay();
}

void View::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    propertyDidChange(AnimatedProperty::BackgroundColor);
}

void View::propertyDidChange(AnimatedProperty property) {
    if (Window* w = window())
        w->animator().propertyChanged(*this, property);
    else
        syncPresentation(property);
    setNeedsDisplay();
}

void View::syncPresentation(AnimatedProperty property) {
    switch (property) {
    case AnimatedProperty::Bounds:
        presentation_.bounds = bounds_;
        break;
    case AnimatedProperty::Center:
        presentation_.center = center_;
        break;
    case AnimatedProperty::Transform:
        presentation_.transform = transform_;
        break;
    case AnimatedProperty::Alpha:
        presentation_.alpha = alpha_;
        break;
    case AnimatedProperty::BackgroundColor:
        presentation_.backgroundColor = backgroundColor_;
        break;
    }
}

bool View::isVisibleInWindow() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->hidden_ || v->alpha_ <= 0.01f) return false;
    return window() != nullptr;
}

// --- Hierarchy ---

Window* View::window() const {
    const View* top = this;
    while (top->superview_) top = top->superview_;
    return top == this ? nullptr : top->window();
}

size_t View::indexOf(const View* view) const {
    for (size_t i = 0; i < subviews_.size(); ++i)
        if (subviews_[i].get() == view) return i;
    return subviews_.size();
}

void View::detachFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    size_t i = parent->indexOf(this);
    superview_ = nullptr;
    if (i < parent->subviews_.size()) {
        parent->subviews_.erase(parent->subviews_.begin() + static_cast<std::ptrdiff_t>(i));
    } else if (Window* w = parent->window(); w == parent) {
        auto& modal = w->modal_;
        modal.erase(std::remove_if(modal.begin(), modal.end(),
                                   [this](const auto& m) { return m.get() == this; }),
                    modal.end());
    }
    parent->setNeedsDisplay();
}

void View::placeSubview(std::shared_ptr<View> view, const std::function<size_t()>& position) {
    // No cycles: a view cannot become a subview of itself or of one of its descendants.
    if (!view || view.get() == this || isDescendantOf(view.get())) return;
    Window* oldWindow = view->window();
    Window* newWindow = window();
    if (oldWindow && oldWindow != newWindow) oldWindow->viewWillLeave(view.get());
    view->detachFromSuperview();
    size_t index = std::min(position(), subviews_.size());
    View* added = view.get();
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), std::move(view));
    added->superview_ = this;
    if (oldWindow != newWindow) added->notifyWindowChanged();
    setNeedsLayout();
    setNeedsDisplay();
}

void View::addSubview(std::shared_ptr<View> view) {
    placeSubview(std::move(view), [this] { return subviews_.size(); });
}

void View::insertSubview(std::shared_ptr<View> view, size_t index) {
    placeSubview(std::move(view), [index] { return index; });
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
    placeSubview(std::move(view), [this, sibling] {
        size_t i = indexOf(sibling);
        return i < subviews_.size() ? i + 1 : subviews_.size();
    });
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
    placeSubview(std::move(view), [this, sibling] {
        size_t i = indexOf(sibling);
        return i < subviews_.size() ? i : subviews_.size();
    });
}

void View::removeFromSuperview() {
    if (!superview_) return;
    // The superview may hold the last reference to this view.
    std::shared_ptr<View> keepAlive;
    size_t i = superview_->indexOf(this);
    if (i < superview_->subviews_.size()) keepAlive = superview_->subviews_[i];
    Window* w = window();
    if (w) w->viewWillLeave(this);
    if (w && superview_ == w && i >= w->subviews_.size()) {
        w->dismissModal(this);
        return;
    }
    detachFromSuperview();
    if (w) notifyWindowChanged();
}

void View::bringSubviewToFront(const View* view) {
    size_t i = indexOf(view);
    if (i >= subviews_.size()) return;
    std::rotate(subviews_.begin() + static_cast<std::ptrdiff_t>(i),
                subviews_.begin() + static_cast<std::ptrdiff_t>(i) + 1, subviews_.end());
    setNeedsDisplay();
}

void View::sendSubviewToBack(const View* view) {
    size_t i = indexOf(view);
    if (i >= subviews_.size()) return;
    std::rotate(subviews_.begin(), subviews_.begin() + static_cast<std::ptrdiff_t>(i),
                subviews_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    setNeedsDisplay();
}

bool View::isDescendantOf(const View* view) const {
    if (!view) return false;
    for (const View* v = this; v; v = v->superview_)
        if (v == view) return true;
    return false;
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag) return this;
    for (const auto& s : subviews_)
        if (View* found = s->viewWithTag(tag)) return found;
    return nullptr;
}

void View::notifyWindowChanged() {
    didMoveToWindow();
    // didMoveToWindow() may change the subviews; walk a copy.
    auto children = subviews_;
    for (const auto& s : children) s->notifyWindowChanged();
}

// --- Coordinates ---

Transform View::toSuperview() const {
    return mapping(bounds_, center_, transform_);
}

Transform View::presentationToSuperview() const {
    return mapping(presentation_.bounds, presentation_.center, presentation_.transform);
}

// The top of the tree is the coordinate space of "no view": the window's bounds when in a
// window (the window itself sits at the origin), the root view's bounds otherwise.
Point View::pointToRoot(Point point) const {
    for (const View* v = this; v->superview_; v = v->superview_)
        point = v->toSuperview().apply(point);
    return point;
}

Point View::pointFromRoot(Point point) const {
    if (!superview_) return point;
    return toSuperview().inverted().apply(superview_->pointFromRoot(point));
}

Point View::convertPointToView(Point point, const View* view) const {
    Point root = pointToRoot(point);
    return view ? view->pointFromRoot(root) : root;
}

Point View::convertPointFromView(Point point, const View* view) const {
    Point root = view ? view->pointToRoot(point) : point;
    return pointFromRoot(root);
}

Rect View::convertRectToView(const Rect& rect, const View* view) const {
    Point corners[4] = {{rect.minX(), rect.minY()},
                        {rect.maxX(), rect.minY()},
                        {rect.minX(), rect.maxY()},
                        {rect.maxX(), rect.maxY()}};
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    for (int i = 0; i < 4; ++i) {
        Point p = convertPointToView(corners[i], view);
        if (i == 0) x0 = x1 = p.x, y0 = y1 = p.y;
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

// --- Hit testing and touches ---

View* View::hitTest(Point point, const Event* event) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ <= 0.01f) return nullptr;
    if (!pointInside(point, event)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* s = it->get();
        Point local = s->toSuperview().inverted().apply(point);
        if (View* hit = s->hitTest(local, event)) return hit;
    }
    return this;
}

bool View::pointInside(Point point, const Event*) const {
    return bounds_.contains(point);
}

void View::touchesBegan(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesBegan(touches, event);
}

void View::touchesMoved(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesMoved(touches, event);
}

void View::touchesEnded(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesEnded(touches, event);
}

void View::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesCancelled(touches, event);
}

// --- Text input ---

bool View::becomeFirstResponder() {
    Window* w = window();
    if (!w || !canBecomeFirstResponder()) return false;
    if (w->firstResponder_ == this) return true;
    w->setFirstResponder(this);
    return w->firstResponder_ == this;
}

bool View::resignFirstResponder() {
    Window* w = window();
    if (w && w->firstResponder_ == this) w->setFirstResponder(nullptr);
    return true;
}

bool View::isFirstResponder() const {
    Window* w = window();
    return w && w->firstResponder_ == this;
}

// --- Drawing and layout ---

const FontMetrics& View::fontMetrics() const {
    static const FixedFontMetrics fallback; // stateless
    Window* w = window();
    return w ? w->metrics() : fallback;
}

void View::setNeedsDisplay() {
    if (Window* w = window()) w->setNeedsDisplayInWindow();
}

void View::setNeedsLayout() {
    needsLayout_ = true;
    setNeedsDisplay();
}

void View::layoutIfNeeded() {
    layoutSubtree();
}

void View::layoutSubtree() {
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    auto children = subviews_; // layout may add or remove subviews
    for (const auto& s : children) s->layoutSubtree();
}

void View::draw(Canvas&) const {}

void View::render(Canvas& canvas) const {
    if (hidden_ || presentation_.alpha <= 0) return;
    canvas.save();
    canvas.concat(presentationToSuperview());
    canvas.multiplyAlpha(presentation_.alpha);
    const Rect& b = presentation_.bounds;
    if (clipsToBounds_) canvas.clipTo(b);
    if (!presentation_.backgroundColor.isClear()) canvas.fillRect(b, presentation_.backgroundColor);
    draw(canvas);
    for (const auto& s : subviews_) s->render(canvas);
    canvas.restore();
}

// --- Animations ---

void View::animate(double duration, const std::function<void()>& changes,
                   std::function<void(bool finished)> completion, double delay,
                   AnimationCurve curve) {
    struct BlockScope {
        BlockScope(double d, double dl, AnimationCurve c, std::function<void(bool)> fn) {
            Animator::beginBlock(d, dl, c, std::move(fn));
        }
        ~BlockScope() { Animator::endBlock(); }
        BlockScope(const BlockScope&) = delete;
        BlockScope& operator=(const BlockScope&) = delete;
    } scope(duration, delay, curve, std::move(completion));
    if (changes) changes();
}

bool View::isInsideAnimationBlock() {
    return Animator::insideBlock();
}

void View::removeAllAnimations() {
    if (Window* w = window()) w->animator().removeAnimations(*this);
}

bool View::hasRunningAnimations() const {
    Window* w = window();
    return w && w->animator().hasAnimations(*this);
}

} // namespace ui
