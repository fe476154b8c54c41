// Map view: region changes and their callbacks, coordinate conversions, annotation views that
// follow the map, selection by taps, gestures and zoom limits.
#include "platform/ui/map_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/ui/test_driver.h"

using namespace ui;

namespace {

struct Recorder : MapViewDelegate {
    std::vector<std::string> events;
    std::shared_ptr<AnnotationView> supplied; // given for the next annotation, once

    void regionWillChangeAnimated(MapView&, bool animated) override {
        events.push_back(animated ? "will+" : "will");
    }
    void regionDidChangeAnimated(MapView&, bool animated) override {
        events.push_back(animated ? "did+" : "did");
    }
    std::shared_ptr<AnnotationView> viewForAnnotation(MapView&,
                                                      const std::shared_ptr<Annotation>&) override {
        return std::exchange(supplied, nullptr);
    }
    void didSelectAnnotationView(MapView&, AnnotationView& v) override {
        events.push_back("select " + v.annotation()->title());
    }
    void didDeselectAnnotationView(MapView&, AnnotationView& v) override {
        events.push_back("deselect " + v.annotation()->title());
    }
};

const CoordinateRegion kFrance{{47.0, 2.16}, {17.0, 17.0}};

class MapViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        map = std::make_shared<MapView>(Rect{0, 0, 320, 388});
        driver.window().addSubview(map);
        map->setDelegate(&recorder);
        map->setRegion(kFrance, false);
        recorder.events.clear();
    }
    void TearDown() override { map->setDelegate(nullptr); }

    std::shared_ptr<PointAnnotation> pin(double lat, double lon, std::string title) {
        auto a = std::make_shared<PointAnnotation>(LocationCoordinate{lat, lon}, std::move(title));
        map->addAnnotation(a);
        return a;
    }

    TestDriver driver;
    std::shared_ptr<MapView> map;
    Recorder recorder;
};

} // namespace

TEST_F(MapViewTest, EveryKindOfChangeGivesOneWillAndOneDid) {
    // Immediate.
    map->setRegion({{45.0, 5.0}, {10, 10}}, false);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did"}));
    // The region already shown: nothing.
    recorder.events.clear();
    map->setRegion(map->region(), false);
    map->setCenterCoordinate(map->centerCoordinate(), true);
    EXPECT_TRUE(recorder.events.empty());

    // Animated: did only once the animation ran on the window's clock.
    recorder.events.clear();
    map->setRegion({{48.85, 2.35}, {2, 2}}, true);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will+"}));
    driver.advance(MapView::kAnimationDuration / 2);
    EXPECT_EQ(recorder.events.size(), 1u);
    EXPECT_GT(map->region().span.longitudeDelta, 2.5); // still on its way
    driver.advance(MapView::kAnimationDuration);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will+", "did+"}));
    EXPECT_NEAR(map->centerCoordinate().latitude, 48.85, 1e-6);
    EXPECT_NEAR(map->centerCoordinate().longitude, 2.35, 1e-6);

    // A second animated change during the first joins it.
    recorder.events.clear();
    map->setRegion({{40.0, -3.0}, {5, 5}}, true);
    driver.advance(0.1);
    map->setRegion({{52.5, 13.4}, {5, 5}}, true);
    driver.advance(1.0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will+", "did+"}));
    EXPECT_NEAR(map->centerCoordinate().latitude, 52.5, 1e-6);

    // A drag: will at the first move, did when the finger lifts.
    recorder.events.clear();
    auto before = map->centerCoordinate();
    driver.touchDown(0, {160, 200});
    driver.touchMove(0, {180, 200});
    driver.touchMove(0, {220, 230});
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will"}));
    driver.touchUp(0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did"}));
    // Dragging right and down shows what lies west and north.
    EXPECT_LT(map->centerCoordinate().longitude, before.longitude);
    EXPECT_GT(map->centerCoordinate().latitude, before.latitude);

    // A pinch.
    recorder.events.clear();
    double zoom = map->zoomLevel();
    driver.pinch({160, 200}, 40, 160);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did"}));
    EXPECT_NEAR(map->zoomLevel(), zoom + 2, 0.05);
}

TEST_F(MapViewTest, ADelegateMayChangeTheRegionFromDidChange) {
    struct Reloader : Recorder {
        bool reloaded = false;
        void regionDidChangeAnimated(MapView& m, bool animated) override {
            Recorder::regionDidChangeAnimated(m, animated);
            if (!reloaded) {
                reloaded = true;
                m.setRegion({{50.0, 3.0}, {4, 4}}, false);
            }
        }
    } reloader;
    map->setDelegate(&reloader);
    map->setRegion({{44.0, 1.0}, {8, 8}}, false);
    EXPECT_EQ(reloader.events, (std::vector<std::string>{"will", "did", "will", "did"}));
    EXPECT_NEAR(map->centerCoordinate().latitude, 50.0, 1e-6);
}

TEST_F(MapViewTest, ConversionsRoundTripAndMatchTheRegion) {
    auto r = map->region();
    Point centre = map->convertCoordinateToPoint(r.center, nullptr);
    EXPECT_NEAR(centre.x, 160, 0.01);
    EXPECT_NEAR(centre.y, 194, 0.01);
    // The edges of the view are the region's spans.
    auto left = map->convertPointToCoordinate({0, 194}, nullptr);
    EXPECT_NEAR(left.longitude, r.center.longitude - r.span.longitudeDelta / 2, 1e-4);
    auto top = map->convertPointToCoordinate({160, 0}, nullptr);
    auto bottom = map->convertPointToCoordinate({160, 388}, nullptr);
    EXPECT_NEAR(top.latitude - bottom.latitude, r.span.latitudeDelta, 1e-4);
    // North is up, east is right.
    EXPECT_GT(top.latitude, bottom.latitude);
    for (LocationCoordinate c : {LocationCoordinate{48.85, 2.35}, LocationCoordinate{43.3, 5.37},
                                 LocationCoordinate{51.5, -0.12}, LocationCoordinate{40.0, -8.0}}) {
        Point p = map->convertCoordinateToPoint(c, nullptr);
        auto back = map->convertPointToCoordinate(p, nullptr);
        EXPECT_NEAR(back.latitude, c.latitude, 1e-3);
        EXPECT_NEAR(back.longitude, c.longitude, 1e-3);
    }
    // Through another view's coordinates.
    auto holder = std::make_shared<View>(Rect{0, 50, 320, 400});
    driver.window().addSubview(holder);
    map->removeFromSuperview();
    holder->addSubview(map);
    map->setFrame({10, 20, 300, 300});
    Point inWindow = map->convertCoordinateToPoint({48.85, 2.35}, nullptr);
    Point converted = map->convertCoordinateToPoint({48.85, 2.35}, &driver.window());
    EXPECT_NEAR(converted.x, inWindow.x + 10, 0.01);
    EXPECT_NEAR(converted.y, inWindow.y + 70, 0.01);
    auto fromWindow = map->convertPointToCoordinate(converted, &driver.window());
    EXPECT_NEAR(fromWindow.latitude, 48.85, 1e-3);
}

TEST_F(MapViewTest, RegionsFitTheViewAndAreStable) {
    // 17 x 17 degrees on a 320 x 388 view: latitude decides, longitude widens.
    auto fitted = map->regionThatFits(kFrance);
    EXPECT_NEAR(fitted.span.latitudeDelta, 17.0, 1e-3);
    EXPECT_GT(fitted.span.longitudeDelta, 17.0);
    EXPECT_NEAR(map->region().span.latitudeDelta, 17.0, 1e-3);
    // A wide region: longitude decides.
    fitted = map->regionThatFits({{47, 2}, {1, 30}});
    EXPECT_NEAR(fitted.span.longitudeDelta, 30.0, 1e-3);
    EXPECT_GT(fitted.span.latitudeDelta, 1.0);
    // Showing the region the map reports changes nothing.
    auto r = map->region();
    map->setRegion(r, false);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_NEAR(map->region().span.longitudeDelta, r.span.longitudeDelta, 1e-9);
    // A span of 0 keeps the zoom and only moves the centre.
    double zoom = map->zoomLevel();
    map->setRegion({{45.0, 4.0}, {0, 0}}, false);
    EXPECT_NEAR(map->zoomLevel(), zoom, 1e-9);
    EXPECT_NEAR(map->centerCoordinate().latitude, 45.0, 1e-6);
    // Longitudes wrap.
    EXPECT_NEAR(map->regionThatFits({{10, 190}, {5, 5}}).center.longitude, -170, 1e-9);
    map->setCenterCoordinate({10, 190}, false);
    EXPECT_NEAR(map->centerCoordinate().longitude, -170, 1e-6);
}

TEST_F(MapViewTest, ZoomStaysWithinItsLimits) {
    map->setRegion({{47, 2}, {0.00001, 0.00001}}, false);
    EXPECT_DOUBLE_EQ(map->zoomLevel(), map->maxZoomLevel());
    map->setRegion({{47, 2}, {170, 400}}, false);
    EXPECT_DOUBLE_EQ(map->zoomLevel(), map->minZoomLevel());
    EXPECT_LE(map->region().span.longitudeDelta, 360.0);
    // Pinching further out than the whole world stops there.
    driver.pinch({160, 200}, 200, 20);
    EXPECT_DOUBLE_EQ(map->zoomLevel(), map->minZoomLevel());
    // The world never scrolls off vertically.
    driver.drag({160, 100}, {160, 380});
    auto top = map->convertPointToCoordinate({160, 0}, nullptr);
    EXPECT_LE(top.latitude, mercator::kMaxLatitude + 1e-6);

    // Double tap: one level in, the tapped point staying under the finger.
    map->setRegion(kFrance, false);
    double zoom = map->zoomLevel();
    auto tapped = map->convertPointToCoordinate({100, 150}, nullptr);
    recorder.events.clear();
    driver.doubleTap({100, 150});
    driver.advance(1.0);
    EXPECT_NEAR(map->zoomLevel(), zoom + 1, 1e-6);
    Point now = map->convertCoordinateToPoint(tapped, nullptr);
    EXPECT_NEAR(now.x, 100, 0.5);
    EXPECT_NEAR(now.y, 150, 0.5);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will+", "did+"}));
}

TEST_F(MapViewTest, DisabledGesturesLeaveTheRegionAlone) {
    map->setScrollEnabled(false);
    map->setZoomEnabled(false);
    auto r = map->region();
    driver.drag({100, 100}, {250, 300});
    driver.pinch({160, 200}, 40, 200);
    driver.doubleTap({160, 200});
    driver.advance(1.0);
    EXPECT_EQ(map->region(), r);
    EXPECT_TRUE(recorder.events.empty());
    // The program still moves it.
    map->setRegion({{50, 3}, {5, 5}}, false);
    EXPECT_NE(map->region(), r);
}

TEST_F(MapViewTest, AnnotationViewsFollowTheMap) {
    auto paris = pin(48.85, 2.35, "Paris");
    auto* view = map->viewForAnnotation(paris.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->style(), AnnotationView::Style::Pin); // the default view
    EXPECT_EQ(view->superview(), map.get());
    auto expected = [&](const AnnotationView& v) {
        return map->convertCoordinateToPoint(v.annotation()->coordinate(), nullptr) +
               v.centerOffset();
    };
    EXPECT_EQ(view->center(), expected(*view));
    // The pin's needle tip is on the point.
    Point tip{view->frame().midX(), view->frame().maxY()};
    Point point = map->convertCoordinateToPoint(paris->coordinate(), nullptr);
    EXPECT_NEAR(tip.x, point.x, 0.01);
    EXPECT_NEAR(tip.y, point.y, 0.01);

    // A view from the delegate, with its own image and offset.
    auto custom = std::make_shared<AnnotationView>(nullptr, "Concert");
    custom->setImage(Image::fromPixels(10, 12, std::vector<std::uint8_t>(10 * 12 * 4, 200)));
    custom->setCenterOffset({0, -6});
    recorder.supplied = custom;
    auto lyon = pin(45.76, 4.84, "Lyon");
    ASSERT_EQ(map->viewForAnnotation(lyon.get()), custom.get());
    EXPECT_EQ(custom->annotation(), lyon);
    EXPECT_EQ(custom->frame().size, (Size{10, 12}));

    Point parisBefore = view->center();
    Point lyonBefore = custom->center();
    driver.drag({200, 200}, {150, 260});
    EXPECT_EQ(view->center(), expected(*view));
    EXPECT_EQ(custom->center(), expected(*custom));
    EXPECT_NEAR(view->center().x - parisBefore.x, custom->center().x - lyonBefore.x, 0.01);
    EXPECT_NEAR(view->center().x - parisBefore.x, -50, 0.5);
    // After a zoom the two points are further apart.
    float apart = custom->center().y - view->center().y;
    map->setRegion({map->centerCoordinate(), {4, 4}}, false);
    EXPECT_GT(custom->center().y - view->center().y, 2 * apart);

    // Removed: gone from the map and reusable by identifier.
    map->removeAnnotation(lyon);
    EXPECT_EQ(custom->superview(), nullptr);
    EXPECT_EQ(map->annotations().size(), 1u);
    EXPECT_EQ(map->dequeueReusableAnnotationView("Concert"), custom);
    EXPECT_EQ(map->dequeueReusableAnnotationView("Concert"), nullptr);
    // Adding the same annotation twice keeps one view.
    map->addAnnotation(paris);
    EXPECT_EQ(map->annotations().size(), 1u);
}

TEST_F(MapViewTest, TapsSelectAndDeselectAnnotations) {
    auto paris = pin(48.85, 2.35, "Paris");
    auto lyon = pin(45.76, 4.84, "Lyon");
    auto* parisView = map->viewForAnnotation(paris.get());
    auto* lyonView = map->viewForAnnotation(lyon.get());

    driver.tap(parisView);
    driver.advance(0.5);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"select Paris"}));
    EXPECT_TRUE(parisView->isSelected());
    ASSERT_EQ(map->selectedAnnotations().size(), 1u);
    EXPECT_EQ(map->selectedAnnotations()[0], paris);

    driver.tap(lyonView);
    driver.advance(0.5);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"select Paris", "deselect Paris", "select Lyon"}));
    EXPECT_FALSE(parisView->isSelected());
    EXPECT_TRUE(lyonView->isSelected());

    // A tap on the same view again changes nothing; a tap on empty map deselects.
    recorder.events.clear();
    driver.tap(lyonView);
    driver.advance(0.5);
    EXPECT_TRUE(recorder.events.empty());
    driver.tap(Point{300, 20});
    driver.advance(0.5);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"deselect Lyon"}));
    EXPECT_TRUE(map->selectedAnnotations().empty());

    // A drag that starts on a pin moves the map and selects nothing.
    recorder.events.clear();
    Point start = driver.frameInWindow(parisView).center();
    driver.drag(start, start + Point{60, 0});
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did"}));

    // Taps still select while scrolling and zooming are off; disabled views are not selected.
    map->setScrollEnabled(false);
    map->setZoomEnabled(false);
    recorder.events.clear();
    driver.advance(0.5);
    driver.tap(parisView);
    driver.advance(0.5);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"select Paris"}));
    lyonView->setEnabled(false);
    driver.tap(lyonView); // as a tap on the map
    driver.advance(0.5);
    EXPECT_FALSE(lyonView->isSelected());
    EXPECT_FALSE(parisView->isSelected());

    // Selecting by program, and removing the selected annotation.
    map->selectAnnotation(lyon, false);
    EXPECT_TRUE(lyonView->isSelected());
    map->removeAnnotation(lyon);
    EXPECT_TRUE(map->selectedAnnotations().empty());
}

TEST_F(MapViewTest, UserLocationShowsAsADotWhenKnownAndAsked) {
    EXPECT_FALSE(map->isUserLocationVisible());
    map->setShowsUserLocation(true);
    EXPECT_EQ(map->userLocationView(), nullptr); // not known yet
    map->setUserLocationCoordinate({47.2, 2.0});
    ASSERT_NE(map->userLocationView(), nullptr);
    EXPECT_EQ(map->userLocationView()->style(), AnnotationView::Style::UserLocation);
    EXPECT_TRUE(map->isUserLocationVisible());
    EXPECT_TRUE(map->annotations().empty());
    map->setUserLocationCoordinate({-33.9, 151.2});
    EXPECT_FALSE(map->isUserLocationVisible());
    map->setShowsUserLocation(false);
    EXPECT_EQ(map->userLocationView(), nullptr);
}
