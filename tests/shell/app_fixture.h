// The application run headless against the reference content server on loopback: a data
// directory of its own (a first launch), the demo content served from a copy, the window driven
// by the test driver on its clock, the audio recorded.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/main/app_host.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/reachability.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"
#include "server/content_server.h"
#include "test_support.h"

namespace apptest {

namespace fs = std::filesystem;

inline const fs::path kRoot = ZEPHRUN_SOURCE_DIR;

// A phone on Wi-Fi, or with no network at all.
class FakeInterfaces : public zplatform::InterfaceSource {
  public:
    explicit FakeInterfaces(bool online) : online_(online) {}
    std::optional<std::vector<zplatform::NetInterface>> interfaces() const override {
        std::vector<zplatform::NetInterface> list{
            {"lo", zplatform::NetInterface::Kind::Loopback, true, false}};
        if (online_) list.push_back({"wlan0", zplatform::NetInterface::Kind::Wireless, true, true});
        return list;
    }

  private:
    bool online_;
};

struct RunOptions {
    std::string lang = "fr";
    bool network = true;      // the phone has a network
    bool serverUp = true;     // the content server answers
    std::string packageDir{}; // the application package; empty: the built test package
    // Called before the server starts (handlers a test replaces).
    std::function<void(zserver::ContentServer&)> serverSetup{};
};

class AppRun {
  public:
    explicit AppRun(RunOptions o = {}) : options_(std::move(o)) {
        fs::copy(kRoot / "resources/server", fs::path(dir.path()) / "content",
                 fs::copy_options::recursive);
        zserver::ServerOptions so;
        so.contentDir = dir.file("content");
        so.mediaDir = ZEPHRUN_SERVER_MEDIA;
        // Mix packages served under "mix/": none until a test puts one there.
        fs::create_directories(dir.file("packages"));
        so.packagesDir = dir.file("packages");
        server = std::make_unique<zserver::ContentServer>(so);
        if (options_.serverSetup) options_.serverSetup(*server);
        if (!server->start()) ADD_FAILURE() << "server: " << server->error();
        // A closed port: the address of a server that does not answer.
        const std::string base = options_.serverUp ? server->baseURL() : "http://127.0.0.1:9/";
        if (!options_.serverUp) server->stop();

        zephrun::AppOptions app;
        app.dataDir = dir.file("data");
        app.server = base;
        app.lang = options_.lang;
        app.headless = true;
        app.packageDir =
            options_.packageDir.empty() ? std::string(ZEPHRUN_APP_PACKAGE) : options_.packageDir;
        app.interfaces = std::make_shared<FakeInterfaces>(options_.network);
        host = std::make_unique<zephrun::AppHost>(app);
        driver = std::make_unique<ui::TestDriver>(host->window());
    }
    ~AppRun() {
        host->quit();
        driver.reset();
        host.reset();
        server->stop();
    }

    // Starts the application and runs until the home screen replaced the splash.
    bool launch(double timeout = 30) {
        host->launch();
        return advanceUntil([this] { return app().isLaunched(); }, timeout);
    }
    // Frames paced to the wall clock, so that the server, the players and worker threads keep
    // up with the interface's time.
    bool advanceUntil(const std::function<bool()>& pred, double timeout = 10) {
        const auto start = std::chrono::steady_clock::now();
        for (double t = 0;; t += ui::TestDriver::kFrame) {
            if (pred()) return true;
            if (t >= timeout) return false;
            driver->advance(ui::TestDriver::kFrame);
            host->afterFrame();
            std::this_thread::sleep_until(start + std::chrono::duration<double>(t));
        }
    }
    void advance(double seconds) {
        advanceUntil([] { return false; }, seconds);
    }
    zephrun::ZephrunAppDelegate& app() { return host->delegate(); }
    zephrun::AppLog& log() { return host->log(); }
    // The messages of the alerts shown so far.
    std::vector<std::string> alerts() { return log().linesOf("alert"); }
    int count(const std::string& kind, const std::string& text) {
        int n = 0;
        for (const auto& line : log().linesOf(kind)) n += line == text;
        return n;
    }
    // Answers the alert on screen.
    bool answerAlert(int button);

    ts::TempDir dir;
    std::unique_ptr<zserver::ContentServer> server;
    std::unique_ptr<zephrun::AppHost> host;
    std::unique_ptr<ui::TestDriver> driver;

  private:
    RunOptions options_;
};

inline bool AppRun::answerAlert(int button) {
    for (const auto& modal : host->window().modalViews())
        if (auto* alert = dynamic_cast<ui::AlertView*>(modal.get()); alert && alert->isVisible()) {
            driver->tap(alert->buttonAtIndex(button));
            advance(0.3);
            return true;
        }
    return false;
}

// "Zephrun | message | buttons" → message.
inline std::string alertMessage(const std::string& line) {
    auto a = line.find(" | ");
    auto b = line.rfind(" | ");
    return a == std::string::npos ? line : line.substr(a + 3, b - a - 3);
}

} // namespace apptest
