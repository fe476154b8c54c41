// The tour map on loopback: a frame while a finger drags the map with every concert and 200
// members on it (a frame at 60 fps has 16.7 ms; the goal is a quarter of it), and the time from
// opening a concert's bubble to its full photo strip, album and thumbnails fetched from the
// local server.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/community/tour_tracker/tour_annotations.h"
#include "app/community/tour_tracker/tour_tracker_view.h"
#include "app/main/app_host.h"
#include "app/persisted_keys.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/concerts.h"
#include "feeds/membres.h"
#include "platform/ui/button.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/sdl/offscreen_renderer.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"
#include "server/content_server.h"
#include "server/member_store.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMembers = 200;

// The reference server with members enough for a full map over France.
struct TourServer {
    TourServer() {
        fs::copy(fs::path(ZEPHRUN_SOURCE_DIR) / "resources/server", dir.file("content"),
                 fs::copy_options::recursive);
        zserver::ServerOptions o;
        o.contentDir = dir.file("content");
        o.mediaDir = ZEPHRUN_SERVER_MEDIA;
        server = std::make_unique<zserver::ContentServer>(o);
        server->start();
        for (int i = 0; i < kMembers; ++i) {
            zserver::Member m;
            m.login = "bench_" + std::to_string(i);
            m.sexe = i % 3 == 0 ? "male" : i % 3 == 1 ? "female" : "other";
            m.latitude = 43.5 + (i % 20) * 0.35;
            const int row = i / 20; // rows of 20 members
            m.longitude = -1.0 + row * 0.7;
            m.visible = m.connected = true;
            server->members().registerMember(m);
        }
    }
    ts::TempDir dir;
    std::unique_ptr<zserver::ContentServer> server;
};

TourServer& tourServer() {
    static TourServer s;
    return s;
}

// The application launched with a member logged in and the tour map over its window.
struct TourApp {
    TourApp() {
        zephrun::AppOptions o;
        o.dataDir = data.path();
        o.server = tourServer().server->baseURL();
        o.lang = "fr";
        o.headless = true;
        o.packageDir = ZEPHRUN_APP_PACKAGE;
        host = std::make_unique<zephrun::AppHost>(o);
        auto& d = host->defaults();
        d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunLogin), "demo");
        d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunPassword), "zephrun");
        driver = std::make_unique<ui::TestDriver>(host->window());
        host->launch();
        while (!host->delegate().isLaunched()) frame();
        open();
    }
    ~TourApp() {
        close();
        host->quit();
    }
    void frame() {
        driver->advance(ui::TestDriver::kFrame);
        host->afterFrame();
    }
    void open() {
        tour =
            std::make_shared<zephrun::TourTrackerView>(ui::Rect{0, 62, 320, 418}, host->delegate());
        host->window().addSubview(tour);
        tour->refreshMembresAroundMe();
    }
    void close() {
        if (tour) tour->removeFromSuperview();
        tour.reset();
    }

    ts::TempDir data;
    std::unique_ptr<zephrun::AppHost> host;
    std::unique_ptr<ui::TestDriver> driver;
    std::shared_ptr<zephrun::TourTrackerView> tour;
};

void BM_TourMapFrameWhileDragging(benchmark::State& state) {
    TourApp app;
    zephrun::TourTrackerView& tour = *app.tour;
    // Every page of both concert lists, then the members of the whole visible zone.
    auto& past = app.host->delegate().myConcertsPast();
    auto& coming = app.host->delegate().myConcertsFutur();
    while (past.currentPage() < past.nbPages() && past.completConcerts()) {
    }
    while (coming.currentPage() < coming.nbPages() && coming.completConcerts()) {
    }
    tour.clicOnEvent();
    tour.clicOnEvent();
    // The whole of France: the server answers its 200 nearest members.
    tour.myMap().setRegion({{46.8, 2.4}, {12, 12}}, false);
    tour.refreshMembresMap();
    state.counters["concerts"] = static_cast<double>(tour.myListAnnotationEvents().size());
    state.counters["members"] = static_cast<double>(tour.myListAnnotationMembres().size());

    ui::sdl::OffscreenRenderer renderer(1);
    if (!renderer.ok()) {
        state.SkipWithError("no software renderer");
        return;
    }
    renderer.installMetrics(app.host->window());
    const ui::Point start{160, 62 + 190};
    app.driver->touchDown(1, start);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by 60 points: the finger never lifts, so no reload is asked.
        const int k = step++ % 24;
        const float dx = 5.0f * static_cast<float>(k < 12 ? k : 24 - k);
        app.driver->touchMove(1, {start.x + dx, start.y + dx / 2});
        app.frame();
        renderer.render(app.host->window());
    }
    app.driver->touchUp(1);
}
BENCHMARK(BM_TourMapFrameWhileDragging)->Unit(benchmark::kMillisecond);

// Opening the bubble of a concert whose album and thumbnails were never fetched, until its strip
// holds its six thumbnails and the "+" button.
void BM_AlbumStripLoading(benchmark::State& state) {
    TourApp app;
    const std::string pictures = app.host->delegate().imageDirectory();
    for (auto _ : state) {
        state.PauseTiming();
        app.close();
        for (const auto& entry : fs::directory_iterator(pictures))
            if (entry.path().filename().string().rfind("1003_", 0) == 0) fs::remove(entry.path());
        app.open();
        std::shared_ptr<ui::Annotation> pin;
        for (const auto& a : app.tour->myListAnnotationEvents())
            if (static_cast<zephrun::ConcertsMapAnnotation&>(*a).concert().cID == "1003") pin = a;
        state.ResumeTiming();
        app.tour->myMap().selectAnnotation(pin, false);
        for (;;) {
            ui::View* detail = app.tour->viewDetail();
            ui::View* strip = detail ? detail->viewWithTag(78) : nullptr;
            if (strip && strip->viewWithTag(1)) break;
            app.frame();
        }
    }
}
BENCHMARK(BM_AlbumStripLoading)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
