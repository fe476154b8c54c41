// TourTrackerView: the tour map of the community section — the coming and past concerts and the
// members as pins, the member's own position, members reloaded from the server on large moves
// and zooms, the concert and member toggles, geolocation, the concert bubble with its photo strip
// (loaded on a worker thread), the photo viewer with its comment, and a coming concert added to
// the calendar.
//
// Ownership: the community hub creates the view (320 x 418, placed below the top bar), slides it
// in and out and keeps it for the run; the view owns its map, its member feed, the concerts'
// albums and their loaders. Threads: interface thread; album loaders hand their results to it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/location/kt_cl_controller.h"
#include "app/shell/localized.h"
#include "platform/ui/map_view.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/view.h"

namespace ui {
class ActivityIndicatorView;
class Button;
class ImageView;
class UiTimer;
} // namespace ui

namespace zephrun {

class AlbumPhoto;
class AlbumStripLoader;
class ConcertsAnnotationView;
class Concerts;
class Membres;
class MyAnnotation;
class ZephrunAppDelegate;
struct AlbumPhotoDescription;
struct Thumbnail;

class TourTrackerView : public ui::View,
                        public KT_CLControllerDelegate,
                        private ui::MapViewDelegate,
                        private ui::ScrollViewDelegate {
  public:
    // `initWithFrame:andDelegate:`: the bars, the map at the initial region, a new member feed.
    TourTrackerView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate);
    ~TourTrackerView() override;

    // What the back button calls (the hub's hideTourTracker).
    void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }
    // Reloads the members around the map's centre and rebuilds every pin, behind the overlay.
    void refreshMembresAroundMe();
    // Reloads the members of the visible zone, behind the overlay.
    void refreshMembresMap();
    // Rebuilds every pin: members, concerts (fetched when never fetched), own position.
    void generatePOI();
    Membres& myMembres() { return *myMembres_; }
    // Whether the member feed was ever refreshed in this run.
    bool membersRefreshed() const;
    // Re-sets the pictures that depend on the language.
    void toggleLanguage();

    // --- The buttons ---
    void clicOnGeoloc();
    void clicOnEvent();
    void clicOnMembres();
    // The location controller's answer to clicOnGeoloc.
    void sendInfoToKT() override;

    // --- The concert bubble ---
    void showDetailConcert(ConcertsAnnotationView& view);
    void hideDetailConcert();
    // A thumbnail (tag 2) opens its photo; the "+" button (tag 1) loads more photos.
    void wantBigPhoto(ui::Button& button);
    // Writes the open bubble's concert as a calendar file and opens it with the system.
    bool addToCalendar();

    // --- The photo viewer and the comment ---
    void closeBigImage();
    void hideImageBig();
    void destroyImageBig();
    void showCommentaire(ui::Button& button);
    void hideImageBigCommentaire();

    // --- State, for the hub and tests ---
    ui::MapView& myMap() { return *myMap_; }
    ui::CoordinateRegion lastSaveRegion() const { return lastSaveRegion_; }
    bool isFirstLoad() const { return isFirstLoad_; }
    int nbErrorLoadMap() const { return nbErrorLoadMap_; }
    bool eventsShown() const;
    bool membresShown() const;
    ui::View* viewDetail() const { return viewDetail_.get(); }
    ui::View* myViewBigImage() const { return myViewBigImage_.get(); }
    ui::View* myViewBigImageCommentaire() const { return myViewBigImageCommentaire_.get(); }
    ui::ImageView* myAlbumArrowLeft() const { return myAlbumArrowLeft_.get(); }
    ui::ImageView* myAlbumArrowRight() const { return myAlbumArrowRight_.get(); }
    ConcertsAnnotationView* currentCAV() const { return currentCAV_.get(); }
    const std::vector<std::shared_ptr<ui::Annotation>>& myListAnnotationMembres() const {
        return myListAnnotationMembres_;
    }
    const std::vector<std::shared_ptr<ui::Annotation>>& myListAnnotationEvents() const {
        return myListAnnotationEvents_;
    }
    const std::shared_ptr<MyAnnotation>& myPositionAnnotation() const {
        return myPositionAnnotation_;
    }
    // The loader of a concert's album, once its bubble was opened.
    AlbumStripLoader* albumLoader(const std::string& concertID) const;

    std::string_view className() const override { return "TourTrackerView"; }

    // --- Rules ---
    // Whether a map now showing `now` must reload the members last loaded for `saved`: a move of
    // more than 1.2 spans, or the latitude span shrunk or grown by more than a factor of 6.
    static bool needsMembersReload(const ui::CoordinateRegion& now,
                                   const ui::CoordinateRegion& saved);
    // A concert title's two lines, split at the first " - " (the second empty without one).
    static std::pair<std::string, std::string> splitTitle(const std::string& title);
    // Where the photo viewer shows a picture of `size`.
    static ui::Point bigPhotoOrigin(ui::Size size);
    // The comment bubble's frame for a comment, and its number of lines.
    struct CommentLayout {
        ui::Rect bubble;
        int lines = 1;
    };
    static CommentLayout commentLayout(std::string_view comment);

  private:
    // MapViewDelegate.
    void regionDidChangeAnimated(ui::MapView& map, bool animated) override;
    std::shared_ptr<ui::AnnotationView>
    viewForAnnotation(ui::MapView& map, const std::shared_ptr<ui::Annotation>& annotation) override;
    void mapViewDidFailLoadingMap(ui::MapView& map, const ui::MapError& error) override;
    // ScrollViewDelegate (the album strip).
    void scrollViewDidScroll(ui::ScrollView& strip) override;
    void scrollViewDidEndDragging(ui::ScrollView& strip, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& strip) override;

    void buildBars();
    bool isFrench() const;
    void alert(const Localized& text);
    void refreshMembresAround(ui::LocationCoordinate centre);
    void setRegionFromMembres();
    void addMembrePins();
    void removeMembrePins();
    void addConcertPins();
    void removeConcertPins();
    // The position answer, outside any synchronous wait.
    void locationAnswered();

    // Bubble and strip.
    std::shared_ptr<AlbumPhoto> albumFor(ConcertsAnnotationView& view);
    void closeBubble();
    void stripReady(unsigned bubble, bool refreshed);
    void stripThumbnail(unsigned bubble, std::size_t index,
                        const std::shared_ptr<AlbumPhotoDescription>& photo,
                        const Thumbnail& thumbnail);
    void stripMore(unsigned bubble, std::size_t count, bool alone);
    void stripStopped(ui::ScrollView& strip);
    void loadMorePhotos();
    void openPhoto(const std::string& address, int tag);
    // The album photo of an address: the first whose address matches, else the last one.
    std::shared_ptr<AlbumPhotoDescription> photoFor(const std::string& address) const;

    ZephrunAppDelegate& appDelegate;
    std::function<void()> backAction_;
    std::unique_ptr<Membres> myMembres_;
    std::shared_ptr<ui::MapView> myMap_;
    std::shared_ptr<ui::Button> backButton_;
    std::shared_ptr<ui::Button> eventButton_;
    std::shared_ptr<ui::Button> membresButton_;
    std::vector<std::shared_ptr<ui::Annotation>> myListAnnotationMembres_;
    std::vector<std::shared_ptr<ui::Annotation>> myListAnnotationEvents_;
    std::shared_ptr<MyAnnotation> myPositionAnnotation_;
    ui::CoordinateRegion lastSaveRegion_;
    bool isFirstLoad_ = true;
    int nbErrorLoadMap_ = 0;

    std::shared_ptr<ConcertsAnnotationView> currentCAV_;
    std::shared_ptr<ui::View> viewDetail_;
    std::shared_ptr<ui::ScrollView> strip_;
    std::shared_ptr<ui::ActivityIndicatorView> stripIndicator_;
    std::shared_ptr<ui::ImageView> myAlbumArrowLeft_;
    std::shared_ptr<ui::ImageView> myAlbumArrowRight_;
    std::shared_ptr<ui::Button> calendarButton_;
    unsigned bubble_ = 0;     // the bubble shown, 0 when none
    unsigned lastBubble_ = 0; // ids of bubbles, never reused
    std::shared_ptr<AlbumStripLoader> currentLoader_;
    std::map<std::string, std::shared_ptr<AlbumStripLoader>> albumLoaders_;

    std::shared_ptr<ui::View> myViewBigImage_;
    std::shared_ptr<ui::View> myViewBigImageCommentaire_;
    std::shared_ptr<ui::UiTimer> locationTimer_;
};

} // namespace zephrun
