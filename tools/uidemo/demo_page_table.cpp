// Demo page 2: a grouped table of 20 rows in four sections, with subtitles, thumbnails and
// disclosure indicators; selecting a row reports it and fades the selection out.
#include <array>

#include "platform/ui/image_view.h"
#include "platform/ui/table_view.h"
#include "platform/ui/table_view_cell.h"
#include "tools/uidemo/demo_images.h"
#include "tools/uidemo/demo_screen.h"

namespace uidemo {

namespace {

constexpr int kSections = 4;
constexpr int kRowsPerSection = 5;

class Discography : public ui::TableViewDataSource, public ui::TableViewDelegate {
  public:
    explicit Discography(DemoScreen& screen) : screen_(screen) {
        const ui::Color colours[kSections] = {
            ui::Color::rgb255(200, 60, 50), ui::Color::rgb255(60, 140, 200),
            ui::Color::rgb255(90, 170, 80), ui::Color::rgb255(210, 160, 50)};
        for (int s = 0; s < kSections; ++s) sleeves_[s] = sleeve(64, colours[s]);
    }

    int numberOfSections(ui::TableView&) override { return kSections; }
    int numberOfRowsInSection(ui::TableView&, int) override { return kRowsPerSection; }
    std::optional<std::string> titleForHeaderInSection(ui::TableView&, int section) override {
        static const char* titles[kSections] = {"Albums", "Maxis", "Compilations", "Live"};
        return titles[section];
    }

    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell = table.dequeueReusableCellWithIdentifier("disc");
        if (!cell) {
            cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, "disc");
            cell->setAccessoryType(ui::TableViewCellAccessory::DisclosureIndicator);
        }
        static const char* names[kRowsPerSection] = {"Ciel de Verre", "Grand Large",
                                                     "Le Temps des Phares", "Lignes de Fuite",
                                                     "Nuit Blanche"};
        cell->textLabel().setText(names[path.row]);
        cell->textLabel().setFont({"Trebuchet MS", 16, true});
        cell->detailTextLabel().setText(std::to_string(2004 + path.section * 5 + path.row) + " - " +
                                        std::to_string(8 + path.row) + " tracks");
        cell->imageView().setImage(sleeves_[path.section]);
        return cell;
    }

    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override {
        screen_.setStatus("Row " + std::to_string(path.row + 1) + " of section " +
                          std::to_string(path.section + 1) + " selected");
        table.deselectRowAtIndexPath(path, true);
    }

  private:
    DemoScreen& screen_;
    std::array<ui::Image, kSections> sleeves_;
};

} // namespace

std::shared_ptr<ui::View> makeTablePage(DemoScreen& screen) {
    auto* discs = screen.keep(std::make_shared<Discography>(screen));
    auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 320, DemoScreen::kPageHeight},
                                                 ui::TableViewStyle::Grouped);
    table->setTag(kTagTable);
    table->setBackgroundColor(ui::Color::rgb255(200, 205, 212));
    table->setRowHeight(52);
    table->setDataSource(discs);
    table->setDelegate(discs);
    table->reloadData();
    return table;
}

} // namespace uidemo
