// ImageView: content modes, stretchable drawing and frame animations.
#include "platform/ui/image_view.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {

ImageView::ImageView(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const Image& image) : ImageView(Rect{{0, 0}, image.size()}) {
    image_ = image;
}

ImageView::~ImageView() {
    stopTimer();
}

void ImageView::setImage(const Image& image) {
    image_ = image;
    setNeedsDisplay();
}

void ImageView::setHighlightedImage(const Image& image) {
    highlightedImage_ = image;
    setNeedsDisplay();
}

void ImageView::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void ImageView::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    setNeedsDisplay();
}

void ImageView::setAnimationImages(std::vector<Image> images) {
    animationImages_ = std::move(images);
    if (animationImages_.empty()) stopAnimating();
    frame_ = 0;
    setNeedsDisplay();
}

double ImageView::animationDuration() const {
    if (animationDuration_ > 0) return animationDuration_;
    return static_cast<double>(animationImages_.size()) / 30.0;
}

void ImageView::startAnimating() {
    if (animationImages_.empty()) return;
    animating_ = true;
    frame_ = 0;
    shownFrames_ = 0;
    stopTimer();
    if (window()) startTimer();
    setNeedsDisplay();
}

void ImageView::stopAnimating() {
    if (!animating_) return;
    animating_ = false;
    stopTimer();
    setNeedsDisplay();
}

void ImageView::startTimer() {
    Window* w = window();
    if (!w || animationImages_.empty()) return;
    double step = animationDuration() / static_cast<double>(animationImages_.size());
    timer_ = w->clock().scheduledAnimationTimer(step, true, [this](UiTimer&) {
        ++shownFrames_;
        auto count = static_cast<long>(animationImages_.size());
        if (repeatCount_ > 0 && shownFrames_ >= count * repeatCount_) {
            stopAnimating(); // back to the still image
            return;
        }
        frame_ = static_cast<size_t>(shownFrames_ % count);
        setNeedsDisplay();
    });
}

void ImageView::stopTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void ImageView::didMoveToWindow() {
    // The timer runs on the window's clock: it follows the view from window to window.
    stopTimer();
    if (animating_ && window()) startTimer();
}

const Image& ImageView::currentImage() const {
    if (animating_ && frame_ < animationImages_.size()) return animationImages_[frame_];
    if (highlighted_ && highlightedImage_) return highlightedImage_;
    return image_;
}

Rect ImageView::imageRect() const {
    const Image& image = currentImage();
    Rect b = bounds();
    Size s = image.size();
    if (!image || s.width <= 0 || s.height <= 0) return b;
    switch (contentMode_) {
    case ContentMode::ScaleToFill:
        return b;
    case ContentMode::AspectFit:
    case ContentMode::AspectFill: {
        float kx = b.width() / s.width, ky = b.height() / s.height;
        float k = contentMode_ == ContentMode::AspectFit ? std::min(kx, ky) : std::max(kx, ky);
        float w = s.width * k, h = s.height * k;
        return {b.midX() - w / 2, b.midY() - h / 2, w, h};
    }
    case ContentMode::Center:
        return {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
    }
    return b;
}

void ImageView::draw(Canvas& canvas) const {
    const Image& image = currentImage();
    if (!image) return;
    Rect dest = imageRect();
    if (contentMode_ == ContentMode::ScaleToFill)
        drawImageStretched(canvas, image, dest);
    else
        canvas.drawImage(image, {}, dest);
}

} // namespace ui
