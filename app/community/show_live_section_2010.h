// ShowLiveSection2010 and ShowLiveCell2010: one radio show of the show-live list — its header
// (the title in the theme colour over the section picture) and one row per paragraph of its
// programme, each row as tall as its text needs.
//
// Threads: interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "feeds/show_live_2010.h"
#include "platform/ui/table_view_cell.h"

namespace ui {
class FontMetrics;
}

namespace zephrun {

class ShowLiveCell2010 : public ui::TableViewCell {
  public:
    static constexpr float kTextWidth = 300;
    static constexpr float kMaxTextHeight = 100;
    static constexpr float kPadding = 15;

    // `initWithText:`: `text` may hold HTML character references. `metrics` measure the text as
    // the window draws it.
    ShowLiveCell2010(const std::string& text, const ui::FontMetrics& metrics);
    float getHeight() const { return slc_height; }
    // The row height of a text already unescaped: its wrapped height in "Trebuchet MS" 14
    // within 300 points (at most 100), plus 15.
    static float heightForText(const std::string& text, const ui::FontMetrics& metrics);
    std::string_view className() const override { return "ShowLiveCell2010"; }

  private:
    float slc_height = 0;
};

class ShowLiveSection2010 : public ui::View {
  public:
    static constexpr float kHeight = 30;

    // `initWithDico:andColor:`.
    ShowLiveSection2010(std::shared_ptr<const ShowLiveItem> show, const ui::Color& color,
                        const ui::FontMetrics& metrics);
    float getHeight() const { return sls_height; }
    int getNbCells() const { return static_cast<int>(sls_cells.size()); }
    std::shared_ptr<ShowLiveCell2010> getCell(int index) const;
    float getHeightCell(int index) const;
    const ShowLiveItem& show() const { return *sls_dico; }
    std::string_view className() const override { return "ShowLiveSection2010"; }

  private:
    std::shared_ptr<const ShowLiveItem> sls_dico;
    std::vector<std::shared_ptr<ShowLiveCell2010>> sls_cells;
    float sls_height = kHeight;
};

} // namespace zephrun
