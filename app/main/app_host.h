// AppHost: what the program and the tests share to run the application — the window, the
// defaults store, the picture library, the log, the audio session and the delegate — set up from
// the command line's options, with the orderly end.
//
// A host in a window (the SDL host) and a headless host (the test driver, the script runner) both
// drive the window; each calls afterFrame() after every frame so the host can record the alerts
// shown and play the headless audio.
//
// Threads: interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/shell/app_log.h"

namespace ui {
class Window;
class View;
} // namespace ui
namespace zplatform {
class InterfaceSource;
class UserDefaults;
class RecordingAudioBackend;
} // namespace zplatform

namespace zephrun {

class ZephrunAppDelegate;

struct AppOptions {
    std::string dataDir;               // the per-user data; empty: the XDG data directory
    std::optional<std::string> server; // --server URL
    std::optional<std::string> lang;   // the system language at a first launch
    bool headless = false;             // no window, no sound card: audio is recorded
    std::string packageDir;            // empty: the application package
    std::string outDir;                // where log.txt goes (headless runs); empty: nowhere
    float scale = 1;
    // The network interfaces the request clients see (tests: none, for a phone offline);
    // null: the machine's.
    std::shared_ptr<const zplatform::InterfaceSource> interfaces;
    // 32-bit random numbers (tests: a seeded sequence); empty: seeded from the system.
    std::function<std::uint32_t()> random;
};

class AppHost {
  public:
    explicit AppHost(AppOptions options);
    ~AppHost();
    AppHost(const AppHost&) = delete;
    AppHost& operator=(const AppHost&) = delete;

    ui::Window& window() { return *window_; }
    std::shared_ptr<ui::Window> windowHandle() { return window_; }
    ZephrunAppDelegate& delegate() { return *delegate_; }
    AppLog& log() { return log_; }
    zplatform::UserDefaults& defaults() { return *defaults_; }
    const AppOptions& options() const { return options_; }
    // The headless audio (null in a window).
    zplatform::RecordingAudioBackend* recording() { return recording_.get(); }

    // Starts the application (the splash, then the launch sequence on the run loop).
    void launch();
    // The orderly end: players stopped, member logged out, session closed. Idempotent.
    void quit();
    bool hasQuit() const { return quit_; }
    // After each frame: records newly shown alerts; in a headless run, plays the audio of the
    // window time that passed.
    void afterFrame();

  private:
    void recordAlerts();

    AppOptions options_;
    AppLog log_;
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    std::shared_ptr<zplatform::RecordingAudioBackend> recording_;
    std::unique_ptr<ZephrunAppDelegate> delegate_;
    std::set<const ui::View*> alertsSeen_;
    std::size_t openedLogged_ = 0;
    double audioClock_ = 0;
    bool quit_ = false;
};

} // namespace zephrun
