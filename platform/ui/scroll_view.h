// ScrollView: a view whose bounds origin (the content offset) moves over a larger content, by
// dragging, flicking (deceleration on the window clock), paging or programmatic offsets.
//
// Touches: a touch in the scroll view is owned by it (hitTest answers the scroll view) and passed
// on to the content view under it, at once or after a short delay (delaysContentTouches). Once
// the finger moves beyond a small slop along a scrollable axis, the scroll view cancels the
// content's touch (touchesCancelled) and drags itself; a touch that never leaves the slop reaches
// the content as a normal tap. Touches the content passes up its responder chain come back to the
// scroll view as content touches (contentTouches*), which subclasses such as TableView use.
//
// Threads: interface thread only; every delegate callback runs on it.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/ui/button.h" // EdgeInsets
#include "platform/ui/clock.h"
#include "platform/ui/view.h"

namespace ui {

class ScrollView;

// Told of the scroll view's movements; every method is optional. The delegate is not owned: it
// must outlive the scroll view or be reset to null first.
class ScrollViewDelegate {
  public:
    virtual ~ScrollViewDelegate() = default;
    // Every change of the content offset (drag, deceleration, animation, setContentOffset).
    virtual void scrollViewDidScroll(ScrollView& scrollView) { (void)scrollView; }
    virtual void scrollViewWillBeginDragging(ScrollView& scrollView) { (void)scrollView; }
    // The finger lifted; willDecelerate when the content keeps moving (flick, paging snap,
    // bounce back), which ends with scrollViewDidEndDecelerating.
    virtual void scrollViewDidEndDragging(ScrollView& scrollView, bool willDecelerate) {
        (void)scrollView;
        (void)willDecelerate;
    }
    virtual void scrollViewWillBeginDecelerating(ScrollView& scrollView) { (void)scrollView; }
    virtual void scrollViewDidEndDecelerating(ScrollView& scrollView) { (void)scrollView; }
    // End of an animated setContentOffset().
    virtual void scrollViewDidEndScrollingAnimation(ScrollView& scrollView) { (void)scrollView; }
};

class ScrollView : public View {
  public:
    // Distance a finger moves before a touch becomes a drag.
    static constexpr float kDragSlop = 10;
    // Delay before a touch reaches the content when delaysContentTouches is on.
    static constexpr double kContentTouchDelay = 0.15;
    // Duration of an animated setContentOffset().
    static constexpr double kScrollAnimationDuration = 0.3;

    explicit ScrollView(const Rect& frame = {});
    ~ScrollView() override;

    std::string_view className() const override { return "ScrollView"; }

    // --- Content ---
    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    Point contentOffset() const { return bounds().origin; }
    // Sets the offset as given (no clamping, as the platform does). Animated: moves there on the
    // window clock in kScrollAnimationDuration, calling scrollViewDidScroll on the way and
    // scrollViewDidEndScrollingAnimation at the end; a drag or a new offset interrupts it.
    void setContentOffset(Point offset, bool animated = false);
    EdgeInsets contentInset() const { return contentInset_; }
    void setContentInset(const EdgeInsets& inset);
    // Smallest and largest offsets the content rests at (the edges a bounce returns to).
    Point minimumContentOffset() const;
    Point maximumContentOffset() const;
    // Scrolls the least needed to show `rect` (content coordinates).
    void scrollRectToVisible(const Rect& rect, bool animated);

    // --- Behaviour ---
    ScrollViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ScrollViewDelegate* delegate) { delegate_ = delegate; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    // Release snaps to a multiple of the bounds size: the nearest page, or the next one in the
    // direction of a flick.
    bool isPagingEnabled() const { return pagingEnabled_; }
    void setPagingEnabled(bool enabled) { pagingEnabled_ = enabled; }
    // Dragged past an edge, the content follows at half speed and springs back on release;
    // without bounces it stops at the edge.
    bool bounces() const { return bounces_; }
    void setBounces(bool bounces) { bounces_ = bounces; }
    bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
    void setAlwaysBounceVertical(bool always) { alwaysBounceVertical_ = always; }
    bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
    void setAlwaysBounceHorizontal(bool always) { alwaysBounceHorizontal_ = always; }
    bool delaysContentTouches() const { return delaysContentTouches_; }
    void setDelaysContentTouches(bool delays) { delaysContentTouches_ = delays; }
    // When false, once the content has a touch the scroll view never takes it over.
    bool canCancelContentTouches() const { return canCancelContentTouches_; }
    void setCanCancelContentTouches(bool can) { canCancelContentTouches_ = can; }
    bool showsHorizontalScrollIndicator() const { return showsHorizontalIndicator_; }
    void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontalIndicator_ = shows; }
    bool showsVerticalScrollIndicator() const { return showsVerticalIndicator_; }
    void setShowsVerticalScrollIndicator(bool shows) { showsVerticalIndicator_ = shows; }
    // Fraction of the speed left after one second of free deceleration (the platform's normal
    // rate).
    static constexpr float kDecelerationRate = 0.135f;

    // --- State ---
    // A finger is down on the scroll view (dragging or not yet).
    bool isTracking() const { return tracking_ != nullptr; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return moving_ && motionKind_ == MotionKind::Deceleration; }
    bool isScrollAnimating() const { return moving_ && motionKind_ == MotionKind::Animation; }
    // Stops a deceleration or animation where it is (no end callback).
    void stopScrolling();
    // The indicator views while shown (for tests and drawing); null when hidden or disabled.
    const View* horizontalScrollIndicator() const;
    const View* verticalScrollIndicator() const;

    // --- View ---
    View* hitTest(Point point, const Event* event) override;
    void setFrame(const Rect& frame) override;
    void setBounds(const Rect& bounds) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void didMoveToWindow() override;

  protected:
    // The end point of a release may be moved by subclasses (a picker snaps to rows). `proposed`
    // is where the content would come to rest; `velocity` in points per second of offset.
    virtual Point targetContentOffset(Point proposed, Point velocity) const;
    // Offset or size changed (subclasses lay out the content that became visible).
    virtual void contentAreaChanged() {}
    // Touches of the scroll view that the content did not handle: the touch began on no
    // content, or the content passed it up its responder chain. `touch` is the scroll view's
    // tracked touch. Cancelled also arrives when a drag takes the touch over.
    virtual void contentTouchesBegan(Touch& touch, const Event& event);
    virtual void contentTouchesMoved(Touch& touch, const Event& event);
    virtual void contentTouchesEnded(Touch& touch, const Event& event);
    virtual void contentTouchesCancelled(Touch& touch, const Event& event);
    // Subviews of the content (indicators excluded) for subclasses that enumerate them.
    bool isIndicator(const View* view) const;

  private:
    enum class MotionKind { Deceleration, Animation };
    enum class Phase { Began, Moved, Ended, Cancelled };
    // One axis of a deceleration or animation, as a function of time (see scroll_motion.cpp).
    struct AxisMotion {
        enum class Kind { Idle, Approach, Tween } kind = Kind::Idle;
        double start = 0;  // clock time the segment starts
        float from = 0;    // value at start
        float to = 0;      // value approached (Approach) or reached (Tween)
        float rate = 0;    // Approach: exponential rate per second
        double length = 0; // Tween: duration; Approach: time to come within half a point
        bool easeInOut = false;
        // Edge overshoot follows an Approach that crosses [low, high] when bouncing.
        float low = 0, high = 0;
        bool bounce = false;
        int stage = 0; // 0 first segment, 1 overshoot, 2 return
    };

    void setOffsetInternal(Point offset);
    bool canScrollHorizontally() const;
    bool canScrollVertically() const;
    Point localPoint(const Touch& touch) const;
    void route(Phase phase, Touch& touch, const Event& event);
    void deliverToContent(Phase phase, Touch& touch, const Event& event);
    void fireDelayedBegan();
    void beginDrag(Touch& touch, const Event& event);
    void dragTo(Point location);
    void endDrag();
    Point releaseVelocity() const;
    void startMotion(MotionKind kind, const std::array<AxisMotion, 2>& axes);
    void step();
    void finishMotion();
    void updateIndicators(bool scrolling);
    void hideIndicatorsLater();
    Clock* clock() const;
    double now() const;

    static float axisValue(AxisMotion& motion, double time, bool& done);
    static AxisMotion approach(double start, float from, float to, float rate, float low,
                               float high, bool bounce);
    static AxisMotion tween(double start, float from, float to, double duration, bool easeInOut);

    Size contentSize_;
    EdgeInsets contentInset_;
    ScrollViewDelegate* delegate_ = nullptr;
    bool scrollEnabled_ = true;
    bool pagingEnabled_ = false;
    bool bounces_ = true;
    bool alwaysBounceVertical_ = false;
    bool alwaysBounceHorizontal_ = false;
    bool delaysContentTouches_ = true;
    bool canCancelContentTouches_ = true;
    bool showsHorizontalIndicator_ = true;
    bool showsVerticalIndicator_ = true;

    // The tracked touch and where it went.
    Touch* tracking_ = nullptr;
    std::weak_ptr<View> target_; // content view receiving the touch; expired/none: ourselves
    bool targetIsSelf_ = false;
    bool contentHasTouch_ = false; // the content received Began
    bool pendingBegan_ = false;    // Began withheld by delaysContentTouches
    bool caughtMotion_ = false;    // the touch stopped a deceleration: never a tap
    int routingDepth_ = 0;         // inside a call into the content
    std::shared_ptr<UiTimer> delayTimer_;
    bool dragging_ = false;
    Point touchStart_;  // frame-relative location at Began
    Point offsetStart_; // offset at Began
    struct Sample {
        Point location;
        double time;
    };
    std::vector<Sample> samples_;

    // Deceleration and animation.
    bool moving_ = false;
    MotionKind motionKind_ = MotionKind::Deceleration;
    std::array<AxisMotion, 2> axes_{};
    std::shared_ptr<UiTimer> motionTimer_;

    // Indicators: [0] horizontal, [1] vertical; created on first use.
    std::array<std::shared_ptr<View>, 2> indicators_;
    std::shared_ptr<UiTimer> indicatorTimer_;
};

} // namespace ui
