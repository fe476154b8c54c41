#include "app/shell/audio_routing.h"

#include <cstdio>
#include <filesystem>

#include "app/discography/discographie_view_controller.h"
#include "app/mix/mix_view_controller.h"
#include "app/shell/app_log.h"
#include "app/shell/mix_download.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "platform/atomic_file.h"
#include "platform/run_loop.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"
#include "player/kt_audio_stream.h"
#include "player/mxp4reader.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {
// How long a preview may take to tear down before the next one starts anyway.
constexpr double kCleanWaitLimit = 10.0;
} // namespace

// The mix player's view of the delegate: the mix screen and its volume bar.
class MixPlayerBridge : public zplayer::mxp4readerDelegate {
  public:
    explicit MixPlayerBridge(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {}
    const void* myMixView() const override { return appDelegate.myMixView(); }
    void updateLevelVolume(float volume) override {
        if (MixViewController* mix = appDelegate.myMixView()) mix->updateLevelVolume(volume);
    }

  private:
    ZephrunAppDelegate& appDelegate;
};

AudioRouting::AudioRouting(ZephrunAppDelegate& appDelegate)
    : appDelegate(appDelegate), bridge_(std::make_unique<MixPlayerBridge>(appDelegate)),
      alive_(std::make_shared<bool>(true)) {}

AudioRouting::~AudioRouting() {
    shutdown();
}

void AudioRouting::shutdown() {
    *alive_ = false;
    cancelDownload_ = true;
    if (download_.joinable()) download_.join();
    if (myAudio_) {
        myAudio_->removeIsPlayingObserver(isPlayingObservation_);
        myAudio_->stop();
        myAudio_.reset();
    }
    playExtrait_ = false;
    audioMixStop();
}

// --- Previews ---

void AudioRouting::audioPlayUrl(const std::string& url) {
    if (playMix_) audioMixStop();
    audioStop();
    zplatform::RunLoop& loop = zplatform::RunLoop::main();
    loop.runFor(0.2);
    double waited = 0;
    while (myAudio_ && !myAudio_->isClean() && waited < kCleanWaitLimit) {
        loop.runFor(0.3);
        waited += 0.3;
    }
    if (myAudio_) myAudio_->removeIsPlayingObserver(isPlayingObservation_);
    playExtrait_ = true;
    myAudio_ = std::make_unique<zplayer::KT_AudioStream>(url);
    myAudio_->setAlertHandler([this](const std::string& title, const std::string& message) {
        appDelegate.showAlert(title, message, 0, "OK", {});
    });
    isPlayingObservation_ =
        myAudio_->addIsPlayingObserver([this](bool playing) { isPlayingChanged(playing); });
    appDelegate.log().record("preview", url);
    myAudio_->start();
}

void AudioRouting::audioStop() {
    if (myAudio_) myAudio_->stop();
}

void AudioRouting::isPlayingChanged(bool playing) {
    DiscographieViewController* disco = appDelegate.myDiscoView();
    if (playing) {
        if (playExtrait_ && disco) disco->showPlayerStop();
        return;
    }
    if (myAudio_) myAudio_->removeIsPlayingObserver(isPlayingObservation_);
    isPlayingObservation_ = 0;
    playExtrait_ = false;
    if (disco) disco->showPlayerPlay();
}

// --- Mix ---

std::optional<std::string> AudioRouting::mixPackagePath(const std::string& name) {
    const std::string path = appDelegate.mixDirectory() + name + ".mxp4";
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return path;
    const fs::path copy = fs::path(appDelegate.packageDirectory()) / (name + ".mxp4");
    if (!fs::is_regular_file(copy, ec)) return std::nullopt;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string temporary = path + ".part";
    fs::copy_file(copy, temporary, fs::copy_options::overwrite_existing, ec);
    if (ec) return std::nullopt;
    fs::rename(temporary, path, ec);
    if (ec) return std::nullopt;
    return path;
}

int AudioRouting::audioMixStart(const std::string& name, std::optional<int> track,
                                const std::function<void(zplayer::mxp4reader&)>& prepare) {
    std::optional<std::string> path = mixPackagePath(name);
    if (!path) return 0;
    if (playExtrait_) audioStop();
    if (myAudioMix_) audioMixStop();
    myAudioMix_ = zplayer::mxp4reader::initWithFilename(*path, bridge_.get());
    // Unlike a flag set before the player exists, playMix says a mix player is there.
    if (!myAudioMix_) return 0;
    playMix_ = true;
    const int tracks = myAudioMix_->audiotrackNb();
    if (track) audioMixChangeTrack(*track);
    if (prepare) prepare(*myAudioMix_);
    appDelegate.log().record("mix", "start " + name);
    myAudioMix_->start();
    return tracks;
}

void AudioRouting::audioMixPlay() {
    if (myAudioMix_) myAudioMix_->audioPlay();
}

void AudioRouting::audioMixPause() {
    if (myAudioMix_) myAudioMix_->audioPause();
}

void AudioRouting::audioMixStop() {
    if (!myAudioMix_) return;
    myAudioMix_->audioPause();
    myAudioMix_->audioRelease();
    myAudioMix_.reset();
    playMix_ = false;
}

void AudioRouting::audioMixChangeTrack(int track) {
    if (myAudioMix_) myAudioMix_->skinSelect(track, 1, 1);
}

void AudioRouting::audioMixsetVolume(float volume) {
    if (!(volume >= 0.0f && volume <= 1.0f)) return;
    appDelegate.window().services().setMusicVolume(volume);
}

std::optional<float> AudioRouting::audioMixgetProgress() {
    if (!myAudioMix_) return std::nullopt;
    return myAudioMix_->getProgress();
}

// --- Mix package download ---

void AudioRouting::loadMixFile() {
    if (downloading_) return;
    ZephrunConfiguration& config = appDelegate.myConfig();
    const std::string url = config.url_mix_2010().value_or(config.url_mix());
    const std::string destination = appDelegate.mixDirectory() + kMixTablePackage + ".mxp4";
    appDelegate.showLoading(texts::kDownloadingMix.in(appDelegate.isFrench()));
    if (download_.joinable()) download_.join();
    downloading_ = true;
    cancelDownload_ = false;
    download_ = std::thread([this, url, destination] { downloadMix(url, destination); });
}

void AudioRouting::downloadMix(const std::string& url, const std::string& destination) {
    std::shared_ptr<bool> alive = alive_;
    MixDownload download;
    download.setProgress([this, alive](long long received, long long total) {
        zplatform::RunLoop::main().post([this, alive, received, total] {
            if (!*alive || !downloading_) return;
            appDelegate.setLoadingText(
                mixDownloadProgressText(appDelegate.isFrench(), received, total));
        });
    });
    const MixDownload::Result result = download.run(url, destination, cancelDownload_);
    zplatform::RunLoop::main().post([this, alive, result] {
        if (*alive) downloadEnded(result.stored, result.failure);
    });
}

void AudioRouting::downloadEnded(bool stored, const std::string& failure) {
    downloading_ = false;
    if (download_.joinable()) download_.join();
    if (stored) {
        appDelegate.log().record("mix", "downloaded");
        appDelegate.destroyMixView();
        appDelegate.showMix();
        appDelegate.hideLoading();
        return;
    }
    appDelegate.log().record("mix", "download failed: " + failure);
    appDelegate.hideLoading();
    appDelegate.showAlert(texts::kMixDownloadFailed.in(appDelegate.isFrench()));
    if (MixViewController* mix = appDelegate.myMixView()) mix->returnToHome();
    appDelegate.destroyMixView();
}

} // namespace zephrun
