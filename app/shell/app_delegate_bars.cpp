// The bars that frame the sections (top bar, bottom bars, bottom button) and the loading overlay.
#include "app/account/connexion.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

constexpr double kFadeSeconds = 0.3;
constexpr int kLoadingLabelTag = 1;

std::shared_ptr<ui::Button> imageButton(const ui::Rect& frame, const char* image,
                                        std::function<void()> action) {
    auto b = std::make_shared<ui::Button>(frame);
    b->setImage(ui::imageNamed(image));
    b->addTarget([action = std::move(action)](ui::Control&) { action(); },
                 ui::ControlEvent::TouchUpInside);
    return b;
}

std::shared_ptr<ui::ImageView> imageAt(const char* name, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(ui::imageNamed(name));
    v->setFrame(frame);
    return v;
}

void bringToFront(ui::Window& w, ui::View* v) {
    if (!v) return;
    if (!v->superview()) w.addSubview(v->shared_from_this());
    w.bringSubviewToFront(v);
}

void sendToBack(ui::Window& w, ui::View* v) {
    if (v && v->superview() == &w) w.sendSubviewToBack(v);
}

void destroy(std::shared_ptr<ui::View>& v) {
    if (!v) return;
    v->removeFromSuperview();
    v.reset();
}

} // namespace

void ZephrunAppDelegate::showTop() {
    if (!viewTop_) {
        const ui::Color tint = tintColor();
        auto top = imageAt("cmn-header-bkg.gif", {0, 0, 320, 62});
        top->setUserInteractionEnabled(true);
        auto logo = imageButton({0, 0, 120, 60}, "cmn-header-logo.png", [this] { clicOnLogo(); });
        logo->setBackgroundColor(tint);
        top->addSubview(logo);
        auto language =
            imageButton({200, 0, 120, 30}, isFrench() ? "cmn-header-lg-uk.png" : "cmn-header-lg-fr.png",
                        [this] { toggleLanguage(); });
        language->setBackgroundColor(tint);
        top->addSubview(language);
        if (myConnexion_ && myConnexion_->isConnected()) {
            auto out = imageButton({200, 30, 120, 30}, "cmn-header-deconnect.png",
                                   [this] { clicOnDisconnect(); });
            out->setBackgroundColor(tint);
            top->addSubview(out);
            auto login = std::make_shared<ui::Label>(ui::Rect(200, 30, 90, 30));
            login->setText(myConnexion_->myLogin());
            login->setTextColor(ui::Color::white());
            login->setFont(ui::Font::named("Trebuchet MS", 15));
            login->setAdjustsFontSizeToFitWidth(true);
            login->setTextAlignment(ui::TextAlignment::Right);
            login->setUserInteractionEnabled(false);
            top->addSubview(login);
        } else {
            auto in = imageButton({200, 30, 120, 30}, "cmn-header-bt-connect-login.png",
                                  [this] { clicOnConnect(); });
            in->setBackgroundColor(tint);
            top->addSubview(in);
        }
        viewTop_ = top;
    }
    bringToFront(window(), viewTop_.get());
}

void ZephrunAppDelegate::destroyTop() { destroy(viewTop_); }
void ZephrunAppDelegate::hideTop() { sendToBack(window(), viewTop_.get()); }

void ZephrunAppDelegate::showBottom() {
    if (!viewBottom_) viewBottom_ = imageAt("cmn-bottom-menu.png", {0, 400, 320, 80});
    bringToFront(window(), viewBottom_.get());
}

void ZephrunAppDelegate::destroyBottom() { destroy(viewBottom_); }
void ZephrunAppDelegate::hideBottom() { sendToBack(window(), viewBottom_.get()); }

void ZephrunAppDelegate::showBottomCom() {
    if (!viewBottomCom_) viewBottomCom_ = imageAt("com-bottom-menu.png", {0, 400, 320, 80});
    bringToFront(window(), viewBottomCom_.get());
}

void ZephrunAppDelegate::destroyBottomCom() { destroy(viewBottomCom_); }
void ZephrunAppDelegate::hideBottomCom() { sendToBack(window(), viewBottomCom_.get()); }

void ZephrunAppDelegate::showButtonBottom() {
    destroyButtonBottom();
    buttonBottom_ = imageButton({120, 443, 80, 37}, "cmn-bt-menu-off.png", [this] { clicOnMenu(); });
    bringToFront(window(), buttonBottom_.get());
}

void ZephrunAppDelegate::showButtonBottomClose() {
    destroyButtonBottom();
    buttonBottom_ =
        imageButton({120, 443, 80, 37}, isFrench() ? "cmn-bt-menu-on-fr.png" : "cmn-bt-menu-on-uk.png",
                    [this] { clicOnClose(); });
    bringToFront(window(), buttonBottom_.get());
}

void ZephrunAppDelegate::destroyButtonBottom() {
    if (!buttonBottom_) return;
    buttonBottom_->removeFromSuperview();
    buttonBottom_.reset();
}

void ZephrunAppDelegate::hideButtonBottom() { sendToBack(window(), buttonBottom_.get()); }

void ZephrunAppDelegate::buildLoading(const std::string& message, bool animated) {
    hideLoadingWithoutAnim();
    log().record("overlay", message);
    auto overlay = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    auto veil = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    veil->setBackgroundColor(tintColor());
    veil->setAlpha(0.7f);
    overlay->addSubview(veil);
    auto box = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-bkg-load.png").stretchableImage(45, 0));
    box->setFrame({30, 200, 260, 70});
    overlay->addSubview(box);
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(
        ui::ActivityIndicatorStyle::WhiteLarge, ui::Rect(50, 220, 30, 30));
    spinner->startAnimating();
    overlay->addSubview(spinner);
    auto label = std::make_shared<ui::Label>(ui::Rect(90, 200, 190, 70));
    label->setTag(kLoadingLabelTag);
    label->setText(message);
    label->setTextColor(ui::Color::white());
    label->setFont(ui::Font::named("Trebuchet MS", 15));
    label->setNumberOfLines(3);
    label->setTextAlignment(ui::TextAlignment::Center);
    overlay->addSubview(label);
    viewLoading_ = overlay;
    window().addSubview(overlay);
    if (animated) {
        overlay->setAlpha(0);
        ui::View::animate(kFadeSeconds, [overlay] { overlay->setAlpha(1); });
    }
}

void ZephrunAppDelegate::showLoading(const std::string& message) { buildLoading(message, true); }

void ZephrunAppDelegate::showLoadingWithoutAnim(const std::string& message) {
    buildLoading(message, false);
}

void ZephrunAppDelegate::setLoadingText(const std::string& message) {
    if (!viewLoading_) return;
    if (auto* label = viewLoading_->viewWithTagAs<ui::Label>(kLoadingLabelTag))
        label->setText(message);
}

void ZephrunAppDelegate::hideLoading() {
    if (!viewLoading_) return;
    std::shared_ptr<ui::View> overlay = std::move(viewLoading_);
    ui::View::animate(kFadeSeconds, [overlay] { overlay->setAlpha(0); },
                      [overlay](bool) { overlay->removeFromSuperview(); });
}

void ZephrunAppDelegate::hideLoadingWithoutAnim() { destroy(viewLoading_); }

} // namespace zephrun
