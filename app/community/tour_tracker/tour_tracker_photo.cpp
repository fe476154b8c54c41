// The tour map's photo viewer and comment overlay.
#include <filesystem>

#include "app/community/tour_tracker/tour_annotations.h"
#include "app/community/tour_tracker/tour_tracker_texts.h"
#include "app/community/tour_tracker/tour_tracker_view.h"
#include "app/shell/app_log.h"
#include "app/shell/thumbnail_cache.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/album_photo.h"
#include "feeds/text_width.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace fs = std::filesystem;

namespace zephrun {

using namespace tourtracker;

namespace {

constexpr float kScreenWidth = 320;
constexpr float kViewHeight = 418;
constexpr float kPortraitTop = 38;
constexpr float kLandscapeArea = 380;

ThumbnailCache photoCache(ZephrunAppDelegate& appDelegate, double seconds) {
    ThumbnailCache::Settings s = ThumbnailCache::of(appDelegate).settings();
    s.timeoutSeconds = seconds;
    return ThumbnailCache(std::move(s));
}

} // namespace

ui::Point TourTrackerView::bigPhotoOrigin(ui::Size size) {
    if (size.width < size.height) return {(kScreenWidth - size.width) / 2, kPortraitTop};
    return {0, (kLandscapeArea - size.height) / 2};
}

TourTrackerView::CommentLayout TourTrackerView::commentLayout(std::string_view comment) {
    const int w = textWidthEstimate(utf8CharacterCount(comment));
    const int n = w / 100;
    const float h = static_cast<float>(14 * n + 70);
    return {{30, (kViewHeight - h) / 2, 260, h}, n + 1};
}

std::shared_ptr<AlbumPhotoDescription> TourTrackerView::photoFor(const std::string& address) const {
    if (!currentCAV_ || !currentCAV_->myAlbum()) return nullptr;
    const AlbumPhoto::List photos = currentCAV_->myAlbum()->listPhotos();
    for (const auto& photo : photos)
        if (photo->tURLImage == address) return photo;
    return photos.empty() ? nullptr : photos.back();
}

void TourTrackerView::openPhoto(const std::string& address, int tag) {
    destroyImageBig();
    auto viewer = std::make_shared<ui::View>(kViewerOffScreen);
    viewer->setBackgroundColor(ui::Color::black());
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(kViewerBackground));
    background->setFrame({0, 0, kScreenWidth, kViewHeight});
    viewer->addSubview(background);
    myViewBigImage_ = viewer;
    addSubview(viewer);
    appDelegate.showLoading(kDownloadingPhoto.in(isFrench()));

    // Kept as "b_<file name>"; a name that would leave the picture directory is never stored.
    const std::string name = "b_" + ThumbnailCache::lastPathComponent(address);
    const ThumbnailCache::Settings settings = ThumbnailCache::of(appDelegate).settings();
    std::error_code ec;
    const bool kept = ThumbnailCache::isStorableName(name) &&
                      (fs::is_regular_file(fs::path(settings.directory) / name, ec) ||
                       fs::is_regular_file(fs::path(settings.shippedDirectory) / name, ec));
    Thumbnail picture;
    if (kept) {
        picture = photoCache(appDelegate, kPhotoSeconds).fetch(name, address, kPortraitQuery);
    } else if (Thumbnail probe =
                   photoCache(appDelegate, kProbeSeconds).fetch("", address, kProbeQuery)) {
        // A probe 10 wide and less than 10 high is a landscape picture.
        const char* query = probe.image.pixelHeight() < 10 ? kLandscapeQuery : kPortraitQuery;
        picture = photoCache(appDelegate, kPhotoSeconds).fetch(name, address, query);
    }
    if (!picture) {
        destroyImageBig();
        alert(kPhotoError);
        appDelegate.hideLoading();
        return;
    }

    const ui::Size size = picture.image.size();
    auto photoButton = std::make_shared<ui::Button>(ui::Rect{bigPhotoOrigin(size), size});
    photoButton->setBackgroundImage(picture.image);
    photoButton->setAdjustsImageWhenHighlighted(false);
    photoButton->setTag(tag);
    photoButton->addTarget([this](ui::Control&) { closeBigImage(); },
                           ui::ControlEvent::TouchUpInside);
    viewer->addSubview(photoButton);

    const std::shared_ptr<AlbumPhotoDescription> photo = photoFor(address);
    auto author = std::make_shared<ui::Label>(kAuthorFrame);
    author->setText(std::string(kAuthorFormat) + (photo ? photo->tAuteur : std::string()));
    author->setTextColor(ui::Color::white());
    author->setFont(ui::Font::named(kFont, 14));
    author->setTextAlignment(ui::TextAlignment::Center);
    viewer->addSubview(author);
    if (photo && !photo->tCommentaire.empty()) {
        auto comment = std::make_shared<ui::Button>(kCommentButtonFrame);
        comment->setImage(ui::imageNamed(kCommentButton));
        comment->setTitle(address);
        comment->setTitleColor(ui::Color::clear());
        comment->addTarget([this](ui::Control& c) { showCommentaire(static_cast<ui::Button&>(c)); },
                           ui::ControlEvent::TouchUpInside);
        viewer->addSubview(comment);
    }
    ui::View::animate(kSlideSeconds, [viewer] {
        viewer->setFrame({0, 0, kScreenWidth, kViewHeight});
    });
    appDelegate.hideLoading();
    appDelegate.log().record("tourtracker", "photo " + address);
}

void TourTrackerView::closeBigImage() {
    hideImageBig();
}

void TourTrackerView::hideImageBig() {
    if (!myViewBigImage_) return;
    std::weak_ptr<ui::View> viewer = myViewBigImage_;
    ui::View::animate(
        kSlideSeconds, [v = myViewBigImage_] { v->setFrame(kViewerOffScreen); },
        [this, viewer](bool) {
            // Unless another photo replaced it meanwhile.
            if (auto v = viewer.lock(); v && v == myViewBigImage_) destroyImageBig();
        });
}

void TourTrackerView::destroyImageBig() {
    if (myViewBigImage_) myViewBigImage_->removeFromSuperview();
    myViewBigImage_.reset();
}

void TourTrackerView::showCommentaire(ui::Button& button) {
    std::string address;
    for (char c : button.titleForState(ui::ControlState::Normal))
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') address += c;
    const std::shared_ptr<AlbumPhotoDescription> photo = photoFor(address);
    if (!photo) return;
    hideImageBigCommentaire();
    auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, kScreenWidth, kViewHeight});
    overlay->setBackgroundColor(ui::Color::clear());
    auto background = std::make_shared<ui::ImageView>(ui::imageNamed(kViewerBackground));
    background->setFrame({0, 0, kScreenWidth, kViewHeight});
    overlay->addSubview(background);
    const CommentLayout layout = commentLayout(photo->tCommentaire);
    auto bubble =
        std::make_shared<ui::ImageView>(ui::imageNamed(kCommentBubble).stretchableImage(45, 35));
    bubble->setFrame(layout.bubble);
    overlay->addSubview(bubble);
    auto label =
        std::make_shared<ui::Label>(ui::Rect{50, layout.bubble.y(), 220, layout.bubble.height()});
    label->setText(photo->tCommentaire);
    label->setTextColor(ui::Color::white());
    label->setFont(ui::Font::named(kFont, 14));
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setNumberOfLines(layout.lines);
    label->setLineBreakMode(ui::LineBreakMode::WordWrap);
    overlay->addSubview(label);
    auto close = std::make_shared<ui::Button>(layout.bubble);
    close->addTarget([this](ui::Control&) { hideImageBigCommentaire(); },
                     ui::ControlEvent::TouchUpInside);
    overlay->addSubview(close);
    myViewBigImageCommentaire_ = overlay;
    addSubview(overlay);
}

void TourTrackerView::hideImageBigCommentaire() {
    if (myViewBigImageCommentaire_) myViewBigImageCommentaire_->removeFromSuperview();
    myViewBigImageCommentaire_.reset();
}

} // namespace zephrun
