#include "app/shell/register_page.h"

#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"

namespace zephrun {

namespace {
constexpr double kSlideSeconds = 0.3;
}

RegisterPage::RegisterPage(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {
    const bool french = appDelegate.isFrench();
    view_ = std::make_shared<ui::View>(ui::Rect(320, 0, 320, 480));
    view_->setBackgroundColor(ui::Color::black());
    auto header = std::make_shared<ui::Button>(ui::Rect(0, 0, 320, 62));
    header->setBackgroundImage(ui::imageNamed("cmn-header-bkg.gif"));
    header->setTitle(texts::kCancel.in(french));
    header->setTitleFont(ui::Font::named("Trebuchet MS", 17));
    header->setTitleColor(ui::Color::white());
    header->setTitleAlignment(ui::TextAlignment::Right);
    header->setTitleEdgeInsets({0, 0, 0, 20});
    header->addTarget([this](ui::Control&) { this->appDelegate.hideRegister(); },
                      ui::ControlEvent::TouchUpInside);
    view_->addSubview(header);
    auto logo = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-header-logo.png"));
    logo->setFrame({0, 0, 120, 60});
    logo->setUserInteractionEnabled(false);
    view_->addSubview(logo);

    web_ = std::make_shared<ui::WebView>(ui::Rect(0, 62, 320, 418));
    web_->setTag(kWebViewTag);
    web_->setDelegate(this);
    view_->addSubview(web_);
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray,
                                                               ui::Rect(150, 250, 20, 20));
    spinner->setTag(kSpinnerTag);
    spinner->startAnimating();
    view_->addSubview(spinner);
    ZephrunConfiguration& config = appDelegate.myConfig();
    web_->loadRequest(french ? config.url_register_fr() : config.url_register_en());
}

RegisterPage::~RegisterPage() {
    web_->setDelegate(nullptr);
    web_->stopLoading();
    view_->removeFromSuperview();
}

void RegisterPage::slideIn() {
    ui::View& v = *view_;
    ui::View::animate(kSlideSeconds, [&v] { v.setFrame({0, 0, 320, 480}); });
}

void RegisterPage::slideOut() {
    std::shared_ptr<ui::View> v = view_;
    ui::View::animate(kSlideSeconds, [v] { v->setFrame({320, 0, 320, 480}); },
                      [v](bool) { v->removeFromSuperview(); });
}

void RegisterPage::webViewDidFinishLoad(ui::WebView&) {
    if (auto* s = view_->viewWithTagAs<ui::ActivityIndicatorView>(kSpinnerTag)) s->stopAnimating();
}

void RegisterPage::didFailLoadWithError(ui::WebView&, const zplatform::HttpError&) {
    if (auto* s = view_->viewWithTagAs<ui::ActivityIndicatorView>(kSpinnerTag)) s->stopAnimating();
    view_->setHidden(true);
    appDelegate.showAlert(texts::kRegisterUnavailable.in(appDelegate.isFrench()));
}

} // namespace zephrun
