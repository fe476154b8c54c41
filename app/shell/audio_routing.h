// AudioRouting: the only place that starts and stops the two kinds of sound — a streamed track
// preview and a mix package — so that they never play together; and the mix table's package
// download. The delegate's audio operations forward here.
//
// Threads: interface thread; the download runs on a thread of its own and reports back through
// the interface run loop.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace zplayer {
class KT_AudioStream;
class mxp4reader;
} // namespace zplayer

namespace zephrun {

class ZephrunAppDelegate;
class MixPlayerBridge;

class AudioRouting {
  public:
    // The package the mix table opens and downloads.
    static constexpr const char* kMixTablePackage = "mxt_2010";

    explicit AudioRouting(ZephrunAppDelegate& appDelegate);
    ~AudioRouting();

    zplayer::KT_AudioStream* myAudio() { return myAudio_.get(); }
    zplayer::mxp4reader* myAudioMix() { return myAudioMix_.get(); }
    bool playExtrait() const { return playExtrait_; }
    bool playMix() const { return playMix_; }

    void audioPlayUrl(const std::string& url);
    void audioStop();
    // `prepare` runs on the new player before it starts (a seed, a recipe to replay).
    int audioMixStart(const std::string& name, std::optional<int> track,
                      const std::function<void(zplayer::mxp4reader&)>& prepare = {});
    void audioMixPlay();
    void audioMixPause();
    void audioMixStop();
    void audioMixChangeTrack(int track);
    void audioMixsetVolume(float volume);
    std::optional<float> audioMixgetProgress();
    void loadMixFile();
    bool isDownloading() const { return downloading_; }

    // The package's path in the mix directory, copied there from the application package when
    // only the package holds it; none when neither has it.
    std::optional<std::string> mixPackagePath(const std::string& name);
    // Stops everything and joins the download (the delegate's end).
    void shutdown();

  private:
    void isPlayingChanged(bool playing);
    void downloadMix(const std::string& url, const std::string& destination);
    void downloadEnded(bool stored, const std::string& failure);

    ZephrunAppDelegate& appDelegate;
    std::unique_ptr<MixPlayerBridge> bridge_;
    std::unique_ptr<zplayer::KT_AudioStream> myAudio_;
    std::unique_ptr<zplayer::mxp4reader> myAudioMix_;
    int isPlayingObservation_ = 0;
    bool playExtrait_ = false;
    bool playMix_ = false;
    std::atomic<bool> downloading_{false};
    std::atomic<bool> cancelDownload_{false};
    std::thread download_;
    std::shared_ptr<bool> alive_;
};

} // namespace zephrun
