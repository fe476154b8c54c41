// The tour map's concert bubble: the concert's texts, the photo strip filled by the album's
// loader, more photos on demand, and the coming concert added to the calendar.
#include <ctime>
#include <filesystem>

#include "app/community/tour_tracker/album_strip_loader.h"
#include "app/community/tour_tracker/concert_calendar.h"
#include "app/community/tour_tracker/tour_annotations.h"
#include "app/community/tour_tracker/tour_tracker_texts.h"
#include "app/community/tour_tracker/tour_tracker_view.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/album_photo.h"
#include "feeds/concerts.h"
#include "platform/atomic_file.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace zephrun {

using namespace tourtracker;

namespace {

std::shared_ptr<ui::Label> bubbleLabel(const ui::Rect& frame, const std::string& text,
                                       const ui::Color& colour, float size) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(colour);
    l->setFont(ui::Font::named(kFont, size));
    l->setAdjustsFontSizeToFitWidth(true);
    l->setMinimumFontSize(9);
    return l;
}

} // namespace

std::pair<std::string, std::string> TourTrackerView::splitTitle(const std::string& title) {
    const auto dash = title.find(" - ");
    if (dash == std::string::npos) return {title, std::string()};
    return {title.substr(0, dash), title.substr(dash + 3)};
}

std::shared_ptr<AlbumPhoto> TourTrackerView::albumFor(ConcertsAnnotationView& view) {
    const std::string& id = view.concertAnnotation()->concert().cID;
    auto& loader = albumLoaders_[id];
    // One album and one loader per concert, whichever pin view shows it now.
    if (!loader)
        loader = std::make_shared<AlbumStripLoader>(std::make_shared<AlbumPhoto>(appDelegate, id),
                                                    ThumbnailCache::of(appDelegate));
    if (!view.myAlbum()) view.setMyAlbum(loader->album());
    return loader->album();
}

AlbumStripLoader* TourTrackerView::albumLoader(const std::string& concertID) const {
    auto it = albumLoaders_.find(concertID);
    return it == albumLoaders_.end() ? nullptr : it->second.get();
}

void TourTrackerView::showDetailConcert(ConcertsAnnotationView& view) {
    if (!view.concertAnnotation()) return;
    if (currentCAV_ && currentCAV_.get() != &view) currentCAV_->setIsAppear(false);
    currentCAV_ = std::static_pointer_cast<ConcertsAnnotationView>(view.shared_from_this());
    closeBubble();
    myMap_->setScrollEnabled(false);
    myMap_->setZoomEnabled(false);
    myMap_->setMultipleTouchEnabled(false);

    const ConcertsMapAnnotation& pin = *view.concertAnnotation();
    const ConcertsDescription& concert = pin.concert();
    const bool french = isFrench();
    auto bubble = std::make_shared<ui::ImageView>(ui::imageNamed(kBubbleBackground));
    bubble->setFrame(kBubble);
    bubble->setUserInteractionEnabled(true);
    bubble->addSubview(bubbleLabel(kBubbleDate, concert.cDate, appDelegate.tintColor(), 18));
    const auto [first, second] = splitTitle(concert.cTitle);
    bubble->addSubview(bubbleLabel(kBubbleTitle1, first, ui::Color::white(), 16));
    bubble->addSubview(bubbleLabel(kBubbleTitle2, second, ui::Color::white(), 15));
    auto address = bubbleLabel(kBubbleAddress, concert.cAdresse, ui::Color::white(), 13);
    address->setNumberOfLines(3);
    address->setLineBreakMode(ui::LineBreakMode::WordWrap);
    bubble->addSubview(address);
    auto close = std::make_shared<ui::Button>(kBubbleCloseFrame);
    close->setImage(ui::imageNamed(kBubbleClose));
    close->addTarget([this](ui::Control&) { hideDetailConcert(); },
                     ui::ControlEvent::TouchUpInside);
    bubble->addSubview(close);
    if (pin.record().typeConcerts() == Concerts::kFuture && concertDay(concert.cDate)) {
        calendarButton_ = std::make_shared<ui::Button>(kCalendarButtonFrame);
        calendarButton_->setBackgroundColor(appDelegate.tintColor());
        calendarButton_->setTitle(kAddToCalendar.in(french));
        calendarButton_->setTitleColor(ui::Color::white());
        calendarButton_->setTitleFont(ui::Font::named(kFont, 12));
        calendarButton_->addTarget([this](ui::Control&) { addToCalendar(); },
                                   ui::ControlEvent::TouchUpInside);
        bubble->addSubview(calendarButton_);
    }
    stripIndicator_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::WhiteLarge);
    stripIndicator_->setFrame({kIndicatorOrigin, stripIndicator_->frame().size});
    stripIndicator_->startAnimating();
    bubble->addSubview(stripIndicator_);
    viewDetail_ = bubble;
    addSubview(bubble);

    // The album is made here, on the interface thread; its loader fills the strip.
    albumFor(view);
    currentLoader_ = albumLoaders_[concert.cID];
    bubble_ = ++lastBubble_;
    AlbumStripLoader::Events events;
    events.ready = [this](unsigned b, bool refreshed) { stripReady(b, refreshed); };
    events.thumbnail = [this](unsigned b, std::size_t i,
                              const std::shared_ptr<AlbumPhotoDescription>& photo,
                              const Thumbnail& t) { stripThumbnail(b, i, photo, t); };
    events.more = [this](unsigned b, std::size_t count) { stripMore(b, count, false); };
    currentLoader_->load(bubble_, std::move(events));
    appDelegate.log().record("tourtracker", "bubble " + concert.cID);
}

void TourTrackerView::closeBubble() {
    if (currentLoader_) currentLoader_->stop();
    currentLoader_.reset();
    bubble_ = 0;
    if (strip_) strip_->setDelegate(nullptr);
    strip_.reset();
    stripIndicator_.reset();
    calendarButton_.reset();
    if (myAlbumArrowLeft_) myAlbumArrowLeft_->removeFromSuperview();
    if (myAlbumArrowRight_) myAlbumArrowRight_->removeFromSuperview();
    myAlbumArrowLeft_.reset();
    myAlbumArrowRight_.reset();
    if (viewDetail_) viewDetail_->removeFromSuperview();
    viewDetail_.reset();
}

void TourTrackerView::hideDetailConcert() {
    myMap_->setScrollEnabled(true);
    myMap_->setZoomEnabled(true);
    myMap_->setMultipleTouchEnabled(true);
    const bool wasOpen = viewDetail_ != nullptr;
    closeBubble();
    if (currentCAV_) currentCAV_->hideDetail();
    if (wasOpen) appDelegate.log().record("tourtracker", "bubble closed");
}

// --- The strip ---

void TourTrackerView::stripReady(unsigned bubble, bool refreshed) {
    if (bubble != bubble_ || !viewDetail_) return;
    if (stripIndicator_) stripIndicator_->removeFromSuperview();
    stripIndicator_.reset();
    strip_ = std::make_shared<ui::ScrollView>(kStrip);
    strip_->setTag(kStripTag);
    strip_->setShowsHorizontalScrollIndicator(false);
    strip_->setShowsVerticalScrollIndicator(false);
    strip_->setDelegate(this);
    viewDetail_->addSubview(strip_);
    myAlbumArrowLeft_ = std::make_shared<ui::ImageView>(ui::imageNamed(kArrowLeft));
    myAlbumArrowLeft_->setFrame(kArrowLeftFrame);
    myAlbumArrowLeft_->setHidden(true);
    viewDetail_->addSubview(myAlbumArrowLeft_);
    myAlbumArrowRight_ = std::make_shared<ui::ImageView>(ui::imageNamed(kArrowRight));
    myAlbumArrowRight_->setFrame(kArrowRightFrame);
    myAlbumArrowRight_->setHidden(true);
    viewDetail_->addSubview(myAlbumArrowRight_);
    // An album the server did not give: the "+" button tries again.
    if (!refreshed) stripMore(bubble, 0, true);
}

void TourTrackerView::stripThumbnail(unsigned bubble, std::size_t index,
                                     const std::shared_ptr<AlbumPhotoDescription>& photo,
                                     const Thumbnail& thumbnail) {
    if (bubble != bubble_ || !strip_ || !thumbnail) return;
    photo->tImage = thumbnail.picture;
    const float x = kThumbStep * static_cast<float>(index);
    auto button = std::make_shared<ui::Button>(ui::Rect{x, 0, kThumbSide, kThumbSide});
    button->setBackgroundImage(thumbnail.image);
    button->setTitle(photo->tURLImage);
    button->setTitleColor(ui::Color::clear());
    button->setTag(kThumbTag);
    button->addTarget([this](ui::Control& c) { wantBigPhoto(static_cast<ui::Button&>(c)); },
                      ui::ControlEvent::TouchUpInside);
    strip_->addSubview(button);
    const float width = kThumbStep * static_cast<float>(index + 1);
    strip_->setContentSize({width, kThumbSide});
    if (width > kStrip.width()) myAlbumArrowRight_->setHidden(false);
}

void TourTrackerView::stripMore(unsigned bubble, std::size_t count, bool alone) {
    if (bubble != bubble_ || !strip_) return;
    const float x = alone ? 0 : kThumbStep * static_cast<float>(count);
    auto button = std::make_shared<ui::Button>(ui::Rect{x, 0, kThumbSide, kThumbSide});
    button->setBackgroundColor(appDelegate.tintColor());
    button->setTitle("+");
    button->setTitleColor(ui::Color::white());
    button->setTitleFont(ui::Font::named(kFont, 30));
    button->setTag(kMoreTag);
    button->addTarget([this](ui::Control& c) { wantBigPhoto(static_cast<ui::Button&>(c)); },
                      ui::ControlEvent::TouchUpInside);
    strip_->addSubview(button);
    const float width = x + kThumbStep;
    strip_->setContentSize({width, kThumbSide});
    if (width > kStrip.width()) myAlbumArrowRight_->setHidden(false);
}

void TourTrackerView::scrollViewDidScroll(ui::ScrollView& strip) {
    if (&strip != strip_.get() || !(strip.isDragging() || strip.isDecelerating())) return;
    myAlbumArrowLeft_->setHidden(false);
    myAlbumArrowRight_->setHidden(false);
}

void TourTrackerView::scrollViewDidEndDragging(ui::ScrollView& strip, bool willDecelerate) {
    if (!willDecelerate) stripStopped(strip);
}

void TourTrackerView::scrollViewDidEndDecelerating(ui::ScrollView& strip) {
    stripStopped(strip);
}

void TourTrackerView::stripStopped(ui::ScrollView& strip) {
    if (&strip != strip_.get()) return;
    const float offset = strip.contentOffset().x;
    const float end = strip.contentSize().width - kStrip.width();
    // At an end, its arrow goes; a strip that fits shows neither.
    myAlbumArrowLeft_->setHidden(offset <= 0);
    myAlbumArrowRight_->setHidden(offset >= end);
}

void TourTrackerView::wantBigPhoto(ui::Button& button) {
    if (button.tag() == kMoreTag) {
        loadMorePhotos();
        return;
    }
    std::string address;
    for (char c : button.titleForState(ui::ControlState::Normal))
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') address += c;
    openPhoto(address, button.tag());
}

void TourTrackerView::loadMorePhotos() {
    if (!currentCAV_ || !currentCAV_->myAlbum()) return;
    std::shared_ptr<ConcertsAnnotationView> pin = currentCAV_;
    AlbumPhoto& album = *pin->myAlbum();
    appDelegate.showLoading(kUpdatingPhotos.in(isFrench()));
    const bool ok = album.isRefresh() ? album.completPhotos() : album.refreshPhotos();
    if (ok)
        showDetailConcert(*pin);
    else
        alert(kPhotosError);
    appDelegate.hideLoading();
}

// --- Calendar ---

bool TourTrackerView::addToCalendar() {
    if (!currentCAV_ || !viewDetail_ || !currentCAV_->concertAnnotation()) return false;
    const ConcertsDescription& concert = currentCAV_->concertAnnotation()->concert();
    const std::optional<std::string> ics = concertCalendar(concert, std::time(nullptr));
    std::error_code ec;
    const fs::path directory = fs::absolute(appDelegate.environment().documentsDirectory, ec);
    fs::create_directories(directory, ec);
    const std::string path = concertCalendarPath(directory.string(), concert.cID);
    if (!ics || !zplatform::writeFileAtomically(path, *ics) ||
        !appDelegate.window().services().openFile(path)) {
        alert(kCalendarError);
        return false;
    }
    appDelegate.log().record("tourtracker", "calendar " + path);
    return true;
}

} // namespace zephrun
