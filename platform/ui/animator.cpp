// Property animations of a window's views on the window clock.
#include "platform/ui/animator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/window.h"

namespace ui {

struct Animator::Group {
    std::function<void(bool)> completion;
    int pending = 0;
    bool allFinished = true;
    bool open = true; // the block is still running its changes
    bool done = false;
};

struct Animator::Animation {
    View* view = nullptr;
    AnimatedProperty property = AnimatedProperty::Alpha;
    View::Presentation from;
    View::Presentation to;
    double start = 0;
    double delay = 0;
    double duration = 0;
    AnimationCurve curve = AnimationCurve::EaseInOut;
    std::shared_ptr<Group> group;
};

namespace {

struct Block {
    double duration;
    double delay;
    AnimationCurve curve;
    std::shared_ptr<void> group; // Animator::Group, private to the class
};

// The open animate() blocks and the completions waiting to run, per (interface) thread.
struct BlockState {
    std::vector<Block> blocks;
    std::vector<std::function<void()>> completions;
    bool flushing = false;
};

BlockState& blockState() {
    thread_local BlockState state;
    return state;
}

void flushCompletions() {
    auto& s = blockState();
    if (!s.blocks.empty() || s.flushing) return;
    s.flushing = true;
    while (!s.completions.empty()) {
        auto batch = std::move(s.completions);
        s.completions.clear();
        for (auto& fn : batch) fn();
    }
    s.flushing = false;
}

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

Point lerp(Point a, Point b, float t) {
    return {lerp(a.x, b.x, t), lerp(a.y, b.y, t)};
}

Rect lerp(const Rect& a, const Rect& b, float t) {
    return {lerp(a.origin, b.origin, t),
            {lerp(a.size.width, b.size.width, t), lerp(a.size.height, b.size.height, t)}};
}

Color lerp(const Color& a, const Color& b, float t) {
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t), lerp(a.a, b.a, t)};
}

// Rotation, scale and translation are interpolated separately (as the platform does), so a
// quarter turn stays a rotation all the way instead of shrinking through a skewed matrix.
Transform lerp(const Transform& a, const Transform& b, float t) {
    auto decompose = [](const Transform& m, float& sx, float& sy, float& angle) {
        sx = std::hypot(m.a, m.b);
        angle = std::atan2(m.b, m.a);
        sy = sx != 0 ? (m.a * m.d - m.b * m.c) / sx : std::hypot(m.c, m.d);
    };
    float sxa, sya, ra, sxb, syb, rb;
    decompose(a, sxa, sya, ra);
    decompose(b, sxb, syb, rb);
    float turn = rb - ra;
    const float pi = std::numbers::pi_v<float>;
    while (turn > pi) turn -= 2 * pi;
    while (turn < -pi) turn += 2 * pi;
    Transform m = Transform::scale(lerp(sxa, sxb, t), lerp(sya, syb, t))
                      .concat(Transform::rotation(ra + turn * t));
    m.tx = lerp(a.tx, b.tx, t);
    m.ty = lerp(a.ty, b.ty, t);
    return m;
}

// Cubic Bezier timing curve through (0,0), (x1,y1), (x2,y2), (1,1).
float bezier(float x1, float y1, float x2, float y2, float x) {
    auto coord = [](float p1, float p2, float s) {
        float u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    float lo = 0, hi = 1, s = x;
    for (int i = 0; i < 40; ++i) { // bisection: monotonic in s for valid timing curves
        s = (lo + hi) / 2;
        if (coord(x1, x2, s) < x)
            lo = s;
        else
            hi = s;
    }
    return coord(y1, y2, s);
}

} // namespace

float Animator::ease(AnimationCurve curve, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    if (t <= 0 || t >= 1) return t;
    switch (curve) {
    case AnimationCurve::Linear:
        return t;
    case AnimationCurve::EaseIn:
        return bezier(0.42f, 0, 1, 1, t);
    case AnimationCurve::EaseOut:
        return bezier(0, 0, 0.58f, 1, t);
    case AnimationCurve::EaseInOut:
        return bezier(0.42f, 0, 0.58f, 1, t);
    }
    return t;
}

void Animator::copyProperty(View::Presentation& dst, const View::Presentation& src,
                            AnimatedProperty p) {
    switch (p) {
    case AnimatedProperty::Bounds:
        dst.bounds = src.bounds;
        break;
    case AnimatedProperty::Center:
        dst.center = src.center;
        break;
    case AnimatedProperty::Transform:
        dst.transform = src.transform;
        break;
    case AnimatedProperty::Alpha:
        dst.alpha = src.alpha;
        break;
    case AnimatedProperty::BackgroundColor:
        dst.backgroundColor = src.backgroundColor;
        break;
    }
}

Animator::Animator(Window& window) : window_(window) {}

Animator::~Animator() {
    // The window is going away: its animations stop without calling back into its views.
    while (!animations_.empty()) finish(animations_.size() - 1, false, false);
}

void Animator::beginBlock(double duration, double delay, AnimationCurve curve,
                          std::function<void(bool)> completion) {
    auto group = std::make_shared<Group>();
    group->completion = std::move(completion);
    blockState().blocks.push_back({std::max(0.0, duration), std::max(0.0, delay), curve, group});
}

void Animator::endBlock() {
    auto& s = blockState();
    if (s.blocks.empty()) return;
    auto group = std::static_pointer_cast<Group>(s.blocks.back().group);
    s.blocks.pop_back();
    group->open = false;
    if (group->pending == 0 && !group->done) {
        group->done = true;
        if (group->completion)
            s.completions.push_back([fn = group->completion, ok = group->allFinished] { fn(ok); });
    }
    flushCompletions();
}

bool Animator::insideBlock() {
    return !blockState().blocks.empty();
}

void Animator::evaluate(Animation& a, double now) {
    double elapsed = now - a.start - a.delay;
    float t = a.duration > 0 ? static_cast<float>(std::clamp(elapsed / a.duration, 0.0, 1.0))
                             : (elapsed >= 0 ? 1.0f : 0.0f);
    float e = ease(a.curve, t);
    View::Presentation& p = a.view->presentation_;
    switch (a.property) {
    case AnimatedProperty::Bounds:
        p.bounds = lerp(a.from.bounds, a.to.bounds, e);
        break;
    case AnimatedProperty::Center:
        p.center = lerp(a.from.center, a.to.center, e);
        break;
    case AnimatedProperty::Transform:
        p.transform = t >= 1 ? a.to.transform : lerp(a.from.transform, a.to.transform, e);
        break;
    case AnimatedProperty::Alpha:
        p.alpha = lerp(a.from.alpha, a.to.alpha, e);
        break;
    case AnimatedProperty::BackgroundColor:
        p.backgroundColor = lerp(a.from.backgroundColor, a.to.backgroundColor, e);
        break;
    }
}

void Animator::finish(size_t index, bool finished, bool notify) {
    Animation a = std::move(animations_[index]);
    animations_.erase(animations_.begin() + static_cast<std::ptrdiff_t>(index));
    View& v = *a.view;
    View::Presentation model{v.bounds_, v.center_, v.transform_, v.alpha_, v.backgroundColor_};
    copyProperty(v.presentation_, model, a.property);
    auto& g = *a.group;
    if (!finished) g.allFinished = false;
    if (--g.pending == 0 && !g.open && !g.done) {
        g.done = true;
        if (g.completion && notify)
            blockState().completions.push_back([fn = g.completion, ok = g.allFinished] { fn(ok); });
    }
}

void Animator::propertyChanged(View& view, AnimatedProperty property) {
    auto& s = blockState();
    View::Presentation model{view.bounds_, view.center_, view.transform_, view.alpha_,
                             view.backgroundColor_};
    size_t running = animations_.size();
    for (size_t i = 0; i < animations_.size(); ++i)
        if (animations_[i].view == &view && animations_[i].property == property) running = i;
    const Block* block = s.blocks.empty() ? nullptr : &s.blocks.back();
    if (!block || (block->duration <= 0 && block->delay <= 0)) {
        if (running < animations_.size()) finish(running, false);
        copyProperty(view.presentation_, model, property);
        flushCompletions();
        return;
    }
    auto group = std::static_pointer_cast<Group>(block->group);
    double now = window_.now();
    if (running < animations_.size()) {
        Animation& a = animations_[running];
        if (a.group == group) { // changed twice in one block: the later value is the target
            copyProperty(a.to, model, property);
            return;
        }
        evaluate(a, now); // begin from what is on screen
        View::Presentation onScreen = view.presentation_;
        finish(running, false);
        copyProperty(view.presentation_, onScreen, property);
    }
    Animation a;
    a.view = &view;
    a.property = property;
    a.from = view.presentation_;
    a.to = model;
    a.start = now;
    a.delay = block->delay;
    a.duration = block->duration;
    a.curve = block->curve;
    a.group = group;
    ++group->pending;
    animations_.push_back(std::move(a));
    window_.setNeedsDisplayInWindow();
    flushCompletions();
}

void Animator::step(double now, bool finishEnded) {
    for (size_t i = 0; i < animations_.size();) {
        Animation& a = animations_[i];
        evaluate(a, now);
        // A small tolerance: frame steps of 1/60 s add up to the end time only approximately.
        if (finishEnded && now >= a.start + a.delay + a.duration - 1e-9) {
            finish(i, true);
        } else {
            ++i;
        }
    }
    flushCompletions();
}

bool Animator::isRunning() const {
    return !animations_.empty();
}

size_t Animator::animationCount() const {
    return animations_.size();
}

bool Animator::hasAnimations(const View& view) const {
    return std::any_of(animations_.begin(), animations_.end(),
                       [&](const Animation& a) { return a.view == &view; });
}

void Animator::removeAnimations(const View& view) {
    for (size_t i = animations_.size(); i-- > 0;)
        if (animations_[i].view == &view) finish(i, false);
    flushCompletions();
}

void Animator::removeAnimationsInSubtree(const View& root) {
    for (size_t i = animations_.size(); i-- > 0;)
        if (i < animations_.size() && animations_[i].view->isDescendantOf(&root)) finish(i, false);
    flushCompletions();
}

} // namespace ui
