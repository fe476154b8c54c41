#include "app/discography/discographie_track_cell.h"

#include <algorithm>
#include <cstdio>

#include "app/discography/discographie_layout.h"
#include "feeds/disque_description.h"
#include "feeds/text_width.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace zephrun {

namespace {

// UIKit's light grey.
const ui::Color kDurationColor = ui::Color::gray(2.0f / 3.0f);

std::shared_ptr<ui::Button> indexButton(const ui::Rect& frame, int index, const char* image,
                                        const DiscographieTrackCell::Action& action) {
    auto b = std::make_shared<ui::Button>(frame);
    b->setTitle(std::to_string(index));
    b->setTitleColor(ui::Color::clear());
    b->setImage(ui::imageNamed(image));
    b->addTarget(
        [action](ui::Control& c) {
            if (action) action(static_cast<ui::Button&>(c));
        },
        ui::ControlEvent::TouchUpInside);
    return b;
}

std::shared_ptr<ui::Label> rowLabel(const ui::Rect& frame, const std::string& text,
                                    const ui::Color& color) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setFont(ui::Font::named(disco::kFontName, disco::kFontSize));
    l->setTextColor(color);
    l->setAdjustsFontSizeToFitWidth(false);
    return l;
}

} // namespace

DiscographieTrackCell::DiscographieTrackCell(const TrackDescription& track, int index, bool playing,
                                             const ui::Color& tint, const Action& buy,
                                             const Action& play) {
    setBackgroundColor(ui::Color::clear());
    setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    ui::View& content = contentView();
    content.setBackgroundColor(ui::Color::clear());

    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed(disco::kRowSeparator));
    separator->setFrame(disco::kRowSeparatorFrame);
    content.addSubview(separator);

    if (!track.tURLiTunes.empty()) {
        store_ = indexButton(disco::kStoreFrame, index, disco::kStoreButton, buy);
        content.addSubview(store_);
    }
    if (!track.tURLExtrait.empty()) {
        preview_ = indexButton(disco::kPreviewFrame, index,
                               playing ? disco::kPauseButton : disco::kPlayButton, play);
        preview_->setTag(disco::kPreviewTag);
        state_ = playing ? Preview::Playing : Preview::Idle;
        content.addSubview(preview_);
        indicator_ = std::make_shared<ui::ActivityIndicatorView>(
            ui::ActivityIndicatorStyle::WhiteLarge, disco::kIndicatorFrame);
        indicator_->setTag(disco::kIndicatorTag);
        content.addSubview(indicator_);
    }

    const std::string text = labelText(index, track.tTitle);
    ui::Rect titleFrame = disco::kTitleFrame;
    if (track.tDuree.empty()) titleFrame.size.width += disco::kTitleWidening;
    title_ = rowLabel(titleFrame, text, playing ? tint : ui::Color::white());
    title_->setTag(disco::kTitleTag);
    content.addSubview(title_);

    if (!track.tDuree.empty()) {
        duration_ = rowLabel({durationX(text), 0, disco::kDurationWidth, disco::kRowHeight},
                             track.tDuree, kDurationColor);
        duration_->setTag(disco::kDurationTag);
        content.addSubview(duration_);
    }
}

std::shared_ptr<ui::TableViewCell> DiscographieTrackCell::blankRow() {
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setBackgroundColor(ui::Color::clear());
    cell->contentView().setBackgroundColor(ui::Color::clear());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    return cell;
}

std::string DiscographieTrackCell::labelText(int index, const std::string& title) {
    const int number = index + 1;
    return (number <= 9 ? "0" : "") + std::to_string(number) + "." + title;
}

float DiscographieTrackCell::durationX(const std::string& labelText) {
    const std::size_t characters = utf8CharacterCount(labelText);
    const int width = textWidthEstimate(characters > 0 ? characters - 1 : 0);
    return disco::kTitleX + std::min(static_cast<float>(width), disco::kTitleMaxWidth);
}

void DiscographieTrackCell::showIdle() {
    if (!preview_) return;
    state_ = Preview::Idle;
    preview_->setImage(ui::imageNamed(disco::kPlayButton));
    indicator_->stopAnimating();
    title_->setTextColor(ui::Color::white());
}

void DiscographieTrackCell::showLoading(const ui::Color& tint) {
    if (!preview_) return;
    state_ = Preview::Loading;
    preview_->setImage(ui::Image());
    indicator_->startAnimating();
    title_->setTextColor(tint);
}

void DiscographieTrackCell::showPlaying(const ui::Color& tint) {
    if (!preview_) return;
    state_ = Preview::Playing;
    preview_->setImage(ui::imageNamed(disco::kPauseButton));
    indicator_->stopAnimating();
    title_->setTextColor(tint);
}

} // namespace zephrun
