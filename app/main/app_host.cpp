#include "app/main/app_host.h"

#include <filesystem>
#include <random>

#include "app/script/script_devices.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/app_directories.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/bundle_info.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/image.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"
#include "player/mxp4reader.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

std::function<std::uint32_t()> seededRandom() {
    auto engine = std::make_shared<std::pair<std::mutex, std::mt19937>>();
    engine->second.seed(std::random_device{}());
    return [engine] {
        std::lock_guard lock(engine->first);
        return static_cast<std::uint32_t>(engine->second());
    };
}

} // namespace

AppHost::AppHost(AppOptions options) : options_(std::move(options)) {
    if (!options_.dataDir.empty()) zplatform::setUserDataDirectory(options_.dataDir);
    if (options_.packageDir.empty())
        options_.packageDir = zplatform::applicationPackageDirectory().string();
    if (!options_.outDir.empty()) {
        fs::create_directories(options_.outDir);
        log_.openFile((fs::path(options_.outDir) / "log.txt").string());
    }
    const fs::path package = options_.packageDir;
    ui::ImageLibrary::setShared(std::make_shared<ui::ImageLibrary>(
        std::vector<fs::path>{package / "images", package}, options_.scale));

    window_ = std::make_shared<ui::Window>();
    defaults_ = std::make_unique<zplatform::UserDefaults>(zplatform::userDataDirectory() / "defaults");
    if (options_.headless) {
        recording_ = std::make_shared<zplatform::RecordingAudioBackend>();
        zplatform::AudioSession::setBackend(recording_);
        useScriptedLocation();
    }
    // A headless run opens nothing for real; the addresses are recorded either way.
    if (options_.headless) window_->services().setOpener([](const std::string&) { return true; });

    AppEnvironment env;
    env.window = window_.get();
    env.defaults = defaults_.get();
    env.log = &log_;
    env.documentsDirectory = zplatform::documentsDirectory().string();
    env.packageDirectory = options_.packageDir;
    env.firstPreferredLanguage = options_.lang.value_or(zplatform::preferredLanguages().front());
    env.serverBase = options_.server;
    if (env.serverBase && env.serverBase->back() != '/') *env.serverBase += '/';
    env.random = options_.random ? options_.random : seededRandom();
    env.webtools.interfaces = options_.interfaces;
    env.webtools.onRequest = [this](const std::string& summary) { log_.record("request", summary); };
    delegate_ = std::make_unique<ZephrunAppDelegate>(std::move(env));
}

AppHost::~AppHost() {
    quit();
    delegate_.reset();
    zplayer::mxp4reader::waitForReleases(3.0);
    if (recording_) zplatform::AudioSession::setBackend(nullptr);
}

void AppHost::launch() { delegate_->applicationDidFinishLaunching(); }

void AppHost::quit() {
    if (quit_) return;
    quit_ = true;
    log_.record("application", "terminate");
    delegate_->applicationWillTerminate();
}

void AppHost::afterFrame() {
    recordAlerts();
    const auto& opened = window_->services().openedURLs();
    for (; openedLogged_ < opened.size(); ++openedLogged_) log_.record("open", opened[openedLogged_]);
    if (recording_) {
        const double now = window_->now();
        if (now > audioClock_) recording_->pump(now - audioClock_);
        audioClock_ = now;
    }
}

void AppHost::recordAlerts() {
    std::set<const ui::View*> shown;
    for (const auto& modal : window_->modalViews()) {
        auto* alert = dynamic_cast<const ui::AlertView*>(modal.get());
        if (!alert) continue;
        shown.insert(alert);
        if (alertsSeen_.count(alert)) continue;
        std::string buttons;
        for (int i = 0; i < alert->numberOfButtons(); ++i)
            buttons += (i ? ", " : "") + alert->buttonTitleAtIndex(i);
        log_.record("alert", alert->title() + " | " + alert->message() + " | " + buttons);
    }
    alertsSeen_ = std::move(shown);
}

} // namespace zephrun
