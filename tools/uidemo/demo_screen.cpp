// The widget demo's frame: header, paging scroll view, page indicator and status line.
#include "tools/uidemo/demo_screen.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/image_view.h"
#include "tools/uidemo/demo_images.h"

namespace uidemo {

ui::Color tintColor() {
    return ui::Color::rgb255(28, 92, 140);
}
ui::Color pageColor() {
    return ui::Color::rgb255(34, 36, 40);
}

class DemoScreen::PageDelegate : public ui::ScrollViewDelegate {
  public:
    explicit PageDelegate(DemoScreen& screen) : screen_(screen) {}
    void scrollViewDidEndDecelerating(ui::ScrollView&) override { screen_.syncPageControl(); }
    void scrollViewDidEndScrollingAnimation(ui::ScrollView&) override { screen_.syncPageControl(); }
    void scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) override {
        if (!willDecelerate) screen_.syncPageControl();
    }

  private:
    DemoScreen& screen_;
};

DemoScreen::DemoScreen(ui::Window& window) : window_(window) {
    const float width = window.bounds().width();
    window.setBackgroundColor(ui::Color::black());

    // Header: a frame-animated image, the title and a spinner.
    auto header = std::make_shared<ui::View>(ui::Rect{0, 0, width, kPageTop});
    header->setBackgroundColor(tintColor());
    auto frames = std::make_shared<ui::ImageView>(ui::Rect{8, 6, 32, 32});
    frames->setTag(kTagFrameAnimation);
    frames->setAnimationImages(spinnerFrames(12, 64, ui::Color::white()));
    frames->setAnimationDuration(1.2);
    frames->setImage(frames->animationImages().front());
    header->addSubview(frames);
    auto title = std::make_shared<ui::Label>(ui::Rect{48, 0, 220, kPageTop});
    title->setText("Zephrun widgets");
    title->setFont({"Trebuchet MS", 20, true});
    title->setTextColor(ui::Color::white());
    header->addSubview(title);
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::White);
    spinner->setCenter({width - 24, kPageTop / 2});
    header->addSubview(spinner);
    window.addSubview(header);
    frames->startAnimating();
    spinner->startAnimating();

    // Pages.
    pages_ = std::make_shared<ui::ScrollView>(ui::Rect{0, kPageTop, width, kPageHeight});
    pages_->setPagingEnabled(true);
    pages_->setShowsHorizontalScrollIndicator(false);
    pages_->setShowsVerticalScrollIndicator(false);
    pages_->setBackgroundColor(pageColor());
    pages_->setContentSize({width * kPages, kPageHeight});
    pageDelegate_ = std::make_unique<PageDelegate>(*this);
    pages_->setDelegate(pageDelegate_.get());
    window.addSubview(pages_);

    pageControl_ =
        std::make_shared<ui::PageControl>(ui::Rect{0, kPageTop + kPageHeight, width, 22});
    pageControl_->setNumberOfPages(kPages);
    pageControl_->setBackgroundColor(ui::Color::black());
    pageControl_->addTarget([this](ui::Control&) { showPage(pageControl_->currentPage(), true); },
                            ui::ControlEvent::ValueChanged);
    window.addSubview(pageControl_);

    float statusTop = kPageTop + kPageHeight + 22;
    status_ = std::make_shared<ui::Label>(
        ui::Rect{0, statusTop, width, window.bounds().height() - statusTop});
    status_->setTag(kTagStatus);
    status_->setFont(ui::Font::named("Trebuchet MS", 12));
    status_->setTextColor(ui::Color::gray(0.8f));
    status_->setTextAlignment(ui::TextAlignment::Center);
    window.addSubview(status_);

    // Built after the frame so that their actions can report to the status line.
    std::shared_ptr<ui::View> (*builders[kPages])(DemoScreen&) = {makeBasicsPage, makeTablePage,
                                                                  makeInputPage, makeServicesPage};
    for (int i = 0; i < kPages; ++i) {
        auto page = builders[i](*this);
        page->setFrame({width * static_cast<float>(i), 0, width, kPageHeight});
        pages_->addSubview(page);
    }
    setStatus("Page 1 of 4 - swipe or tap the dots");
}

DemoScreen::~DemoScreen() {
    if (pages_) pages_->setDelegate(nullptr);
}

void DemoScreen::showPage(int page, bool animated) {
    page = std::clamp(page, 0, kPages - 1);
    pages_->setContentOffset({pages_->bounds().width() * static_cast<float>(page), 0}, animated);
    pageControl_->setCurrentPage(page);
    if (!animated) syncPageControl();
}

int DemoScreen::currentPage() const {
    float w = pages_->bounds().width();
    return w > 0 ? static_cast<int>(std::lround(pages_->contentOffset().x / w)) : 0;
}

void DemoScreen::syncPageControl() {
    pageControl_->setCurrentPage(currentPage());
    setStatus("Page " + std::to_string(currentPage() + 1) + " of " + std::to_string(kPages));
}

void DemoScreen::setStatus(const std::string& text) {
    status_->setText(text);
}

std::string DemoScreen::status() const {
    return status_->text();
}

} // namespace uidemo
