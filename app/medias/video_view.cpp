#include "app/medias/video_view.h"

#include <charconv>
#include <cstdio>

#include "app/medias/medias_texts.h"
#include "app/shell/next_page_row.h"
#include "app/shell/shell_texts.h"
#include "app/shell/text_blanks.h"
#include "app/shell/thumbnail_cache.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/videos.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view_cell.h"

namespace zephrun {

namespace {

constexpr ui::Rect kBackground{0, 0, 320, 418};
constexpr ui::Rect kTable{0, 38, 320, 328};
// A video row (320 x 100).
constexpr ui::Rect kSeparator{0, 99, 320, 1};
constexpr ui::Rect kThumbnail{2, 5, 120, 90};
constexpr ui::Rect kTitle{130, 5, 185, 50};
constexpr ui::Rect kViews{130, 65, 170, 14};
constexpr ui::Rect kRating{130, 80, 170, 14};
constexpr ui::Rect kDuration{230, 80, 170, 14};

constexpr const char* kThumbnailQuery = "&w=120&r=1.33";
constexpr const char* kFont = "Trebuchet MS";

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const std::string& text,
                                 const ui::Color& color, float size, int lines = 1) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(color);
    l->setFont(ui::Font::named(kFont, size));
    l->setNumberOfLines(lines);
    return l;
}

} // namespace

VideoView::VideoView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate)
    : ui::View(frame), appDelegate(appDelegate) {
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(medias::texts::kBackground));
    background->setFrame(kBackground);
    addSubview(background);
    myTable_ = std::make_shared<ui::TableView>(kTable);
    myTable_->setRowHeight(kRowHeight);
    myTable_->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    myTable_->setBackgroundColor(ui::Color::clear());
    myTable_->setDataSource(this);
    myTable_->setDelegate(this);
    addSubview(myTable_);
}

VideoView::~VideoView() {
    myTable_->setDataSource(nullptr);
    myTable_->setDelegate(nullptr);
}

std::string VideoView::ratingText(bool french, std::string_view note) {
    // Read as the platform reads a number from text: leading blanks and "+" skipped, the
    // longest number that starts the text, 0 when there is none. Never the locale's comma.
    while (!note.empty() && (note.front() == ' ' || note.front() == '\t' || note.front() == '\n'))
        note.remove_prefix(1);
    if (!note.empty() && note.front() == '+') note.remove_prefix(1);
    float value = 0;
    if (std::from_chars(note.data(), note.data() + note.size(), value).ec != std::errc()) value = 0;
    char number[64];
    std::snprintf(number, sizeof number, "%.1f / 5", static_cast<double>(value));
    return medias::texts::kRating.in(french) + number;
}

// --- Rows ---

void VideoView::loadList() {
    myListCells_.clear();
    const bool french = appDelegate.isFrench();
    const ui::Color tint = appDelegate.tintColor();
    Videos& feed = appDelegate.myVideos();
    const Videos::List list = feed.listVideos();
    if (list.empty()) {
        appDelegate.showAlert(medias::texts::kNoVideos.in(french));
    } else {
        const ThumbnailCache thumbnails = ThumbnailCache::of(appDelegate);
        for (const auto& video : list) {
            ui::Image picture;
            if (!video->tURLImage.empty()) {
                Thumbnail t = thumbnails.fetch(ThumbnailCache::parentAndName(video->tURLImage),
                                               video->tURLImage, kThumbnailQuery);
                video->tImage = t.picture;
                picture = t.image;
            }
            myListCells_.push_back(makeVideoCell(*video, picture));
        }
        const int loaded = static_cast<int>(list.size());
        if (loaded != feed.nbItems()) {
            auto more = makeNextPageLabel(tint, french, loaded, feed.nbItems());
            more->setTag(kTagLinkHolder);
            myListCells_.push_back(makeNextPageCell(more, kTagMore));
        }
    }
    myTable_->reloadData();
}

std::shared_ptr<ui::TableViewCell> VideoView::makeVideoCell(const VideosDescription& video,
                                                            const ui::Image& picture) {
    const bool french = appDelegate.isFrench();
    const ui::Color tint = appDelegate.tintColor();
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setFrame({0, 0, 320, kRowHeight});
    cell->setBackgroundColor(ui::Color::clear());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    cell->setTag(kTagVideo);
    ui::View& content = cell->contentView();
    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed(medias::texts::kSeparator));
    separator->setFrame(kSeparator);
    content.addSubview(separator);
    if (picture) {
        auto thumbnail = std::make_shared<ui::ImageView>(picture);
        thumbnail->setFrame(kThumbnail);
        content.addSubview(thumbnail);
    }
    content.addSubview(label(kTitle, video.tTitle, ui::Color::white(), 14, 3));
    auto holder = label(kTitle, video.tURL, ui::Color::clear(), 14);
    holder->setTag(kTagLinkHolder);
    holder->setHidden(true);
    content.addSubview(holder);
    content.addSubview(label(kViews, medias::texts::kViews.in(french) + video.tVu, tint, 12));
    content.addSubview(label(kRating, ratingText(french, video.tNote), tint, 12));
    content.addSubview(
        label(kDuration, medias::texts::kDuration.in(french) + video.tDuree, tint, 12));
    return cell;
}

void VideoView::toggleLanguage() {
    if (myListCells_.empty() || myListCells_.back()->tag() != kTagMore) return;
    auto* more = myListCells_.back()->viewWithTagAs<ui::Label>(kTagLinkHolder);
    if (!more) return;
    Videos& feed = appDelegate.myVideos();
    more->setText(nextPageText(appDelegate.isFrench(), static_cast<int>(feed.listVideos().size()),
                               feed.nbItems()));
}

int VideoView::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(myListCells_.size());
}

std::shared_ptr<ui::TableViewCell> VideoView::cellForRowAtIndexPath(ui::TableView&,
                                                                    const ui::IndexPath& p) {
    if (p.row < 0 || p.row >= static_cast<int>(myListCells_.size())) return nullptr;
    return myListCells_[p.row];
}

// --- Selection ---

void VideoView::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& p) {
    table.deselectRowAtIndexPath(p, true);
    if (p.row < 0 || p.row >= static_cast<int>(myListCells_.size())) return;
    // Held here: loading a page rebuilds the rows.
    std::shared_ptr<ui::TableViewCell> cell = myListCells_[p.row];
    if (cell->tag() == kTagMore)
        loadNextPage();
    else if (cell->tag() == kTagVideo)
        openVideo(*cell);
}

void VideoView::loadNextPage() {
    const bool french = appDelegate.isFrench();
    appDelegate.showLoading(texts::kUpdatingVideos.in(french));
    const bool ok = appDelegate.myVideos().completVideos();
    loadList();
    appDelegate.hideLoading();
    if (!ok) appDelegate.showAlert(texts::kVideosError.in(french));
}

void VideoView::openVideo(ui::TableViewCell& cell) {
    auto* holder = cell.viewWithTagAs<ui::Label>(kTagLinkHolder);
    currentLinkForReading_ = withoutBlanks(holder ? holder->text() : std::string());
    // The statistics count every video opened from this list.
    if (!currentLinkForReading_.empty())
        appDelegate.sendEventWithID(appDelegate.configInteger("id_event_medias_video"),
                                    currentLinkForReading_);
    appDelegate.showDailymotion(currentLinkForReading_);
}

} // namespace zephrun
