// Frame cost of the discography screen while its cover strip scrolls: the offset moves, the
// covers around the centre zoom, and the software renderer draws the whole window (bars, strip,
// track rows, kind menu). The application runs headless against the reference server on
// loopback with the demo content. A frame at 60 fps has 16.7 ms; the target is a quarter of it
// (4.17 ms).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "app/discography/discographie_view_controller.h"
#include "app/main/app_host.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/reachability.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/sdl/offscreen_renderer.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "server/content_server.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class Wifi : public zplatform::InterfaceSource {
  public:
    std::optional<std::vector<zplatform::NetInterface>> interfaces() const override {
        return std::vector<zplatform::NetInterface>{
            {"lo", zplatform::NetInterface::Kind::Loopback, true, false},
            {"wlan0", zplatform::NetInterface::Kind::Wireless, true, true}};
    }
};

// The application launched and showing its albums.
struct DiscoScene {
    DiscoScene() : renderer(1) {
        fs::copy(fs::path(ZEPHRUN_SOURCE_DIR) / "resources/server",
                 fs::path(dir.path()) / "content", fs::copy_options::recursive);
        zserver::ServerOptions so;
        so.contentDir = dir.file("content");
        so.mediaDir = ZEPHRUN_SERVER_MEDIA;
        server = std::make_unique<zserver::ContentServer>(so);
        if (!server->start()) return;
        zephrun::AppOptions app;
        app.dataDir = dir.file("data");
        app.server = server->baseURL();
        app.lang = "fr";
        app.headless = true;
        app.packageDir = ZEPHRUN_APP_PACKAGE;
        app.interfaces = std::make_shared<Wifi>();
        host = std::make_unique<zephrun::AppHost>(app);
        renderer.installMetrics(host->window());
        driver = std::make_unique<ui::TestDriver>(host->window());
        host->launch();
        if (!advanceUntil([this] { return host->delegate().isLaunched(); })) return;
        host->delegate().showDiscographie();
        advance(1);
        disco = host->delegate().myDiscoView();
    }
    ~DiscoScene() {
        if (host) host->quit();
        driver.reset();
        host.reset();
        if (server) server->stop();
    }
    bool advanceUntil(const std::function<bool()>& done) {
        return driver->advanceUntil(
            [&] {
                host->afterFrame();
                return done();
            },
            60);
    }
    void advance(double seconds) {
        driver->advance(seconds);
        host->afterFrame();
    }
    // One frame of the strip moving by `step` points, back and forth over its discs.
    void frame(float step, bool draw = true) {
        ui::ScrollView& strip = *disco->coverStrip();
        const float end = strip.contentSize().width - strip.bounds().width();
        offset += direction * step;
        if (offset > end || offset < 0) {
            direction = -direction;
            offset += 2 * direction * step;
        }
        strip.setContentOffset({offset, 0});
        driver->advance(ui::TestDriver::kFrame);
        if (draw) renderer.render(host->window());
    }

    ts::TempDir dir;
    std::unique_ptr<zserver::ContentServer> server;
    std::unique_ptr<zephrun::AppHost> host;
    std::unique_ptr<ui::TestDriver> driver;
    ui::sdl::OffscreenRenderer renderer;
    zephrun::DiscographieViewController* disco = nullptr;
    float offset = 0;
    float direction = 1;
};

void BM_DiscographyStripScrollFrame(benchmark::State& state) {
    DiscoScene scene;
    if (!scene.disco || !scene.renderer.ok()) {
        state.SkipWithError("no discography screen or no software renderer");
        return;
    }
    const float step = static_cast<float>(state.range(0));
    scene.frame(step); // textures and faces made once
    for (auto _ : state) scene.frame(step);
}
// 8 points a frame crosses a cover every quarter second and zooms at every frame.
BENCHMARK(BM_DiscographyStripScrollFrame)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

// The same frames without drawing: the screen's own share (zoom, page indicator, the window's
// timers and animations).
void BM_DiscographyStripScrollLogic(benchmark::State& state) {
    DiscoScene scene;
    if (!scene.disco) {
        state.SkipWithError("no discography screen");
        return;
    }
    for (auto _ : state) scene.frame(8, false);
}
BENCHMARK(BM_DiscographyStripScrollLogic)->Unit(benchmark::kMicrosecond);

} // namespace
