#include "app/video/dailymotion_vc.h"

#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/run_loop.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace zephrun {

DailymotionVC::DailymotionVC(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {
    const ui::Color tint = appDelegate.tintColor();
    view_ = std::make_shared<ui::View>(ui::Rect(0, 480, 320, 460));
    view_->setBackgroundColor(ui::Color::black());
    d_wv = std::make_shared<ui::WebView>(ui::Rect(0, 62, 320, 398));
    d_wv->setDelegate(this);
    view_->addSubview(d_wv);
    auto header = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-header-bkg.gif"));
    header->setFrame({0, 0, 320, 62});
    view_->addSubview(header);
    auto logo = std::make_shared<ui::Button>(ui::Rect(0, 0, 120, 60));
    logo->setImage(ui::imageNamed("cmn-header-logo.png"));
    logo->setBackgroundColor(tint);
    view_->addSubview(logo);
    auto close = std::make_shared<ui::Button>(ui::Rect(200, 15, 120, 30));
    close->setImage(ui::imageNamed("cmn-header-deconnect.png"));
    close->setBackgroundColor(tint);
    close->addTarget([this](ui::Control&) { hideDaily(); }, ui::ControlEvent::TouchUpInside);
    view_->addSubview(close);
    closeLabel_ = std::make_shared<ui::Label>(ui::Rect(200, 15, 90, 30));
    closeLabel_->setText(texts::kClose.in(appDelegate.isFrench()));
    closeLabel_->setTextColor(ui::Color::white());
    closeLabel_->setFont(ui::Font::named("Trebuchet MS", 15));
    closeLabel_->setTextAlignment(ui::TextAlignment::Right);
    closeLabel_->setUserInteractionEnabled(false);
    view_->addSubview(closeLabel_);
    d_loading = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::White);
    d_loading->setCenter({175, 31});
    view_->addSubview(d_loading);
}

DailymotionVC::~DailymotionVC() {
    d_wv->setDelegate(nullptr);
    d_wv->stopLoading();
    view_->removeFromSuperview();
}

void DailymotionVC::loadDailymotion(const std::string& address) {
    // The page is kept between videos; the language may have changed meanwhile.
    closeLabel_->setText(texts::kClose.in(appDelegate.isFrench()));
    std::string cleaned;
    for (char c : address)
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') cleaned += c;
    if (cleaned.empty()) return;
    d_wv->loadRequest(cleaned);
}

bool DailymotionVC::isSpinning() const { return d_loading->isAnimating(); }

void DailymotionVC::hideDaily() {
    d_loading->stopAnimating();
    d_wv->stopLoading();
    if (onClose_) onClose_();
}

void DailymotionVC::webViewDidStartLoad(ui::WebView&) { d_loading->startAnimating(); }

void DailymotionVC::webViewDidFinishLoad(ui::WebView&) { d_loading->stopAnimating(); }

void DailymotionVC::didFailLoadWithError(ui::WebView&, const zplatform::HttpError& error) {
    d_loading->stopAnimating();
    if (error.code > 399)
        appDelegate.showAlert(error.description.empty() ? "HTTP " + std::to_string(error.code)
                                                        : error.description);
}

} // namespace zephrun
