// The member account's screens: the top bar's connect and disconnect buttons, the login
// overlay, the registration page and the way to the section the member wanted.
#include "app/account/connexion.h"
#include "app/home/home_view_controller.h"
#include "app/shell/login_overlay.h"
#include "app/shell/register_page.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/persisted_keys.h"
#include "platform/ui/clock.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"

namespace zephrun {

namespace {
// The pause between a successful login and the section it opens, as the overlay shows it.
constexpr double kFinalizeDelay = 2.0;
// Lets the overlay appear before the login's synchronous requests.
constexpr double kLoginDelay = 0.01;
} // namespace

void ZephrunAppDelegate::clicOnConnect() {
    showLoading(texts::kConnecting.in(isFrench()));
    if (myConnexion_->silentConnexion()) {
        window().clock().scheduledTimer(kFinalizeDelay, false,
                                        [this](ui::UiTimer&) { finalizeLogin(); });
    } else {
        hideLoading();
        showLogin();
    }
}

void ZephrunAppDelegate::showLogin() {
    audioMixPause();
    viewLogin_ = std::make_unique<LoginOverlay>(*this);
    window().addSubview(viewLogin_->view()->shared_from_this());
    viewLogin_->slideIn();
}

void ZephrunAppDelegate::hideLogin() {
    if (viewLogin_) viewLogin_->slideOut();
    if (myHome_ && myHome_->isViewVisible()) {
        if (myAudioMix())
            audioMixPlay();
        else if (!playExtrait())
            audioMixStart("home_2010");
    }
}

void ZephrunAppDelegate::clicOnValidLogin() {
    if (viewLogin_) viewLogin_->takePassword();
    showLoading(texts::kConnecting.in(isFrench()));
    window().clock().scheduledTimer(kLoginDelay, false, [this](ui::UiTimer&) { madeLogin(); });
}

void ZephrunAppDelegate::madeLogin() {
    if (myConnexion_->connexion()) {
        window().clock().scheduledTimer(kFinalizeDelay, false,
                                        [this](ui::UiTimer&) { finalizeLogin(); });
        return;
    }
    if (viewLogin_) viewLogin_->loginField().becomeFirstResponder();
    hideLoading();
}

void ZephrunAppDelegate::finalizeLogin() {
    if (viewLogin_) viewLogin_->slideOut();
    destroyTop();
    showTop();
    if (myHome_ && myHome_->isViewVisible()) {
        showDefilTuto();
        const int section = wantToGoToConnected_;
        if (section >= kSectionNews && section <= kSectionCommunity) {
            wantToGoToConnected_ = -1;
            hideHomePage();
            showSection(section);
        }
    }
    hideLoading();
}

void ZephrunAppDelegate::clicOnDisconnect() {
    const bool french = isFrench();
    showAlert(texts::kConfirmLogout.in(french), kTagLogout, texts::kNo.in(french),
              {texts::kYes.in(french)});
}

void ZephrunAppDelegate::validDisconnect() {
    showLoading(texts::kDisconnecting.in(isFrench()));
    myConnexion_->deconnexion();
    destroyTop();
    showTop();
    hideLoading();
    if (myHome_ && myHome_->isViewVisible()) showDefilTuto();
    myConnexion_->forgetLogin();
    myConnexion_->forgetPassword();
    clicOnLogo();
}

void ZephrunAppDelegate::showRegister() {
    viewRegister_.reset();
    if (viewLogin_) viewLogin_->slideOut();
    audioMixPause();
    viewRegister_ = std::make_unique<RegisterPage>(*this);
    window().addSubview(viewRegister_->view()->shared_from_this());
    viewRegister_->slideIn();
}

void ZephrunAppDelegate::hideRegister() {
    if (!viewRegister_) return;
    audioMixPlay();
    viewRegister_->slideOut();
}

} // namespace zephrun
