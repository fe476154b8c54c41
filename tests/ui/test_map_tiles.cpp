// Map tiles: procedural tiles, the tile cache, and the map's loading rounds with procedural
// tiles and with tiles from a loopback HTTP server that answers, refuses (404) or is not there.
#include "platform/ui/map_http_tiles.h"
#include "platform/ui/map_procedural_tiles.h"
#include "platform/ui/map_projection.h"
#include "platform/ui/map_tiles.h"
#include "platform/ui/map_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <set>
#include <thread>

#include "loopback_http.h"
#include "loopback_socket.h"
#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

using namespace ui;

namespace {

// The tile at zoom z holding a coordinate.
TileKey tileFor(int z, double latitude, double longitude) {
    double n = std::ldexp(1.0, z);
    return {z, static_cast<int>(mercator::xForLongitude(longitude) * n),
            static_cast<int>(mercator::yForLatitude(latitude) * n)};
}

size_t distinctColours(const Image& image) {
    std::set<std::uint32_t> colours;
    const auto& px = image.data()->rgba;
    for (size_t i = 0; i < px.size(); i += 4) {
        colours.insert(px[i] << 24 | px[i + 1] << 16 | px[i + 2] << 8 | px[i + 3]);
    }
    return colours.size();
}

// A tile server on 127.0.0.1: "/tiles/{z}/{x}/{y}.png" answers a procedural tile, except for
// z == 9 (404) and z == 10 (a body that is no picture).
class TileServer {
  public:
    TileServer() {
        server_.Get(R"(/tiles/(\d+)/(\d+)/(\d+)\.png)", [this](const httplib::Request& req,
                                                               httplib::Response& res) {
            ++requests;
            TileKey key{std::stoi(req.matches[1]), std::stoi(req.matches[2]),
                        std::stoi(req.matches[3])};
            if (key.z == 9) {
                res.status = 404;
                res.set_content("no tile here", "text/plain");
            } else if (key.z == 10) {
                res.set_content("garbage", "image/png");
            } else {
                res.set_content(ProceduralTileSource::renderTile(key).pngData(), "image/png");
            }
        });
        server_.start();
    }
    std::string base() const { return server_.url(); }
    std::atomic<int> requests{0};

  private:
    ts::LoopbackHttpServer server_;
};

// An address nobody listens on.
std::string deadAddress() {
    return "http://127.0.0.1:" + std::to_string(ts::closedLoopbackPort());
}

struct LoadRecorder : MapViewDelegate {
    int started = 0, finished = 0, failed = 0;
    MapError lastError;
    void mapViewWillStartLoadingMap(MapView&) override { ++started; }
    void mapViewDidFinishLoadingMap(MapView&) override { ++finished; }
    void mapViewDidFailLoadingMap(MapView&, const MapError& e) override {
        ++failed;
        lastError = e;
    }
};

// Records the images drawn, in order.
class ImageCanvas : public Canvas {
  public:
    std::vector<std::pair<Image, Rect>> images;
    void save() override {}
    void restore() override {}
    void concat(const Transform&) override {}
    void clipTo(const Rect&) override {}
    void multiplyAlpha(float) override {}
    void fillRect(const Rect&, const Color&) override {}
    void strokeRect(const Rect&, const Color&, float) override {}
    void fillEllipse(const Rect&, const Color&) override {}
    void drawLine(Point, Point, const Color&, float) override {}
    void drawImage(const Image& image, const Rect&, const Rect& dest, const Color&) override {
        images.emplace_back(image, dest);
    }
    void drawText(std::string_view, const Font&, const Color&, Point) override {}
    const FontMetrics& metrics() const override { return metrics_; }

  private:
    FixedFontMetrics metrics_;
};

bool turnUntil(const std::function<bool()>& pred) {
    return zplatform::RunLoop::current().runUntil(pred, 10.0);
}

} // namespace

TEST(ProceduralTiles, DrawLandSeaGraticuleAndCitiesDifferentlyAtEachZoom) {
    // Western Europe at zoom 3: sea and land, lines and labels.
    Image europe = ProceduralTileSource::renderTile(tileFor(3, 47, 2));
    ASSERT_TRUE(europe);
    EXPECT_EQ(europe.pixelWidth(), kTileSize);
    EXPECT_GT(distinctColours(europe), 8u);
    // At zoom 6, the Bay of Biscay is blue sea, central France land, Paris a red dot.
    auto pixelOf = [](double lat, double lon) {
        TileKey key = tileFor(6, lat, lon);
        double n = std::ldexp(1.0, 6);
        return ProceduralTileSource::renderTile(key).pixelAt(
            static_cast<int>((mercator::xForLongitude(lon) * n - key.x) * kTileSize),
            static_cast<int>((mercator::yForLatitude(lat) * n - key.y) * kTileSize));
    };
    Color land = pixelOf(46.3, 2.9);
    Color sea = pixelOf(46.0, -4.0);
    EXPECT_NE(land, sea);
    EXPECT_GT(sea.b, sea.r);
    EXPECT_GT(land.r, sea.r);
    Color paris = pixelOf(48.857, 2.352);
    EXPECT_GT(paris.r, 0.6f);
    EXPECT_LT(paris.g, 0.4f);
    Image france = ProceduralTileSource::renderTile(tileFor(6, 47, 2));

    // The same place at the next zoom is drawn differently, and both zooms differ in detail.
    Image deeper = ProceduralTileSource::renderTile(tileFor(7, 47, 2));
    EXPECT_NE(france.data()->rgba, deeper.data()->rgba);
    EXPECT_NE(ProceduralTileSource::graticuleStep(3), ProceduralTileSource::graticuleStep(6));
    // Every tile of a small zoom has something on it, and neighbours differ.
    Image a = ProceduralTileSource::renderTile({2, 1, 1});
    Image b = ProceduralTileSource::renderTile({2, 2, 1});
    EXPECT_GT(distinctColours(a), 2u);
    EXPECT_NE(a.data()->rgba, b.data()->rgba);
    // Outside the world: no tile.
    EXPECT_FALSE(ProceduralTileSource::renderTile({2, 4, 0}));
    EXPECT_FALSE(ProceduralTileSource::renderTile({2, 0, -1}));
}

TEST(TileCache, KeepsTheMostRecentlyUsedWithinItsCapacity) {
    TileCache cache(2);
    Image img = Image::fromPixels(1, 1, {1, 2, 3, 4});
    cache.put({1, 0, 0}, img);
    cache.put({1, 1, 0}, img);
    EXPECT_TRUE(cache.get({1, 0, 0})); // now the most recent
    cache.put({1, 1, 1}, img);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_TRUE(cache.contains({1, 0, 0}));
    EXPECT_FALSE(cache.contains({1, 1, 0}));
    // peek() does not refresh.
    EXPECT_TRUE(cache.peek({1, 0, 0}));
    cache.put({1, 0, 1}, img);
    EXPECT_FALSE(cache.contains({1, 0, 0}));
    // Replacing keeps the count.
    cache.put({1, 0, 1}, img);
    EXPECT_EQ(cache.size(), 2u);
}

TEST(MapTiles, ProceduralTilesLoadInOneRoundAndDrawUnderTheAnnotations) {
    TestDriver driver;
    LoadRecorder recorder;
    auto map = std::make_shared<MapView>(Rect{0, 0, 320, 388});
    map->setDelegate(&recorder);
    map->setRegion({{47, 2.16}, {17, 17}}, false);
    driver.window().addSubview(map);
    EXPECT_EQ(recorder.started, 1);
    EXPECT_TRUE(map->isLoadingMap());
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_EQ(recorder.failed, 0);
    for (const TileKey& k : map->visibleTiles()) EXPECT_TRUE(map->tileCache().contains(k));
    // Moving within loaded tiles starts no round; moving away does.
    map->setCenterCoordinate({47.1, 2.2}, false);
    EXPECT_EQ(recorder.started, 1);
    map->setCenterCoordinate({-30, 140}, false);
    EXPECT_EQ(recorder.started, 2);
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.finished, 2);

    // Drawn: every visible tile, whole and covering the view, then the annotation's picture.
    auto concert = std::make_shared<PointAnnotation>(map->centerCoordinate(), "Concert");
    auto pinView = std::make_shared<AnnotationView>(concert, "Concert");
    pinView->setImage(Image::fromPixels(8, 8, std::vector<std::uint8_t>(8 * 8 * 4, 255)));
    struct Supplier : MapViewDelegate {
        std::shared_ptr<AnnotationView> view;
        std::shared_ptr<AnnotationView>
        viewForAnnotation(MapView&, const std::shared_ptr<Annotation>&) override {
            return view;
        }
    } supplier;
    supplier.view = pinView;
    map->setDelegate(&supplier);
    map->addAnnotation(concert);
    ImageCanvas canvas;
    driver.window().renderWindow(canvas);
    size_t tiles = map->visibleTiles().size();
    ASSERT_EQ(canvas.images.size(), tiles + 1);
    float covered = 0;
    for (size_t i = 0; i < tiles; ++i) {
        EXPECT_EQ(canvas.images[i].first.pixelWidth(), kTileSize);
        covered += canvas.images[i].second.intersection({0, 0, 320, 388}).width() *
                   canvas.images[i].second.intersection({0, 0, 320, 388}).height();
    }
    EXPECT_NEAR(covered, 320 * 388, 1.0);
    EXPECT_EQ(canvas.images.back().first.pixelWidth(), 8);
    map->setDelegate(nullptr);
}

TEST(MapTiles, HttpTilesLoadAndFailuresReachTheDelegateOncePerRound) {
    TileServer server;
    TestDriver driver;
    LoadRecorder recorder;
    auto map = std::make_shared<MapView>(Rect{0, 0, 320, 388});
    map->setDelegate(&recorder);
    auto source = std::make_shared<HttpTileSource>(server.base());
    EXPECT_EQ(source->urlForTile({3, 4, 2}), server.base() + "/tiles/3/4/2.png");
    map->setTileSource(source);
    map->setRegion({{47, 2.16}, {17, 17}}, false);
    driver.window().addSubview(map);

    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_EQ(recorder.failed, 0);
    size_t visible = map->visibleTiles().size();
    EXPECT_EQ(server.requests.load(), static_cast<int>(visible));
    for (const TileKey& k : map->visibleTiles()) EXPECT_TRUE(map->tileCache().contains(k));

    // Zoom 9: every tile answers 404, reported once with the status.
    map->setRegion({{47, 2.16}, {0, 0.88}}, false);
    ASSERT_EQ(map->tileZoom(), 9);
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.failed, 1);
    EXPECT_EQ(recorder.lastError.code, 404);
    // Failed tiles are not asked again until the region changes.
    int requests = server.requests.load();
    driver.advance(1.0);
    EXPECT_EQ(server.requests.load(), requests);
    map->setCenterCoordinate({47.0001, 2.16}, false);
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.failed, 2);
    EXPECT_GT(server.requests.load(), requests);

    // Zoom 10: a body that is not a picture is a failure too.
    map->setRegion({{47, 2.16}, {0, 0.44}}, false);
    ASSERT_EQ(map->tileZoom(), 10);
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.failed, 3);
    EXPECT_NE(recorder.lastError.code, 0);
    EXPECT_LT(recorder.lastError.code, 400);
    map->setDelegate(nullptr);
}

TEST(MapTiles, NoServerFailsWithTheConnectionError) {
    TestDriver driver;
    LoadRecorder recorder;
    auto map = std::make_shared<MapView>(Rect{0, 0, 320, 388});
    map->setDelegate(&recorder);
    map->setTileSource(std::make_shared<HttpTileSource>(deadAddress()));
    driver.window().addSubview(map);
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    EXPECT_EQ(recorder.started, 1);
    EXPECT_EQ(recorder.failed, 1);
    EXPECT_EQ(recorder.finished, 0);
    EXPECT_LT(recorder.lastError.code, 0);
    EXPECT_EQ(map->tileCache().size(), 0u);
    map->setDelegate(nullptr);
}

TEST(MapTiles, ASourceDroppedMidLoadNeverCallsBack) {
    TileServer server;
    TestDriver driver;
    LoadRecorder recorder;
    auto map = std::make_shared<MapView>(Rect{0, 0, 320, 388});
    map->setDelegate(&recorder);
    map->setTileSource(std::make_shared<HttpTileSource>(server.base()));
    driver.window().addSubview(map);
    // Replaced before any answer: only the new source's round ends.
    map->setTileSource(std::make_shared<ProceduralTileSource>());
    ASSERT_TRUE(turnUntil([&] { return !map->isLoadingMap(); }));
    zplatform::RunLoop::current().runFor(0.3);
    EXPECT_EQ(recorder.failed, 0);
    EXPECT_EQ(recorder.finished, 1);
    // A map destroyed while tiles load.
    map->setTileSource(std::make_shared<HttpTileSource>(server.base()));
    map->setCenterCoordinate({10, 100}, false);
    map->removeFromSuperview();
    map.reset();
    zplatform::RunLoop::current().runFor(0.3);
    EXPECT_EQ(recorder.failed, 0);
}
