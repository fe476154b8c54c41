// CommunityViewController: the community hub — over a still map centred near the next concert,
// the latest tweets, the tour tracker bar, the reporter and the show-live boxes. Each opens a
// sub-view that slides in from the right while the hub's own content slides out to the left;
// the tour tracker, the reporter and the show-live views are for members only.
//
// Ownership: the shell owns the hub; the hub owns its content view, its map and every sub-view
// (created on first opening and kept, except the reporter, which a language change discards).
// Threads: interface thread only; the refreshes run synchronously behind the loading overlay.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/community/tour_tracker_panel.h"
#include "app/shell/section_controller.h"
#include "platform/ui/map_view.h"
#include "platform/ui/table_view.h"

namespace ui {
class Button;
class ImageView;
} // namespace ui

namespace zephrun {

class ReporterView;
class ShowLiveView2010;
class TwitterView;

class CommunityViewController : public SectionController,
                                private ui::MapViewDelegate,
                                private ui::TableViewDataSource,
                                private ui::TableViewDelegate {
  public:
    static constexpr int kArtistMarkerTag = 1;
    static constexpr int kReporterBoxTag = 12;
    static constexpr int kShowLiveBoxTag = 13;
    static constexpr double kSlideSeconds = 0.3;
    static constexpr float kStripRowHeight = 18;
    // The map's region before the first concert is known, and the offset that puts the next
    // concert under the artist marker.
    static constexpr double kStartLatitude = 45.96;
    static constexpr double kStartLongitude = -2.5;
    static constexpr double kSpan = 17;
    static constexpr double kMarkerLatitudeOffset = -1.04;
    static constexpr double kMarkerLongitudeOffset = -4.66;

    using TourTrackerFactory =
        std::function<std::unique_ptr<TourTrackerPanel>(ZephrunAppDelegate&, const ui::Rect&)>;

    explicit CommunityViewController(ZephrunAppDelegate& appDelegate);
    ~CommunityViewController() override;
    std::string_view sectionName() const override { return "community"; }
    void toggleLanguage() override;

    // Centres the background map near the next concert and closes an open tour tracker; the
    // shell calls it each time the section is shown.
    void setZephrunPosition();

    void showTwitter();
    void hideTwitter();
    void showTourTracker();
    void hideTourTracker();
    void showReporter();
    void hideReporter();
    void showShowLive();
    void hideShowLive();
    // The hub's own content back in place / moved out of the way.
    void showBKG();
    void hideBKG();

    // Where the tour tracker comes from (makeTourTrackerView unless replaced, e.g. by tests).
    void setTourTrackerFactory(TourTrackerFactory factory) {
        tourTrackerFactory_ = std::move(factory);
    }

    // The map centre that puts a concert at (latitude, longitude) under the artist marker.
    static ui::LocationCoordinate centreFor(double latitude, double longitude);

    ui::View* viewBKG() { return viewBKG_.get(); }
    ui::MapView* myMapBKG() { return myMapBKG_.get(); }
    ui::TableView* twitterHome() { return twitterHome_.get(); }
    TwitterView* viewTwitter() { return viewTwitter_.get(); }
    ReporterView* viewReporter() { return viewReporter_.get(); }
    ShowLiveView2010* viewShowLive2010() { return viewShowLive2010_.get(); }
    TourTrackerPanel* viewTourTracker() { return viewTourTracker_.get(); }

  protected:
    void viewDidLoad() override;

  private:
    // ui::MapViewDelegate
    void mapViewDidFailLoadingMap(ui::MapView& map, const ui::MapError& error) override;
    // The tweet strip.
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void buildTweetStrip();

    // Brings `sub` in from the right over the hub (creating nothing) / sends it back.
    void slideIn(ui::View& sub);
    void slideOut(ui::View& sub);
    bool isOpen(const ui::View* sub) const;
    // A member-only box tapped by a visitor: the alert, and false.
    bool checkMember();
    ui::Rect subviewFrame() const;

    std::shared_ptr<ui::View> viewBKG_;
    std::shared_ptr<ui::MapView> myMapBKG_;
    std::shared_ptr<ui::TableView> twitterHome_;
    std::vector<std::shared_ptr<ui::TableViewCell>> twitterHomeCell_;
    std::shared_ptr<ui::ImageView> artistMarker_;
    std::shared_ptr<ui::Button> reporterBox_;
    std::shared_ptr<TwitterView> viewTwitter_;
    std::shared_ptr<ReporterView> viewReporter_;
    std::shared_ptr<ShowLiveView2010> viewShowLive2010_;
    std::unique_ptr<TourTrackerPanel> viewTourTracker_;
    TourTrackerFactory tourTrackerFactory_;
};

} // namespace zephrun
