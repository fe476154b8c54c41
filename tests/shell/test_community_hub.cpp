// The community hub: its map near the next concert, the tweet strip, the members-only boxes,
// the tour tracker's place, the language switch and the map's failures.
#include "community_support.h"

#include "app/community/reporter_view.h"
#include "app/community/twitter_view.h"
#include "app/zephrun_configuration.h"
#include "feeds/concerts.h"
#include "feeds/twitter.h"
#include "platform/run_loop.h"
#include "platform/ui/image_view.h"

using namespace apptest;
using zephrun::CommunityViewController;
using zephrun::TourTrackerPanel;

namespace {

class FakeTourTracker : public zephrun::TourTrackerPanel {
  public:
    explicit FakeTourTracker(const ui::Rect& frame) : view_(std::make_shared<ui::View>(frame)) {}
    ui::View& view() override { return *view_; }
    bool isMembresRefreshed() const override { return refreshes > 0; }
    void refreshMembresAroundMe() override { ++refreshes; }
    void toggleLanguage() override { ++languageChanges; }
    int refreshes = 0;
    int languageChanges = 0;

  private:
    std::shared_ptr<ui::View> view_;
};

// Every tile fails, as with no network.
class FailingTiles : public ui::TileSource {
  public:
    int maxZoom() const override { return 18; }
    std::string attribution() const override { return "none"; }
    void requestTile(const ui::TileKey& key, Completion completion) override {
        zplatform::RunLoop::current().post([key, completion] {
            completion({key, {}, ui::MapError{-6, "offline"}});
        });
    }
    void cancelAll() override {}
};

bool backInPlace(CommunityViewController& hub) {
    return hub.viewBKG()->frame().x() == 0 && !hub.viewBKG()->isHidden();
}

} // namespace

TEST(CommunityHub, CentresOnTheNextConcertAndListsEveryTweet) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, false);
    const auto next = r.app().myConcertsFutur().listConcerts().front();
    const ui::LocationCoordinate centre = hub.myMapBKG()->centerCoordinate();
    EXPECT_NEAR(centre.latitude, next->cLatitude - 1.04, 1e-3);
    EXPECT_NEAR(centre.longitude, next->cLongitude - 4.66, 1e-3);

    ui::TableView& strip = *hub.twitterHome();
    const int tweets = static_cast<int>(r.app().myTwitter().listTwitter().size());
    ASSERT_GT(tweets, 5); // more than the 90 points show: the strip scrolls
    EXPECT_EQ(strip.numberOfRowsInSection(0), tweets);
    EXPECT_EQ(strip.rectForRowAtIndexPath({0, 3}), ui::Rect(0, 54, 320, 18));
    EXPECT_EQ(r.driver->text(strip.cellForRowAtIndexPath({0, 0})->subviews().back().get()),
              r.app().myTwitter().listTwitter()[0]->tTexte);

    // The tweet header opens the Twitter list for visitors too.
    r.driver->tap(ui::Point{160, 62 + 15});
    r.advance(0.5);
    ASSERT_NE(hub.viewTwitter(), nullptr);
    EXPECT_EQ(hub.viewTwitter()->frame().x(), 0);
    EXPECT_TRUE(hub.viewBKG()->isHidden());
    hub.hideTwitter();
    r.advance(0.4);
    EXPECT_TRUE(backInPlace(hub));
}

TEST(CommunityHub, WithoutAComingConcertTheMapStaysWhereItStarted) {
    AppRun r({.serverSetup = [](zserver::ContentServer& s) {
        s.setWebRequest(114, [](const zserver::Action&) {
            return zserver::elementAnswer(
                "<concerts total=\"0\" page=\"1\" nbpage=\"1\"></concerts>");
        });
    }});
    CommunityViewController& hub = openCommunity(r, false);
    EXPECT_TRUE(r.app().myConcertsFutur().listConcerts().empty());
    EXPECT_EQ(r.count("community", "no coming concert"), 1);
    EXPECT_NEAR(hub.myMapBKG()->centerCoordinate().latitude, 45.96, 1e-3);
    EXPECT_TRUE(hub.isViewVisible());
}

TEST(CommunityHub, MemberBoxesAskVisitorsToLogInAndOpenForMembers) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, false);
    for (ui::Point box :
         {ui::Point{80, 62 + 320}, ui::Point{240, 62 + 320}, ui::Point{160, 62 + 200}}) {
        r.driver->tap(box);
        r.advance(0.4);
        EXPECT_EQ(lastAlert(r), "Accès réservé aux membres");
        r.answerAlert(0);
    }
    EXPECT_EQ(hub.viewReporter(), nullptr);
    EXPECT_EQ(hub.viewShowLive2010(), nullptr);
    EXPECT_TRUE(backInPlace(hub));

    // A member: the reporter fetches the past concerts first, then slides in.
    r.app().myConnexion().setIsConnected(true);
    const int overlays = r.count("overlay", "Mise à jour des concerts");
    r.driver->tap(ui::Point{80, 62 + 320});
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Mise à jour des concerts"), overlays + 1);
    EXPECT_TRUE(r.app().myConcertsPast().isRefresh());
    ASSERT_NE(hub.viewReporter(), nullptr);
    EXPECT_EQ(hub.viewReporter()->frame().x(), 0);
    EXPECT_TRUE(hub.viewBKG()->isHidden());
}

TEST(CommunityHub, TheBarOpensTheTourMapWhoseBackButtonClosesIt) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, true);
    r.driver->tap(ui::Point{160, 62 + 250});
    r.advance(1.0);
    ASSERT_NE(hub.viewTourTracker(), nullptr);
    ui::View& map = hub.viewTourTracker()->view();
    EXPECT_EQ(map.className(), "TourTrackerView");
    EXPECT_EQ(map.frame().x(), 0);
    EXPECT_TRUE(hub.viewTourTracker()->isMembresRefreshed());
    r.driver->tap(ui::Point{275, 62 + 16}); // its back button
    r.advance(0.4);
    EXPECT_EQ(map.frame().x(), 320);
    EXPECT_TRUE(backInPlace(hub));
}

TEST(CommunityHub, TourTrackerPlugsInOpensWithItsEventAndClosesWhenTheSectionIsShownAgain) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, true);
    // Without a map the bar opens nothing.
    hub.setTourTrackerFactory(
        [](zephrun::ZephrunAppDelegate&, const ui::Rect&) -> std::unique_ptr<TourTrackerPanel> {
            return nullptr;
        });
    r.driver->tap(ui::Point{160, 62 + 250});
    r.advance(0.4);
    EXPECT_EQ(r.count("community", "no tour tracker"), 1);
    EXPECT_TRUE(backInPlace(hub));

    FakeTourTracker* tracker = nullptr;
    hub.setTourTrackerFactory([&](zephrun::ZephrunAppDelegate&, const ui::Rect& frame) {
        auto t = std::make_unique<FakeTourTracker>(frame);
        tracker = t.get();
        return t;
    });
    r.driver->tap(ui::Point{160, 62 + 250});
    r.advance(0.4);
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(r.count("event", std::to_string(r.app().myConfig().id_event_tour_tracker())), 1);
    EXPECT_EQ(tracker->refreshes, 1);
    EXPECT_EQ(tracker->view().frame(), ui::Rect(0, 62, 320, 418));
    EXPECT_FALSE(inFront(r.host->window(), r.app().buttonBottom(), &hub.view()));
    EXPECT_FALSE(inFront(r.host->window(), r.app().viewBottomCom(), &hub.view()));

    r.app().toggleLanguage();
    EXPECT_EQ(tracker->languageChanges, 1);
    r.app().toggleLanguage();

    r.app().showCommunity();
    r.advance(0.4);
    EXPECT_EQ(tracker->view().frame().x(), 320);
    EXPECT_TRUE(backInPlace(hub));
    EXPECT_TRUE(inFront(r.host->window(), r.app().buttonBottom(), &hub.view()));
    // Opened again: the members are not fetched twice.
    r.driver->tap(ui::Point{160, 62 + 250});
    r.advance(0.4);
    EXPECT_EQ(tracker->refreshes, 1);
}

TEST(CommunityHub, LanguageSwitchRebuildsAnOpenReporterInTheNewLanguage) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, true);
    hub.showReporter();
    r.advance(0.4);
    zephrun::ReporterView* before = hub.viewReporter();
    before->commentEditor().setText("Génial");
    before->validSaisi(zephrun::ReporterView::kComment);

    r.app().toggleLanguage();
    r.advance(0.4);
    EXPECT_EQ(
        r.driver->imageName(hub.view().viewWithTag(CommunityViewController::kArtistMarkerTag)),
        "com-zr-here-uk.png");
    EXPECT_EQ(r.driver->imageName(hub.view().viewWithTag(CommunityViewController::kReporterBoxTag)),
              "com-box-reporter-uk-secours.png");
    zephrun::ReporterView* after = hub.viewReporter();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->frame().x(), 0);
    EXPECT_EQ(after->commentEditor().text(), "Comments");
    EXPECT_EQ(after->myCommentaire(), "");
    EXPECT_NE(
        r.driver->findByText("Click here to:\n- Take a picture\n- Choose a picture in your album"),
        nullptr);
    EXPECT_NE(r.driver->findByImageName("news-bt-back-uk.png"), nullptr);
    EXPECT_TRUE(hub.viewBKG()->isHidden());
}

TEST(CommunityHub, EveryMapFailureIsReported) {
    AppRun r;
    CommunityViewController& hub = openCommunity(r, false);
    hub.myMapBKG()->setTileSource(std::make_shared<FailingTiles>());
    ASSERT_TRUE(r.advanceUntil(
        [&] { return !r.alerts().empty() && lastAlert(r).find("carte") != std::string::npos; }, 5));
    EXPECT_EQ(lastAlert(r), "Une erreur est survenue lors de la mise à jour de la carte");
}
