#include "app/shell/info_page.h"

#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"

namespace zephrun {

namespace {
std::shared_ptr<ui::ImageView> imageAt(const ui::Image& image, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(image);
    v->setFrame(frame);
    return v;
}
} // namespace

InfoPage::InfoPage(ZephrunAppDelegate& appDelegate, const std::string& url)
    : appDelegate(appDelegate) {
    const bool french = appDelegate.isFrench();
    view_ = std::make_shared<ui::View>(ui::Rect(0, 480, 320, 480));
    auto band = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 62));
    band->setBackgroundColor(ui::Color::black());
    view_->addSubview(band);
    view_->addSubview(imageAt(ui::imageNamed("cmn-bkg.png"), {0, 62, 320, 418}));
    view_->addSubview(imageAt(ui::imageNamed("info-bkg-title.png"), {0, 62, 320, 65}));
    view_->addSubview(imageAt(ui::imageNamed("info-title.png").colorizeWithColor(appDelegate.tintColor()),
                              {0, 62, 320, 65}));
    web_ = std::make_shared<ui::WebView>(ui::Rect(0, 107, 320, 320));
    web_->setTag(kWebViewTag);
    web_->setDelegate(this);
    view_->addSubview(web_);
    view_->addSubview(imageAt(ui::imageNamed("cmn-bottom-menu.png"), {0, 400, 320, 80}));
    auto close = std::make_shared<ui::Button>(ui::Rect(120, 443, 80, 37));
    close->setImage(ui::imageNamed(french ? "cmn-bt-menu-on-fr.png" : "cmn-bt-menu-on-uk.png"));
    close->addTarget([this](ui::Control&) { this->appDelegate.hideInfos(); },
                     ui::ControlEvent::TouchUpInside);
    view_->addSubview(close);
    web_->loadRequest(url);
}

InfoPage::~InfoPage() {
    web_->setDelegate(nullptr);
    web_->stopLoading();
    view_->removeFromSuperview();
}

void InfoPage::webViewDidFinishLoad(ui::WebView&) { appDelegate.hideLoading(); }

void InfoPage::didFailLoadWithError(ui::WebView&, const zplatform::HttpError&) {
    failed_ = true;
    appDelegate.hideLoading();
    appDelegate.showAlert(texts::kMentionsError.in(appDelegate.isFrench()));
    appDelegate.hideInfos();
}

} // namespace zephrun
