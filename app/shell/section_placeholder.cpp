#include "app/shell/section_placeholder.h"

#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace zephrun {

namespace {
constexpr Localized kComingSoon{"Bientôt disponible", "Coming soon"};
constexpr Localized kBack{"Retour", "Back"};
} // namespace

void buildSectionPlaceholder(ui::View& view, const Localized& title, bool french,
                             const std::function<void()>& exit) {
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-bkg.png"));
    background->setFrame({0, 62, 320, 418});
    view.addSubview(background);

    auto name = std::make_shared<ui::Label>(ui::Rect(20, 180, 280, 40));
    name->setText(title.in(french));
    name->setFont(ui::Font::named("Trebuchet MS", 24));
    name->setTextColor(ui::Color::white());
    name->setTextAlignment(ui::TextAlignment::Center);
    view.addSubview(name);

    auto soon = std::make_shared<ui::Label>(ui::Rect(20, 225, 280, 24));
    soon->setText(kComingSoon.in(french));
    soon->setFont(ui::Font::named("Trebuchet MS", 15));
    soon->setTextColor(ui::Color::white());
    soon->setTextAlignment(ui::TextAlignment::Center);
    view.addSubview(soon);

    if (exit) {
        auto back = std::make_shared<ui::Button>(ui::Rect(200, 15, 120, 30));
        back->setTitle(kBack.in(french));
        back->setTitleFont(ui::Font::named("Trebuchet MS", 15));
        back->setTitleColor(ui::Color::white());
        back->addTarget([exit](ui::Control&) { exit(); }, ui::ControlEvent::TouchUpInside);
        view.addSubview(back);
    }
}

} // namespace zephrun
