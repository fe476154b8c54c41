// ActivityIndicatorView: the spinning wheel of twelve spokes shown while something loads.
#pragma once

#include <memory>

#include "platform/ui/view.h"

namespace ui {

class UiTimer;

enum class ActivityIndicatorStyle { WhiteLarge, White, Gray };

// The wheel turns once a second in twelve steps on the window's clock, only while animating
// and in a window. With hidesWhenStopped (the default) the view is hidden whenever it is not
// animating, from its creation on.
//
// Threads: interface thread only.
class ActivityIndicatorView : public View {
  public:
    static constexpr int kSpokes = 12;
    static constexpr double kTurnSeconds = 1.0;

    // The frame defaults to the style's natural size (37 x 37 large, 20 x 20 otherwise) at
    // the origin.
    explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::White);
    ActivityIndicatorView(ActivityIndicatorStyle style, const Rect& frame);
    ~ActivityIndicatorView() override;

    ActivityIndicatorStyle style() const { return style_; }
    void setStyle(ActivityIndicatorStyle style);
    static Size naturalSize(ActivityIndicatorStyle style);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    // The spoke drawn brightest, 0..11, clockwise from twelve o'clock.
    int leadingSpoke() const { return step_; }

    void draw(Canvas& canvas) const override;
    void didMoveToWindow() override;
    std::string_view className() const override { return "ActivityIndicatorView"; }

  private:
    void schedule();
    void unschedule();

    ActivityIndicatorStyle style_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
    int step_ = 0;
    std::shared_ptr<UiTimer> timer_;
};

} // namespace ui
