#include "app/shell/login_overlay.h"

#include "app/account/connexion.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

constexpr double kSlideSeconds = 0.3;
constexpr float kHiddenY = -264;

std::shared_ptr<ui::TextField> field(const ui::Rect& frame, int tag, const std::string& text) {
    auto f = std::make_shared<ui::TextField>(frame);
    f->setTag(tag);
    f->setText(text);
    f->setFont(ui::Font::named("Trebuchet MS", 17));
    f->setBorderStyle(ui::TextBorderStyle::None);
    f->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    f->setAutocapitalizationType(ui::AutocapitalizationType::None);
    f->setAutocorrectionType(ui::AutocorrectionType::No);
    return f;
}

} // namespace

LoginOverlay::LoginOverlay(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {
    const bool french = appDelegate.isFrench();
    Connexion& account = appDelegate.myConnexion();
    view_ = std::make_shared<ui::View>(ui::Rect(0, kHiddenY, 320, 264));
    auto veil = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 264));
    veil->setBackgroundColor(appDelegate.tintColor());
    veil->setAlpha(0.7f);
    view_->addSubview(veil);
    auto box = std::make_shared<ui::ImageView>(ui::imageNamed("login-box.png"));
    box->setFrame({0, 62, 320, 202});
    view_->addSubview(box);

    login_ = field({108, 116, 196, 44}, kLoginFieldTag, account.myLogin());
    login_->setPlaceholder(texts::kLoginPlaceholder.in(french));
    login_->setReturnKeyType(ui::ReturnKeyType::Next);
    login_->setDelegate(this);
    view_->addSubview(login_);
    password_ = field({108, 161, 196, 44}, kPasswordFieldTag, account.myPassword());
    password_->setSecureTextEntry(true);
    password_->setPlaceholder(texts::kPasswordPlaceholder.in(french));
    password_->setReturnKeyType(ui::ReturnKeyType::Go);
    password_->setDelegate(this);
    view_->addSubview(password_);

    struct Row {
        float x, width;
        const Localized& title;
        void (ZephrunAppDelegate::*action)();
    };
    const Row rows[] = {
        {31, 87, texts::kCancel, &ZephrunAppDelegate::hideLogin},
        {118, 100, texts::kSubscribe, &ZephrunAppDelegate::showRegister},
        {218, 87, texts::kValidate, &ZephrunAppDelegate::clicOnValidLogin},
    };
    for (const Row& row : rows) {
        auto b = std::make_shared<ui::Button>(ui::Rect(row.x, 208, row.width, 30));
        b->setTitle(row.title.in(french));
        b->setTitleFont(ui::Font::named("Trebuchet MS", 15));
        b->setTitleColor(ui::Color::white());
        auto action = row.action;
        b->addTarget([this, action](ui::Control&) { (this->appDelegate.*action)(); },
                     ui::ControlEvent::TouchUpInside);
        view_->addSubview(b);
    }
    for (float x : {111.0f, 211.0f}) {
        auto sep = std::make_shared<ui::ImageView>(ui::imageNamed("login-sep.png"));
        sep->setFrame({x, 208, 7, 30});
        view_->addSubview(sep);
    }
}

LoginOverlay::~LoginOverlay() {
    login_->setDelegate(nullptr);
    password_->setDelegate(nullptr);
    view_->removeFromSuperview();
}

void LoginOverlay::slideIn() {
    ui::View& v = *view_;
    ui::View::animate(kSlideSeconds, [&v] { v.setFrame({0, 0, 320, 264}); });
    login_->becomeFirstResponder();
}

void LoginOverlay::slideOut() {
    login_->resignFirstResponder();
    password_->resignFirstResponder();
    ui::View& v = *view_;
    ui::View::animate(kSlideSeconds, [&v] { v.setFrame({0, kHiddenY, 320, 264}); });
}

void LoginOverlay::take(ui::TextField& f) {
    Connexion& account = appDelegate.myConnexion();
    if (&f == login_.get())
        account.setMyLogin(f.text());
    else
        account.setMyPassword(f.text());
}

void LoginOverlay::takePassword() { take(*password_); }

bool LoginOverlay::textFieldShouldReturn(ui::TextField& f) {
    take(f);
    if (&f == login_.get())
        password_->becomeFirstResponder();
    else
        appDelegate.clicOnValidLogin();
    return true;
}

bool LoginOverlay::textFieldShouldClear(ui::TextField& f) {
    Connexion& account = appDelegate.myConnexion();
    if (&f == login_.get())
        account.forgetLogin();
    else
        account.forgetPassword();
    return true;
}

void LoginOverlay::textFieldDidEndEditing(ui::TextField& f) { take(f); }

} // namespace zephrun
