// appshots: the application's screenshots for the documentation, taken headless against the
// reference server: the splash, the home in French and English, the login overlay, and the
// loading overlay while a slow request waits.
//
//   appshots OUT_DIR [--content DIR] [--media DIR]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

#include "app/main/app_host.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/run_loop.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/sdl/headless.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "server/content_server.h"

namespace fs = std::filesystem;

namespace {

struct Run {
    Run(const std::string& base, const std::string& lang, const fs::path& data) {
        zephrun::AppOptions o;
        o.dataDir = data.string();
        o.server = base;
        o.lang = lang;
        o.headless = true;
        auto engine = std::make_shared<std::uint32_t>(12345);
        o.random = [engine] { return *engine = *engine * 1664525u + 1013904223u; };
        host = std::make_unique<zephrun::AppHost>(o);
        driver = std::make_unique<ui::TestDriver>(host->window());
        ui::sdl::installHeadlessRenderer(*driver, 1);
    }
    void wait(double seconds) {
        const auto start = std::chrono::steady_clock::now();
        for (double t = 0; t < seconds; t += ui::TestDriver::kFrame) {
            driver->advance(ui::TestDriver::kFrame);
            host->afterFrame();
            std::this_thread::sleep_until(start + std::chrono::duration<double>(t));
        }
    }
    void launch() {
        host->launch();
        while (!host->delegate().isLaunched()) wait(0.1);
    }
    void dismissAlerts() {
        for (const auto& modal : host->window().modalViews())
            if (auto* alert = dynamic_cast<ui::AlertView*>(modal.get())) {
                driver->tap(alert->buttonAtIndex(0));
                wait(0.4);
            }
    }
    std::unique_ptr<zephrun::AppHost> host;
    std::unique_ptr<ui::TestDriver> driver;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: appshots OUT_DIR [--content DIR] [--media DIR]\n");
        return 2;
    }
    const fs::path out = argv[1];
    std::string content = "resources/server", media = "build/resources/server-media";
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--content") content = argv[i + 1];
        if (arg == "--media") media = argv[i + 1];
    }
    fs::create_directories(out);
    const fs::path data = fs::temp_directory_path() / ("appshots-" + std::to_string(getpid()));

    zserver::ServerOptions so;
    so.contentDir = content;
    so.mediaDir = media;
    zserver::ContentServer server(so);
    // The news answer slowly, so that the loading overlay can be seen.
    server.setWebRequest(105, [](const zserver::Action&) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return zserver::WebRequestAnswer{};
    });
    if (!server.start()) {
        std::fprintf(stderr, "appshots: %s\n", server.error().c_str());
        return 1;
    }
    {
        Run fr(server.baseURL(), "fr", data / "fr");
        fr.host->launch();
        fr.driver->advance(ui::TestDriver::kFrame);
        fr.driver->screenshot((out / "splash-fr.png").string());
        while (!fr.host->delegate().isLaunched()) fr.wait(0.1);
        fr.dismissAlerts();
        fr.wait(1.5);
        fr.driver->screenshot((out / "home-fr.png").string());
        fr.host->delegate().showLogin();
        fr.wait(0.6);
        fr.driver->screenshot((out / "login-fr.png").string());
        fr.host->delegate().hideLogin();
        fr.wait(0.5);
        // The shot is taken from inside the synchronous wait of the news request.
        bool taken = false;
        auto& loop = zplatform::RunLoop::main();
        int observer = loop.addNestedRunObserver([&] {
            if (taken || !fr.host->delegate().viewLoading()) return;
            taken = fr.driver->screenshot((out / "loading-fr.png").string());
        });
        {
            zplatform::RunLoop::Turn turn(loop);
            fr.host->delegate().showNews();
        }
        loop.removeNestedRunObserver(observer);
        fr.host->quit();
    }
    {
        Run en(server.baseURL(), "en", data / "en");
        en.launch();
        en.dismissAlerts();
        en.wait(1.5);
        en.driver->screenshot((out / "home-en.png").string());
        en.host->quit();
    }
    fs::remove_all(data);
    std::printf("screenshots in %s\n", out.c_str());
    return 0;
}
