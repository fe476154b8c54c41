// DiscographieTrackCell: one row of the discography's track list — number and title, duration,
// store button, and the preview button whose picture tells the preview's state (play: idle;
// none, with the spinner turning: loading; pause: playing).
//
// The buttons carry the track's index in their (invisible) title, as the screen's actions read
// it back. Threads: interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/geometry.h"
#include "platform/ui/table_view_cell.h"

namespace ui {
class ActivityIndicatorView;
class Button;
class Label;
} // namespace ui

namespace zephrun {

struct TrackDescription;

class DiscographieTrackCell : public ui::TableViewCell {
  public:
    enum class Preview { None, Idle, Loading, Playing };
    using Action = std::function<void(ui::Button&)>;

    // The row of track `index` (0-based). `playing` draws it as the playing row in `tint`.
    DiscographieTrackCell(const TrackDescription& track, int index, bool playing,
                          const ui::Color& tint, const Action& buy, const Action& play);

    // The trailing row after the last track: clear and inert.
    static std::shared_ptr<ui::TableViewCell> blankRow();

    // "0%d.%@" up to the 9th track, "%d.%@" from the 10th (with index + 1).
    static std::string labelText(int index, const std::string& title);
    // Left edge of the duration: after the estimated width of the label's text less one
    // character, never beyond the title's room.
    static float durationX(const std::string& labelText);

    // The preview button's state, as its picture shows it.
    Preview preview() const { return state_; }
    // The three looks of a row with a preview button (a row without one keeps its look).
    void showIdle();
    void showLoading(const ui::Color& tint);
    void showPlaying(const ui::Color& tint);

    ui::Button* previewButton() const { return preview_.get(); }
    ui::Button* storeButton() const { return store_.get(); }
    ui::ActivityIndicatorView* indicator() const { return indicator_.get(); }
    ui::Label& titleLabel() const { return *title_; }
    ui::Label* durationLabel() const { return duration_.get(); }

    std::string_view className() const override { return "DiscographieTrackCell"; }

  private:
    std::shared_ptr<ui::Button> store_;
    std::shared_ptr<ui::Button> preview_;
    std::shared_ptr<ui::ActivityIndicatorView> indicator_;
    std::shared_ptr<ui::Label> title_;
    std::shared_ptr<ui::Label> duration_;
    Preview state_ = Preview::None;
};

} // namespace zephrun
