#include "app/shell/next_page_row.h"

#include "app/shell/localized.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view_cell.h"

namespace zephrun {

namespace {
constexpr Localized kNextPage{"Télécharger la suite : ", "See more : "};
}

std::string nextPageText(bool french, int loaded, int total) {
    return kNextPage.in(french) + std::to_string(loaded) + "/" + std::to_string(total);
}

std::shared_ptr<ui::Label> makeNextPageLabel(const ui::Color& tint, bool french, int loaded,
                                             int total) {
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, 320, 50));
    label->setBackgroundColor(tint);
    label->setTextColor(ui::Color::white());
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setFont(ui::Font::named("Trebuchet MS", 14));
    label->setText(nextPageText(french, loaded, total));
    return label;
}

std::shared_ptr<ui::TableViewCell> makeNextPageCell(std::shared_ptr<ui::Label> label, int tag) {
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setBackgroundColor(ui::Color::clear());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    cell->setTag(tag);
    cell->contentView().addSubview(std::move(label));
    return cell;
}

} // namespace zephrun
