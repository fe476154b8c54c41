// Demo page 1: labels (one turned a quarter), image views, buttons, alert, action sheet and a
// view animation.
#include <numbers>

#include "platform/ui/action_sheet.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "tools/uidemo/demo_images.h"
#include "tools/uidemo/demo_screen.h"

namespace uidemo {

namespace {

// Reports the button chosen in the alert and the sheet on the status line.
class ChoiceReporter : public ui::AlertViewDelegate, public ui::ActionSheetDelegate {
  public:
    explicit ChoiceReporter(DemoScreen& screen) : screen_(screen) {}
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override {
        screen_.setStatus("Alert: \"" + alert.buttonTitleAtIndex(index) + "\"");
    }
    void clickedButtonAtIndex(ui::ActionSheet& sheet, int index) override {
        screen_.setStatus("Action sheet: \"" + sheet.buttonTitleAtIndex(index) + "\"");
    }

  private:
    DemoScreen& screen_;
};

std::shared_ptr<ui::Label> label(const ui::Rect& frame, std::string text, float size) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(std::move(text));
    l->setFont(ui::Font::named("Trebuchet MS", size));
    l->setTextColor(ui::Color::white());
    return l;
}

} // namespace

std::shared_ptr<ui::View> makeBasicsPage(DemoScreen& screen) {
    auto page = std::make_shared<ui::View>(ui::Rect{0, 0, 320, DemoScreen::kPageHeight});
    auto* reporter = screen.keep(std::make_shared<ChoiceReporter>(screen));

    // A label turned a quarter, reading downwards along the left edge.
    auto turned = label({0, 0, 200, 24}, "Rotated label - 90 degrees", 15);
    turned->setTag(kTagRotatedLabel);
    turned->setTextAlignment(ui::TextAlignment::Center);
    turned->setTextColor(ui::Color::rgb255(255, 210, 90));
    turned->setCenter({18, 160});
    turned->setTransform(ui::Transform::rotation(std::numbers::pi_v<float> / 2));
    page->addSubview(turned);

    page->addSubview(label({40, 8, 270, 22}, "Labels in Trebuchet MS", 17));
    auto wrapped = label({40, 32, 270, 54},
                         "A label of several lines wraps its words and ends with an ellipsis "
                         "when the text is longer than its three lines allow, like this one does.",
                         13);
    wrapped->setNumberOfLines(3);
    wrapped->setTextColor(ui::Color::gray(0.85f));
    page->addSubview(wrapped);
    auto shrinking = label({40, 88, 270, 20}, "This one-line label shrinks its font to fit", 17);
    shrinking->setAdjustsFontSizeToFitWidth(true);
    shrinking->setMinimumFontSize(9);
    page->addSubview(shrinking);
    auto right = label({40, 108, 270, 20}, "Right-aligned, bold", 14);
    right->setFont({"Trebuchet MS", 14, true});
    right->setTextAlignment(ui::TextAlignment::Right);
    page->addSubview(right);

    // Image views: scaled to fill, aspect fit, and a stretched background.
    auto sleeveView = std::make_shared<ui::ImageView>(ui::Rect{40, 134, 80, 80});
    sleeveView->setImage(sleeve(64, ui::Color::rgb255(200, 60, 50)));
    page->addSubview(sleeveView);
    auto fit = std::make_shared<ui::ImageView>(ui::Rect{135, 134, 80, 80});
    fit->setContentMode(ui::ContentMode::AspectFit);
    fit->setBackgroundColor(ui::Color::gray(0.2f));
    fit->setImage(
        gradient(60, 30, ui::Color::rgb255(250, 200, 60), ui::Color::rgb255(200, 60, 90)));
    page->addSubview(fit);
    auto stretched = std::make_shared<ui::ImageView>(ui::Rect{230, 134, 80, 80});
    stretched->setImage(buttonBackground(ui::Color::rgb255(70, 150, 90)).stretchableImage(12, 12));
    page->addSubview(stretched);

    // Buttons: a rounded one opens an alert, a custom one with a stretchable background an
    // action sheet.
    auto alertButton = ui::Button::withType(ui::ButtonType::RoundedRect, {40, 226, 130, 37});
    alertButton->setTag(kTagAlertButton);
    alertButton->setTitle("Alert");
    alertButton->addTarget(
        [&screen, reporter](ui::Control&) {
            auto alert = std::make_shared<ui::AlertView>(
                "Zephrun", "Leave the application to open the page?", reporter, "No",
                std::vector<std::string>{"Yes"});
            alert->show(screen.window());
        },
        ui::ControlEvent::TouchUpInside);
    page->addSubview(alertButton);

    auto sheetButton = std::make_shared<ui::Button>(ui::Rect{180, 226, 130, 37});
    sheetButton->setTag(kTagSheetButton);
    sheetButton->setBackgroundImage(buttonBackground(tintColor()).stretchableImage(12, 0));
    sheetButton->setTitle("Action sheet");
    sheetButton->setTitleColor(ui::Color::white());
    sheetButton->addTarget(
        [&screen, reporter](ui::Control&) {
            auto sheet = std::make_shared<ui::ActionSheet>(
                "Share this concert", reporter, "Cancel", "Delete",
                std::vector<std::string>{"Send by mail", "Open the map"});
            sheet->showInView(screen.window());
        },
        ui::ControlEvent::TouchUpInside);
    page->addSubview(sheetButton);

    // A box that slides and fades across the page on the window clock.
    auto box = std::make_shared<ui::View>(ui::Rect{40, 322, 40, 40});
    box->setTag(kTagAnimatedBox);
    box->setBackgroundColor(ui::Color::rgb255(240, 120, 40));
    page->addSubview(box);
    auto animate = ui::Button::withType(ui::ButtonType::RoundedRect, {40, 274, 270, 37});
    animate->setTag(kTagAnimateButton);
    animate->setTitle("Animate");
    std::weak_ptr<ui::View> weakBox = box;
    animate->addTarget(
        [weakBox, &screen](ui::Control&) {
            auto b = weakBox.lock();
            if (!b) return;
            bool atLeft = b->center().x < 160;
            ui::View::animate(
                0.6,
                [&] {
                    b->setCenter({atLeft ? 290.0f : 60.0f, b->center().y});
                    b->setAlpha(atLeft ? 0.35f : 1.0f);
                    b->setTransform(atLeft ? ui::Transform::rotation(std::numbers::pi_v<float> / 4)
                                           : ui::Transform::identity());
                },
                [&screen](bool finished) {
                    screen.setStatus(finished ? "Animation finished" : "Animation replaced");
                });
        },
        ui::ControlEvent::TouchUpInside);
    page->addSubview(animate);
    return page;
}

} // namespace uidemo
