// ImageView: shows an image (or its highlighted image) scaled by its content mode, stretchable
// images by their caps, and frame animations: a list of images shown in turn on the window
// clock.
//
// Like the platform's, an image view does not take touches by default (they reach the views
// below it).
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/image.h"
#include "platform/ui/view.h"

namespace ui {

class UiTimer;

enum class ContentMode { ScaleToFill, AspectFit, AspectFill, Center };

class ImageView : public View {
  public:
    explicit ImageView(const Rect& frame = {});
    // Sized to the image, at the origin.
    explicit ImageView(const Image& image);
    ~ImageView() override;

    const Image& image() const { return image_; }
    void setImage(const Image& image);
    const Image& highlightedImage() const { return highlightedImage_; }
    void setHighlightedImage(const Image& image);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);

    // Frame animation. The duration is one cycle (0: 1/30 s per image); a repeat count of 0
    // repeats until stopped. It runs while the view is in a window.
    void setAnimationImages(std::vector<Image> images);
    const std::vector<Image>& animationImages() const { return animationImages_; }
    void setAnimationDuration(double seconds) { animationDuration_ = seconds; }
    double animationDuration() const;
    void setAnimationRepeatCount(int count) { repeatCount_ = count < 0 ? 0 : count; }
    int animationRepeatCount() const { return repeatCount_; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

    // What is drawn now: the animation frame, the highlighted image or the image.
    const Image& currentImage() const;
    // Where the current image is drawn, in bounds coordinates.
    Rect imageRect() const;

    void draw(Canvas& canvas) const override;
    std::string displayedImageName() const override { return currentImage().name(); }
    std::string_view className() const override { return "ImageView"; }
    void didMoveToWindow() override;

  private:
    void startTimer();
    void stopTimer();

    Image image_;
    Image highlightedImage_;
    bool highlighted_ = false;
    ContentMode contentMode_ = ContentMode::ScaleToFill;
    std::vector<Image> animationImages_;
    double animationDuration_ = 0;
    int repeatCount_ = 0;
    bool animating_ = false;
    size_t frame_ = 0;
    long shownFrames_ = 0;
    std::shared_ptr<UiTimer> timer_;
};

} // namespace ui
