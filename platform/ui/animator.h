// Animator: the property animations of one window's views. View setters report their changes
// here; inside a View::animate() block a change runs from the current presentation value to
// the new model value on the window's clock, otherwise it applies at once.
//
// A new animation of a property replaces the running one, whose block completion then
// reports finished = false. A block's completion runs once, after all its animations ended
// (finished = true only when none was replaced or removed). Completions never run inside a
// setter of an animation block: they run after the block, or at the end of step().
//
// Threads: interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/view.h"

namespace ui {

class Window;

class Animator {
  public:
    explicit Animator(Window& window);
    ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    // Called by a View after its model value of `property` changed.
    void propertyChanged(View& view, AnimatedProperty property);
    // Moves every animation to `now`; finished ones leave presentation == model. With
    // `finishEnded` false, ended animations hold their last value and stay until a later step
    // finishes them (their completions run then, not now).
    void step(double now, bool finishEnded = true);
    bool isRunning() const;
    size_t animationCount() const;
    bool hasAnimations(const View& view) const;
    // Ends the view's animations (finished = false), presentation = model.
    void removeAnimations(const View& view);
    // Same for a view and all its descendants (the subtree is leaving the window).
    void removeAnimationsInSubtree(const View& root);

    // View::animate()'s block on this thread.
    static void beginBlock(double duration, double delay, AnimationCurve curve,
                           std::function<void(bool)> completion);
    static void endBlock();
    static bool insideBlock();

    // Eased progress of `curve` at linear progress t in [0, 1].
    static float ease(AnimationCurve curve, float t);

  private:
    struct Group;
    struct Animation;
    void evaluate(Animation& animation, double now);
    void finish(size_t index, bool finished, bool notify = true);
    static void copyProperty(View::Presentation& dst, const View::Presentation& src,
                             AnimatedProperty property);

    Window& window_;
    std::vector<Animation> animations_;
};

} // namespace ui
