// The tour map against the reference server: pins and their pictures, member reloads on moves
// and zooms, the toggles, geolocation ending in the server's member store, tile failures.
#include "tour_tracker_support.h"

#include <cmath>

#include "app/account/connexion.h"
#include "app/community/tour_tracker/tour_annotations.h"
#include "app/location/kt_cl_controller.h"
#include "app/script/script_devices.h"
#include "feeds/concerts.h"
#include "feeds/membres.h"
#include "platform/location/location_manager.h"
#include "platform/ui/map_http_tiles.h"
#include "server/member_store.h"

using namespace apptest;
using zephrun::TourTrackerView;

namespace {

ui::CoordinateRegion region(double lat, double lon, double spanLat, double spanLon) {
    return {{lat, lon}, {spanLat, spanLon}};
}

std::string pinImage(TourTrackerView& tour, const ui::Annotation* a) {
    ui::AnnotationView* v = tour.myMap().viewForAnnotation(a);
    return v ? v->displayedImageName() : std::string();
}

// Where to put the map's centre so that it reports a centre `spans` saved longitude spans east
// of the saved one: at most that (searched on a map of the same size), or just beyond it.
double longitudeAt(TourTrackerView& tour, double spans, bool beyond) {
    const ui::CoordinateRegion saved = tour.lastSaveRegion();
    const double limit = spans * saved.span.longitudeDelta;
    double target = saved.center.longitude + limit;
    if (beyond) return target + 1e-6;
    ui::MapView probe(tour.myMap().frame());
    probe.setRegion(tour.myMap().region(), false);
    const double lat = tour.myMap().centerCoordinate().latitude;
    for (int i = 0; i < 100000; ++i) {
        probe.setCenterCoordinate({lat, target}, false);
        if (std::fabs(probe.region().center.longitude - saved.center.longitude) <= limit) break;
        target = std::nextafter(target, -1e9);
    }
    return target;
}

// The latitude span to ask for so that the map reports the saved span divided (or multiplied)
// by exactly `factor`, or just beyond it.
double latitudeSpanAt(TourTrackerView& tour, double factor, bool zoomIn, bool beyond) {
    const ui::CoordinateRegion saved = tour.lastSaveRegion();
    double asked = zoomIn ? saved.span.latitudeDelta / factor : saved.span.latitudeDelta * factor;
    if (beyond) return zoomIn ? asked * (1 - 1e-6) : asked * (1 + 1e-6);
    ui::MapView probe(tour.myMap().frame());
    const ui::LocationCoordinate centre = tour.myMap().centerCoordinate();
    for (int i = 0; i < 100000; ++i) {
        probe.setRegion({centre, {asked, 0}}, false);
        const double got = probe.region().span.latitudeDelta;
        if (zoomIn ? factor * got >= saved.span.latitudeDelta
                   : got / factor <= saved.span.latitudeDelta)
            break;
        asked = std::nextafter(asked, zoomIn ? 1e9 : -1e9);
    }
    return asked;
}

} // namespace

TEST(TourTrackerRules, ReloadBeyondOnePointTwoSpansOrAZoomOfSix) {
    // Limits that are exact in binary: 1.2 x 10 = 12, 1.2 x 5 = 6, 12 / 6 = 2.
    const auto saved = region(40, 2, 10, 5);
    EXPECT_FALSE(TourTrackerView::needsMembersReload(region(52, 2, 10, 5), saved));
    EXPECT_TRUE(TourTrackerView::needsMembersReload(region(52.001, 2, 10, 5), saved));
    EXPECT_FALSE(TourTrackerView::needsMembersReload(region(40, -4, 10, 5), saved));
    EXPECT_TRUE(TourTrackerView::needsMembersReload(region(40, -4.001, 10, 5), saved));
    const auto wide = region(40, 2, 12, 12);
    EXPECT_FALSE(TourTrackerView::needsMembersReload(region(40, 2, 2, 1), wide));
    EXPECT_TRUE(TourTrackerView::needsMembersReload(region(40, 2, 1.99, 1), wide));
    EXPECT_FALSE(TourTrackerView::needsMembersReload(region(40, 2, 72, 60), wide));
    EXPECT_TRUE(TourTrackerView::needsMembersReload(region(40, 2, 72.01, 60), wide));
}

TEST(TourTracker, OpensWithTheMembersAroundAndEveryConcertOnce) {
    TourRun t;
    // A past concert with the id of the next one gets no second pin.
    editContent(t.run, "feeds/113.xml", "<concert id=\"1001\"", "<concert id=\"2001\"");
    ASSERT_TRUE(t.run.launch());
    t.run.answerAlert(0);
    auto tour = std::make_shared<TourTrackerView>(ui::Rect{0, 62, 320, 418}, t.run.app());
    t.tour = tour;
    // Before any position: the middle of France, 17 degrees wide.
    EXPECT_NEAR(tour->myMap().centerCoordinate().latitude, 47.0, 1e-6);
    EXPECT_NEAR(tour->myMap().centerCoordinate().longitude, 2.16, 1e-6);
    EXPECT_GE(tour->myMap().region().span.longitudeDelta, 17.0 - 1e-6);
    EXPECT_FALSE(tour->membersRefreshed());
    t.run.app().window().addSubview(tour);
    tour->refreshMembresAroundMe();
    EXPECT_TRUE(tour->membersRefreshed());
    EXPECT_EQ(t.requests("WEBREQUEST 117"), 1);

    // Every member has a pin with the picture of its kind.
    const auto membres = tour->myMembres().listMembres();
    ASSERT_FALSE(membres.empty());
    ASSERT_EQ(tour->myListAnnotationMembres().size(), membres.size());
    for (std::size_t i = 0; i < membres.size(); ++i) {
        const std::string& type = membres[i]->tType;
        const std::string expected = type == "male"     ? "tourtracker-picto-male.png"
                                     : type == "female" ? "tourtracker-picto-female.png"
                                                        : "tourtracker-picto-other.png";
        EXPECT_EQ(pinImage(*tour, tour->myListAnnotationMembres()[i].get()), expected);
    }
    // The map shows the region the server chose.
    const zephrun::MembresRegion answer = tour->myMembres().currentRegion();
    EXPECT_NEAR(tour->myMap().centerCoordinate().latitude, answer.latitude, 1e-4);

    // Coming concerts, then the past ones but the one that shares the next concert's id.
    const auto coming = t.run.app().myConcertsFutur().listConcerts();
    const auto past = t.run.app().myConcertsPast().listConcerts();
    ASSERT_FALSE(coming.empty());
    const auto& events = tour->myListAnnotationEvents();
    ASSERT_EQ(events.size(), coming.size() + past.size() - 1);
    EXPECT_EQ(pinImage(*tour, events[0].get()), "tourtracker-picto-zephrun.png");
    for (std::size_t i = 1; i < events.size(); ++i)
        EXPECT_EQ(pinImage(*tour, events[i].get()), "tourtracker-picto-evenement-on.png") << i;
    int nextConcertPins = 0;
    for (const auto& e : events)
        nextConcertPins += static_cast<zephrun::ConcertsMapAnnotation&>(*e).concert().cID == "2001";
    EXPECT_EQ(nextConcertPins, 1);
    // A selected member shows its login in a bubble sized from it.
    auto* membreView = dynamic_cast<zephrun::MembresAnnotationView*>(
        tour->myMap().viewForAnnotation(tour->myListAnnotationMembres()[0].get()));
    ASSERT_NE(membreView, nullptr);
    tour->myMap().selectAnnotation(tour->myListAnnotationMembres()[0], false);
    ASSERT_NE(membreView->bubble(), nullptr);
    EXPECT_EQ(membreView->bubble()->frame().width(),
              zephrun::membresBubbleWidth(membres[0]->tLogin) + 55);
    tour->myMap().deselectAnnotation(tour->myListAnnotationMembres()[0].get(), false);
    EXPECT_EQ(membreView->bubble(), nullptr);
}

TEST(TourTracker, MovesAndZoomsReloadOnlyBeyondTheirLimits) {
    TourRun t;
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    ui::MapView& map = tour.myMap();
    const std::size_t alerts = t.run.alerts().size();
    // The server's region was recorded: the next change is measured from it.
    if (tour.isFirstLoad())
        map.setCenterCoordinate(
            {map.centerCoordinate().latitude, map.centerCoordinate().longitude + 0.01}, false);
    ASSERT_FALSE(tour.isFirstLoad());
    const double lat = map.centerCoordinate().latitude;
    auto zone = [&] { return t.requests("WEBREQUEST 116"); };
    // After a reload the server's region is recorded by the next change.
    auto settle = [&] {
        t.run.advance(0.4);
        if (tour.isFirstLoad())
            map.setCenterCoordinate(
                {map.centerCoordinate().latitude, map.centerCoordinate().longitude + 1e-3}, false);
    };

    map.setCenterCoordinate({lat, longitudeAt(tour, 1.2, false)}, false);
    EXPECT_EQ(zone(), 0) << "a pan of exactly 1.2 spans";
    map.setCenterCoordinate({lat, longitudeAt(tour, 1.2, true)}, false);
    EXPECT_EQ(zone(), 1);
    settle();

    const ui::LocationCoordinate centre = map.centerCoordinate();
    map.setRegion({centre, {latitudeSpanAt(tour, 6, true, false), 0}}, false);
    EXPECT_EQ(zone(), 1) << "a zoom in by exactly 6";
    map.setRegion({centre, {latitudeSpanAt(tour, 6, true, true), 0}}, false);
    EXPECT_EQ(zone(), 2);
    settle();
    map.setRegion({map.centerCoordinate(), {latitudeSpanAt(tour, 6, false, true), 0}}, false);
    EXPECT_EQ(zone(), 3) << "a zoom out beyond 6";
    settle();
    EXPECT_EQ(t.run.alerts().size(), alerts);

    // Members hidden: neither moves nor the around-me reload ask the server.
    tour.clicOnMembres();
    EXPECT_TRUE(tour.myListAnnotationMembres().empty());
    map.setCenterCoordinate({lat, longitudeAt(tour, 3, true)}, false);
    tour.refreshMembresAroundMe();
    EXPECT_EQ(zone(), 3);
    EXPECT_EQ(t.requests("WEBREQUEST 117"), 1);
    tour.clicOnMembres();
    EXPECT_EQ(tour.myListAnnotationMembres().size(), tour.myMembres().listMembres().size());
}

TEST(TourTracker, ConcertToggleBringsAPageOfPastConcertsEachTime) {
    TourRun t({.lang = "en"});
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    zephrun::Concerts& past = t.run.app().myConcertsPast();
    const std::size_t coming = t.run.app().myConcertsFutur().listConcerts().size();
    ASSERT_EQ(past.currentPage(), 1);
    auto* events = t.run.driver->findByTag(22);
    ASSERT_NE(events, nullptr);

    t.run.driver->tap(events);
    EXPECT_FLOAT_EQ(events->alpha(), 0.5f);
    EXPECT_TRUE(tour.myListAnnotationEvents().empty());
    t.run.driver->tap(events);
    EXPECT_FLOAT_EQ(events->alpha(), 1.0f);
    EXPECT_EQ(past.currentPage(), 2);
    EXPECT_EQ(tour.myListAnnotationEvents().size(), coming + past.listConcerts().size());
    tour.clicOnEvent();
    tour.clicOnEvent();
    EXPECT_EQ(past.currentPage(), 3);
    // The around-me reload keeps hidden concerts hidden.
    tour.clicOnEvent();
    tour.refreshMembresAroundMe();
    EXPECT_TRUE(tour.myListAnnotationEvents().empty());
    tour.clicOnEvent();

    // The language switch changes the pressed pictures of both toggles.
    auto* toggle = dynamic_cast<ui::Button*>(t.run.driver->findByTag(21));
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->imageForState(ui::ControlState::Highlighted).name(),
              "tourtracker-bt-membre-h-uk.png");
    t.run.app().toggleLanguage();
    tour.toggleLanguage();
    EXPECT_EQ(toggle->imageForState(ui::ControlState::Highlighted).name(),
              "tourtracker-bt-membre-h-fr.png");
}

TEST(TourTracker, GeolocationCentresOnTheMemberAndRegistersThePosition) {
    TourRun t;
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    const std::size_t alerts = t.run.alerts().size();
    // No position: the location service gives up after its time-out.
    zephrun::KT_CLController::sharedInstance().locationManager().setTimeout(0.5);
    zephrun::scriptNextLocation(std::nullopt);
    tour.clicOnGeoloc();
    ASSERT_TRUE(t.run.advanceUntil([&] { return t.run.alerts().size() > alerts; }, 5));
    EXPECT_EQ(t.lastAlert(), "Une erreur est survenue lors de la mise à jour de votre position");
    t.run.answerAlert(0);

    const int around = t.requests("WEBREQUEST 117");
    zephrun::scriptNextLocation(std::make_pair(43.61, 3.88));
    t.run.driver->tap(ui::Point{40, 62 + 402});
    ASSERT_TRUE(t.run.advanceUntil(
        [&] {
            auto m = t.run.server->members().member("demo");
            return m && m->visible && std::fabs(m->latitude - 43.61) < 1e-4;
        },
        10));
    EXPECT_NEAR(t.run.server->members().member("demo")->longitude, 3.88, 1e-4);
    EXPECT_EQ(t.requests("WEBREQUEST 117"), around + 1);
    EXPECT_TRUE(t.run.app().myConnexion().isVisible());
    ASSERT_NE(tour.myPositionAnnotation(), nullptr);
    EXPECT_EQ(pinImage(tour, tour.myPositionAnnotation().get()), "tourtracker-picto-me.png");
    EXPECT_NEAR(tour.myPositionAnnotation()->coordinate().latitude, 43.61, 1e-4);
    EXPECT_NEAR(tour.myMap().centerCoordinate().latitude, tour.myMembres().currentLatitude(), 1e-4);
}

TEST(TourTracker, VisitorsMayNotLocateThemselves) {
    TourRun t({.lang = "en"}, false);
    ASSERT_TRUE(t.open());
    // Without a login the server has no members around: the map's alert first.
    EXPECT_EQ(t.lastAlert(), "An error has occurred! Unable to update. Please try again");
    t.run.answerAlert(0);
    t.tour->clicOnGeoloc();
    t.run.advance(0.2);
    EXPECT_EQ(t.lastAlert(), "Access for members only");
}

TEST(TourTracker, EveryTenthTileFailureAlerts) {
    TourRun t;
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    ui::MapView& map = tour.myMap();
    const std::size_t before = t.run.alerts().size();
    // A tile server that has no tiles: each loading round fails once.
    map.setTileSource(std::make_shared<ui::HttpTileSource>(t.run.server->baseURL()));
    for (int round = 1; round <= 9; ++round) {
        ASSERT_TRUE(t.run.advanceUntil([&] { return tour.nbErrorLoadMap() == round; }, 5))
            << "round " << round;
        map.setCenterCoordinate(
            {map.centerCoordinate().latitude, map.centerCoordinate().longitude + 0.01}, false);
    }
    EXPECT_EQ(t.run.alerts().size(), before);
    ASSERT_TRUE(t.run.advanceUntil([&] { return t.run.alerts().size() > before; }, 5));
    EXPECT_EQ(t.lastAlert(), "Une erreur est survenue lors de la mise à jour de la carte");
    EXPECT_EQ(tour.nbErrorLoadMap(), 0);
}
