// View: the node of the retained view tree — frame, bounds, transform, alpha, background,
// tag, subviews, touches and drawing.
//
// Ownership: a superview retains its subviews (shared ownership, as the platform retains);
// removeFromSuperview() releases that reference. Controllers keep their own shared_ptr to the
// views they need again. Views are not copyable. A view knows its superview by a plain pointer,
// cleared when it is removed or when the superview dies.
//
// Threads: interface thread only. Work on other threads reaches views through
// RunLoop::main().post().
//
// Animations: property changes made inside View::animate()'s block on a view that is in a
// window run from their current to their new value on the window's clock; outside a block, or
// on a view without a window, they apply at once. Animatable: frame, center, bounds, alpha,
// transform, background colour.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/touch.h"

namespace ui {

class Canvas;
class FontMetrics;
class Window;

enum class AnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };
// The properties animate() animates (frame changes animate bounds and center).
enum class AnimatedProperty { Bounds, Center, Transform, Alpha, BackgroundColor };

class View : public std::enable_shared_from_this<View> {
  public:
    explicit View(const Rect& frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // --- Geometry (points, in the superview's coordinates) ---
    Rect frame() const;
    virtual void setFrame(const Rect& frame);
    Rect bounds() const { return bounds_; }
    // The bounds origin is the offset of the content (scroll views move it).
    virtual void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);
    const Transform& transform() const { return transform_; }
    void setTransform(const Transform& transform);

    // --- Appearance ---
    float alpha() const { return alpha_; }
    void setAlpha(float alpha);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
    // True when this view and every superview are visible (not hidden, alpha > 0.01) and the
    // view is in a window.
    bool isVisibleInWindow() const;

    // --- Hierarchy ---
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // Adds on top (removing the view from its previous superview first).
    void addSubview(std::shared_ptr<View> view);
    void insertSubview(std::shared_ptr<View> view, size_t index);
    void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
    void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    bool isDescendantOf(const View* view) const;
    // This view when it has the tag, else the first match depth-first in subview order.
    View* viewWithTag(int tag);
    template <class T> T* viewWithTagAs(int tag) { return dynamic_cast<T*>(viewWithTag(tag)); }
    // The window this view is in, or null.
    virtual Window* window() const;

    // --- Coordinates (null view: the window) ---
    Point convertPointToView(Point point, const View* view) const;
    Point convertPointFromView(Point point, const View* view) const;
    Rect convertRectToView(const Rect& rect, const View* view) const;

    // --- Hit testing and touches ---
    // `point` in this view's bounds coordinates. The deepest visible, interaction-enabled
    // subview containing the point (front to back), this view, or null.
    virtual View* hitTest(Point point, const Event* event);
    virtual bool pointInside(Point point, const Event* event) const;
    // The default passes the touches on to the superview (the responder chain).
    virtual void touchesBegan(const TouchSet& touches, const Event& event);
    virtual void touchesMoved(const TouchSet& touches, const Event& event);
    virtual void touchesEnded(const TouchSet& touches, const Event& event);
    virtual void touchesCancelled(const TouchSet& touches, const Event& event);

    // --- Text input (text fields and views) ---
    virtual bool canBecomeFirstResponder() const { return false; }
    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool isFirstResponder() const;
    // Delivered to the first responder.
    virtual void insertText(std::string_view utf8) { (void)utf8; }
    virtual void deleteBackward() {}
    virtual void returnKey() {}
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}

    // --- Drawing and layout ---
    // Text metrics for layout: the window's, fixed metrics outside a window.
    const FontMetrics& fontMetrics() const;
    // Marks the window for a redraw.
    void setNeedsDisplay();
    void setNeedsLayout();
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    // Draws this view's own content in its bounds coordinates; the background colour is
    // already filled and the subviews are drawn after (above) it.
    virtual void draw(Canvas& canvas) const;
    // The view and its subtree: transform, alpha, clip, background, draw(), subviews.
    void render(Canvas& canvas) const;

    // --- Animations ---
    static void animate(double duration, const std::function<void()>& changes,
                        std::function<void(bool finished)> completion = {}, double delay = 0,
                        AnimationCurve curve = AnimationCurve::EaseInOut);
    // True while an animate() block runs on this thread.
    static bool isInsideAnimationBlock();
    // Stops this view's running animations, leaving the properties at their current values.
    void removeAllAnimations();
    bool hasRunningAnimations() const;
    // The values as drawn at this moment (equal to the model values when nothing animates).
    Rect presentationFrame() const;
    float presentationAlpha() const { return presentation_.alpha; }
    Point presentationCenter() const { return presentation_.center; }
    const Transform& presentationTransform() const { return presentation_.transform; }
    const Color& presentationBackgroundColor() const { return presentation_.backgroundColor; }

    // --- For tests and the driver ---
    // The text the view shows (labels, buttons, text fields); "" for others.
    virtual std::string displayedText() const { return {}; }
    // The name of the image the view shows; "" for others.
    virtual std::string displayedImageName() const { return {}; }
    virtual std::string_view className() const { return "View"; }

    // Called when the view moves into or out of a window.
    virtual void didMoveToWindow() {}

  protected:
    // Values as they are drawn while an animation runs (the model values are the targets).
    friend class Animator;
    struct Presentation {
        Rect bounds;
        Point center;
        Transform transform;
        float alpha = 1;
        Color backgroundColor;
    };
    const Presentation& presentation() const { return presentation_; }

  private:
    friend class Window;
    void notifyWindowChanged();
    size_t indexOf(const View* view) const;
    // Adds `view` (moving it here if needed) at the index `position` gives once it is detached.
    void placeSubview(std::shared_ptr<View> view, const std::function<size_t()>& position);
    // Takes this view out of its superview's subviews or the window's modal layer.
    void detachFromSuperview();
    // The mapping from this view's bounds coordinates to its superview's.
    Transform toSuperview() const;
    Transform presentationToSuperview() const;
    Point pointToRoot(Point point) const;
    Point pointFromRoot(Point point) const;
    // Hands a model change to the window's animator (or applies it at once).
    void propertyDidChange(AnimatedProperty property);
    void syncPresentation(AnimatedProperty property);
    void layoutSubtree();

    Rect bounds_;
    Point center_;
    Transform transform_;
    float alpha_ = 1;
    bool hidden_ = false;
    Color backgroundColor_ = Color::clear();
    bool clipsToBounds_ = false;
    int tag_ = 0;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    bool needsLayout_ = true;
    Presentation presentation_;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
};

} // namespace ui
