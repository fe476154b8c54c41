// Demo page 3: text fields (plain and secure), an editable text view and a picker.
#include <array>

#include "platform/ui/label.h"
#include "platform/ui/picker_view.h"
#include "platform/ui/text_field.h"
#include "platform/ui/text_view.h"
#include "tools/uidemo/demo_screen.h"

namespace uidemo {

namespace {

class Cities : public ui::PickerViewDataSource,
               public ui::PickerViewDelegate,
               public ui::TextFieldDelegate {
  public:
    explicit Cities(DemoScreen& screen) : screen_(screen) {}
    int numberOfRows(ui::PickerView&, int) override { return static_cast<int>(kCities.size()); }
    std::string titleForRow(ui::PickerView&, int row, int) override { return kCities[row]; }
    void didSelectRow(ui::PickerView&, int row, int) override {
        screen_.setStatus("Picked " + std::string(kCities[row]));
    }
    bool textFieldShouldReturn(ui::TextField& field) override {
        screen_.setStatus("Typed \"" + field.text() + "\"");
        field.resignFirstResponder();
        return true;
    }

  private:
    static constexpr std::array<const char*, 8> kCities = {
        "Paris", "Lyon", "Bruxelles", "Montréal", "Genève", "Marseille", "Lille", "Nantes"};
    DemoScreen& screen_;
};

} // namespace

std::shared_ptr<ui::View> makeInputPage(DemoScreen& screen) {
    auto page = std::make_shared<ui::View>(ui::Rect{0, 0, 320, DemoScreen::kPageHeight});
    auto* cities = screen.keep(std::make_shared<Cities>(screen));

    auto login = std::make_shared<ui::TextField>(ui::Rect{20, 12, 280, 31});
    login->setTag(kTagTextField);
    login->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    login->setPlaceholder("Login");
    login->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    login->setDelegate(cities);
    page->addSubview(login);

    auto password = std::make_shared<ui::TextField>(ui::Rect{20, 50, 280, 31});
    password->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    password->setPlaceholder("Password");
    password->setSecureTextEntry(true);
    password->setText("secret");
    password->setDelegate(cities);
    page->addSubview(password);

    auto notes = std::make_shared<ui::TextView>(ui::Rect{20, 88, 280, 84});
    notes->setTag(kTagTextView);
    notes->setFont(ui::Font::named("Trebuchet MS", 14));
    notes->setBackgroundColor(ui::Color::white());
    notes->setText("A text view wraps and scrolls its text; tap it to edit. Photo report from "
                   "the concert: the crowd sang every chorus of the new album.");
    page->addSubview(notes);

    auto picker = std::make_shared<ui::PickerView>(ui::Rect{0, 176, 320, 216});
    picker->setTag(kTagPicker);
    picker->setDataSource(cities);
    picker->setDelegate(cities);
    picker->setShowsSelectionIndicator(true);
    picker->reloadAllComponents();
    picker->selectRow(3, false);
    page->addSubview(picker);
    return page;
}

} // namespace uidemo
