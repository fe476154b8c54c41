// The application on loopback: launch to the home screen, a home frame while the boxes move,
// and the process's CPU while the home music plays.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/home/home_box_view.h"
#include "app/home/home_view_controller.h"
#include "app/main/app_host.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/animator.h"
#include "platform/ui/sdl/offscreen_renderer.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "server/content_server.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Served {
    Served() {
        fs::copy(fs::path(ZEPHRUN_SOURCE_DIR) / "resources/server", dir.file("content"),
                 fs::copy_options::recursive);
        zserver::ServerOptions o;
        o.contentDir = dir.file("content");
        o.mediaDir = ZEPHRUN_SERVER_MEDIA;
        server = std::make_unique<zserver::ContentServer>(o);
        server->start();
    }
    ts::TempDir dir;
    std::unique_ptr<zserver::ContentServer> server;
};

Served& served() {
    static Served s;
    return s;
}

struct Launched {
    explicit Launched(const std::string& dataDir) {
        zephrun::AppOptions o;
        o.dataDir = dataDir;
        o.server = served().server->baseURL();
        o.lang = "fr";
        o.headless = true;
        o.packageDir = ZEPHRUN_APP_PACKAGE;
        host = std::make_unique<zephrun::AppHost>(o);
        driver = std::make_unique<ui::TestDriver>(host->window());
        host->launch();
        while (!host->delegate().isLaunched()) {
            driver->advance(ui::TestDriver::kFrame);
            host->afterFrame();
        }
    }
    std::unique_ptr<zephrun::AppHost> host;
    std::unique_ptr<ui::TestDriver> driver;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// From the splash to the home screen with its music, a first launch each time (caches are
// written, the session opens, the discography is checked).
void BM_LaunchToHome(benchmark::State& state) {
    int n = 0;
    ts::TempDir data;
    for (auto _ : state) {
        auto app = std::make_unique<Launched>(data.path() + "/run" + std::to_string(n++));
        benchmark::DoNotOptimize(app->host->delegate().myHome());
        // The end (the session closed, the mix released) is not part of the launch.
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LaunchToHome)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// One frame of the home screen with every box moving: the animation step and the drawing.
void BM_HomeFrameBoxesMoving(benchmark::State& state) {
    ts::TempDir data;
    Launched app(data.path());
    ui::sdl::OffscreenRenderer renderer(1);
    renderer.installMetrics(app.host->window());
    zephrun::HomeViewController& home = *app.host->delegate().myHome();
    for (auto _ : state) {
        if (!app.host->window().animator().isRunning()) home.moveBoxByShake();
        app.driver->advance(ui::TestDriver::kFrame);
        renderer.render(app.host->window());
    }
}
BENCHMARK(BM_HomeFrameBoxesMoving)->Unit(benchmark::kMillisecond);

// The whole process (interface frames, the home mix rendering into the output) during 4 s of
// playback at the wall clock's pace; reported as the share of one core.
void BM_HomeMixCpuShare(benchmark::State& state) {
    ts::TempDir data;
    Launched app(data.path());
    for (auto _ : state) {
        const double cpu0 = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 1; frame <= 240; ++frame) {
            app.driver->advance(ui::TestDriver::kFrame);
            app.host->afterFrame();
            std::this_thread::sleep_until(start + std::chrono::duration<double>(frame / 60.0));
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["core_share"] = (cpuSeconds() - cpu0) / wall;
    }
}
BENCHMARK(BM_HomeMixCpuShare)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
