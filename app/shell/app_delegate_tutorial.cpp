// The help badge on the top bar, the help page and the information page.
#include "app/shell/info_page.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

constexpr double kSlideSeconds = 0.3;
constexpr int kBadgeImageTag = 1;
constexpr const char* kBadgeImages[] = {"home-tuto-clic2.png", "home-tuto-lr.png",
                                        "home-tuto-multi.png", "home-tuto-shake.png",
                                        "home-tuto-switch.png", "home-tuto-ud.png"};

std::shared_ptr<ui::ImageView> imageAt(const char* name, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(ui::imageNamed(name));
    v->setFrame(frame);
    return v;
}

std::shared_ptr<ui::Label> whiteLabel(const ui::Rect& frame, const std::string& text, float size,
                                      int lines = 1) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(ui::Color::white());
    l->setFont(ui::Font::named("Trebuchet MS", size));
    l->setTextAlignment(ui::TextAlignment::Center);
    l->setNumberOfLines(lines);
    return l;
}

} // namespace

void ZephrunAppDelegate::showDefilTuto() {
    const bool cycling = myConfig_ && myConfig_->want_tuto_defil();
    if (!viewDefilTuto_) {
        auto badge = std::make_shared<ui::View>(ui::Rect(150, 0, 46, 62));
        auto image = std::make_shared<ui::ImageView>(ui::Rect(0, 8, 46, 40));
        image->setTag(kBadgeImageTag);
        if (cycling) {
            std::vector<ui::Image> frames;
            for (const char* name : kBadgeImages) frames.push_back(ui::imageNamed(name));
            image->setAnimationDuration(2.0 * static_cast<double>(frames.size()));
            image->setAnimationImages(std::move(frames));
            image->setImage(ui::imageNamed(kBadgeImages[0]));
            badge->addSubview(image);
            badge->addSubview(whiteLabel({0, 44, 46, 18}, texts::kHelp.in(isFrench()), 14));
        } else {
            image->setImage(ui::imageNamed("home-tuto-intero.png"));
            badge->addSubview(image);
        }
        auto button = std::make_shared<ui::Button>(ui::Rect(0, 0, 46, 46));
        button->addTarget([this](ui::Control&) { showTuto(); }, ui::ControlEvent::TouchUpInside);
        badge->addSubview(button);
        viewDefilTuto_ = badge;
        window().addSubview(badge);
    }
    if (cycling)
        if (auto* image = viewDefilTuto_->viewWithTagAs<ui::ImageView>(kBadgeImageTag))
            image->startAnimating();
    viewDefilTuto_->setHidden(false);
    if (!viewDefilTuto_->superview()) window().addSubview(viewDefilTuto_);
    window().bringSubviewToFront(viewDefilTuto_.get());
}

void ZephrunAppDelegate::hideDefilTuto() {
    if (!viewDefilTuto_) return;
    if (myConfig_ && myConfig_->want_tuto_defil())
        if (auto* image = viewDefilTuto_->viewWithTagAs<ui::ImageView>(kBadgeImageTag))
            image->stopAnimating();
    viewDefilTuto_->setHidden(true);
    if (viewDefilTuto_->superview()) window().sendSubviewToBack(viewDefilTuto_.get());
}

void ZephrunAppDelegate::destroyDefilTuto() {
    if (!viewDefilTuto_) return;
    viewDefilTuto_->removeFromSuperview();
    viewDefilTuto_.reset();
}

void ZephrunAppDelegate::showTuto() {
    const bool french = isFrench();
    if (viewTuto_) viewTuto_->removeFromSuperview();
    auto page = std::make_shared<ui::View>(ui::Rect(0, 480, 320, 480));
    auto band = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 62));
    band->setBackgroundColor(ui::Color::black());
    page->addSubview(band);
    page->addSubview(imageAt("cmn-bkg.png", {0, 62, 320, 418}));
    page->addSubview(whiteLabel({0, 62, 320, 20}, texts::kHelpTitle.in(french), 16));
    page->addSubview(imageAt("home-tuto-big2.png", {0, 77, 320, 312}));
    const float columnX[] = {0, 107, 213};
    const float columnWidth[] = {107, 106, 107};
    const float rowY[] = {145, 273, 380};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const Localized& caption = texts::kHelpCaptions[row][column];
            if (!caption.fr) continue;
            page->addSubview(whiteLabel({columnX[column], rowY[row], columnWidth[column], 50},
                                        caption.in(french), 12, 3));
        }
    page->addSubview(imageAt("cmn-bottom-menu.png", {0, 400, 320, 80}));
    auto anywhere = std::make_shared<ui::Button>(ui::Rect(0, 0, 320, 443));
    anywhere->addTarget([this](ui::Control&) { hideTuto(); }, ui::ControlEvent::TouchUpInside);
    page->addSubview(anywhere);
    auto close = std::make_shared<ui::Button>(ui::Rect(120, 443, 80, 37));
    close->setImage(ui::imageNamed(french ? "cmn-bt-menu-on-fr.png" : "cmn-bt-menu-on-uk.png"));
    close->addTarget([this](ui::Control&) { hideTuto(); }, ui::ControlEvent::TouchUpInside);
    page->addSubview(close);
    viewTuto_ = page;
    window().addSubview(page);
    ui::View::animate(kSlideSeconds, [page] { page->setFrame({0, 0, 320, 480}); });
}

void ZephrunAppDelegate::hideTuto() {
    if (!viewTuto_) return;
    std::shared_ptr<ui::View> page = std::move(viewTuto_);
    ui::View::animate(kSlideSeconds, [page] { page->setFrame({0, 480, 320, 480}); },
                      [page](bool) { page->removeFromSuperview(); });
}

void ZephrunAppDelegate::showInfos() {
    const bool french = isFrench();
    // A page whose load failed is dropped, so that this opening loads the notice again.
    if (viewInfos_ && viewInfos_->hasFailed()) viewInfos_.reset();
    if (!viewInfos_) {
        const std::string url = french ? myConfig_->url_mentions_fr() : myConfig_->url_mentions_en();
        if (url.empty() || networkType().empty()) {
            showAlert(texts::kMentionsError.in(french));
            hideInfos();
            return;
        }
        viewInfos_ = std::make_unique<InfoPage>(*this, url);
        window().addSubview(viewInfos_->view()->shared_from_this());
        showLoading(texts::kLoadingMentions.in(french));
    }
    ui::View& page = *viewInfos_->view();
    window().bringSubviewToFront(&page);
    if (viewLoading_) window().bringSubviewToFront(viewLoading_.get());
    page.setHidden(false);
    ui::View::animate(kSlideSeconds, [&page] { page.setFrame({0, 0, 320, 480}); });
}

void ZephrunAppDelegate::hideInfos() {
    if (!viewInfos_) return;
    hideLoading();
    ui::View& page = *viewInfos_->view();
    std::weak_ptr<ui::View> weak = page.shared_from_this();
    ui::View::animate(kSlideSeconds, [&page] { page.setFrame({0, 480, 320, 480}); },
                      [this, weak](bool) {
                          auto p = weak.lock();
                          if (!p) return;
                          p->setHidden(true);
                          if (p->superview()) window().sendSubviewToBack(p.get());
                      });
}

} // namespace zephrun
