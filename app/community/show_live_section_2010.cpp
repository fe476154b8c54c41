#include "app/community/show_live_section_2010.h"

#include <algorithm>

#include "app/shell/text_blanks.h"
#include "client/html_unescape.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace zephrun {

namespace {

ui::Font rowFont() {
    return ui::Font::named("Trebuchet MS", 14);
}

} // namespace

float ShowLiveCell2010::heightForText(const std::string& text, const ui::FontMetrics& metrics) {
    if (text.empty()) return kPadding;
    const ui::Font font = rowFont();
    const auto lines = ui::wrapLines(metrics, font, text, kTextWidth);
    const float height = static_cast<float>(lines.size()) * metrics.lineHeight(font);
    return std::min(height, kMaxTextHeight) + kPadding;
}

ShowLiveCell2010::ShowLiveCell2010(const std::string& text, const ui::FontMetrics& metrics) {
    const std::string shown = kt::stringByUnescapingHTML(text);
    slc_height = heightForText(shown, metrics);
    setFrame({0, 0, 320, slc_height});
    setBackgroundColor(ui::Color::clear());
    setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    // A paragraph without text keeps its spacing but shows nothing.
    if (shown.empty()) return;
    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed("cmn-hsep.png"));
    separator->setFrame({0, slc_height - 1, 320, 1});
    addSubview(separator);
    auto label = std::make_shared<ui::Label>(ui::Rect(10, 4, kTextWidth, slc_height - 9));
    label->setText(shown);
    label->setTextColor(ui::Color::white());
    label->setFont(rowFont());
    label->setNumberOfLines(0);
    label->setLineBreakMode(ui::LineBreakMode::WordWrap);
    addSubview(label);
}

ShowLiveSection2010::ShowLiveSection2010(std::shared_ptr<const ShowLiveItem> show,
                                         const ui::Color& color, const ui::FontMetrics& metrics)
    : ui::View(ui::Rect(0, 0, 320, kHeight)), sls_dico(std::move(show)) {
    setBackgroundColor(ui::Color::clear());
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed("sl_section.png"));
    background->setFrame({0, 0, 320, kHeight});
    addSubview(background);
    const std::string title = withoutLineBreaks(sls_dico->title);
    if (!title.empty()) {
        auto label = std::make_shared<ui::Label>(ui::Rect(10, 0, 300, kHeight));
        label->setText(title);
        label->setTextColor(color);
        label->setFont(ui::Font::named("Trebuchet MS", 15));
        label->setAdjustsFontSizeToFitWidth(true);
        addSubview(label);
    }
    for (const std::string& paragraph : sls_dico->contenu)
        sls_cells.push_back(std::make_shared<ShowLiveCell2010>(paragraph, metrics));
}

std::shared_ptr<ShowLiveCell2010> ShowLiveSection2010::getCell(int index) const {
    if (index < 0 || index >= getNbCells()) return nullptr;
    return sls_cells[static_cast<std::size_t>(index)];
}

float ShowLiveSection2010::getHeightCell(int index) const {
    auto cell = getCell(index);
    return cell ? cell->getHeight() : 0;
}

} // namespace zephrun
