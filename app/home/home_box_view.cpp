#include "app/home/home_box_view.h"

#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/image_view.h"

namespace zephrun {

namespace {
constexpr double kPressSeconds = 0.2;
}

HomeBoxView::HomeBoxView(const ui::Image& image) : ui::View(ui::Rect(0, 0, kWidth, kHeight)) {
    image_ = std::make_shared<ui::ImageView>(image);
    image_->setFrame({0, 0, kWidth, kHeight});
    image_->setTag(kImageTag);
    addSubview(image_);
}

void HomeBoxView::setImage(const ui::Image& image) {
    image_->setImage(image);
}

void HomeBoxView::boxSelected() {
    auto image = image_;
    ui::View::animate(kPressSeconds, [image] { image->setFrame({-4.5f, -5.5f, 100, 122}); });
    pInit = frame().origin;
    hasMove = false;
    isDragging = true;
}

void HomeBoxView::boxDeselected() {
    auto image = image_;
    ui::View::animate(kPressSeconds, [image] { image->setFrame({0, 0, kWidth, kHeight}); });
    isDragging = false;
    hasMove = false;
}

void HomeBoxView::showLoading() {
    if (viewLoading_) return;
    viewLoading_ = std::make_shared<ui::View>(bounds());
    viewLoading_->setBackgroundColor(ui::Color::black());
    viewLoading_->setAlpha(0.7f);
    viewLoading_->setUserInteractionEnabled(false);
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(
        ui::ActivityIndicatorStyle::WhiteLarge, ui::Rect(35.5f, 45.5f, 20, 20));
    spinner->startAnimating();
    viewLoading_->addSubview(spinner);
    addSubview(viewLoading_);
}

void HomeBoxView::hideLoading() {
    if (!viewLoading_) return;
    viewLoading_->removeFromSuperview();
    viewLoading_.reset();
}

void HomeBoxView::setContenu(const std::shared_ptr<ui::View>& content) {
    if (ui::View* old = viewWithTag(kContentTag); old && old != this) old->removeFromSuperview();
    if (!content) return;
    content->setTag(kContentTag);
    content->setUserInteractionEnabled(false);
    if (viewLoading_)
        insertSubviewBelow(content, viewLoading_.get());
    else
        addSubview(content);
}

} // namespace zephrun
