// mxp4reader: plays one fully loaded mix package through an audio output.
//
// Threads: every method on the interface thread (the delegate is called there only). The output
// pulls 8820 frames at a time on the audio thread: it renders under the render lock when it can
// take it at once and plays silence otherwise (a release in progress), never waits and never
// allocates. The skin, track and progress calls take the same lock for microseconds. Release
// runs on a thread of its own that owns the package and the output from then on, so destroying
// the player after audioRelease() is safe at any moment.
// Notices, delivered on the interface thread: "table_de_mix" (object: the delegate's mix view)
// every 0.35 s of audio actually played, while the mix view exists; the music volume's
// "Zephrun_mix_change_level" is forwarded to the delegate's updateLevelVolume.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <mxp4/mxp4.h>

#include "player/mix_recipe.h"

namespace zplayer {

// What the player needs of its owner; interface thread only.
class mxp4readerDelegate {
  public:
    virtual ~mxp4readerDelegate() = default;
    // The mix screen, the object of "table_de_mix"; null when there is none.
    virtual const void* myMixView() const = 0;
    // The music volume changed (or was read by getCurrentLevel), 0..1.
    virtual void updateLevelVolume(float volume) = 0;
};

class mxp4reader {
  public:
    static constexpr int kPullFrames = 8820;       // frames rendered per pull (200 ms at 44100 Hz)
    static constexpr double kTableInterval = 0.35; // seconds of playback between "table_de_mix"
    static constexpr double kReleaseHold = 1.0;    // seconds the release holds the render lock
    static constexpr size_t kMaxPathBytes = 512;
    static constexpr const char* kTableNotice = "table_de_mix";

    // Loads the package at `path` for playback; none when it does not load, its path is longer
    // than 512 bytes, or its sample rate is not an audio rate (each logged).
    static std::unique_ptr<mxp4reader> initWithFilename(const std::string& path,
                                                        mxp4readerDelegate* delegate);
    ~mxp4reader();

    // Opens the output at the package's rate and starts playing (nothing without a package).
    void start();
    void audioPlay();
    void audioPause();
    // Stops rendering at once (silence), then on its own thread holds the render lock for
    // kReleaseHold, closes the output and frees the package.
    void audioRelease();

    int skinNb();
    std::string skinName(int index);
    void skinSelect(int index, int state, int clean);
    int audiotrackNb();
    std::string audiotrackName(int n);
    int audiotrackVol(int n, int left, int right);
    // Before start(): the generator's state for the first decision (0 otherwise), or a whole
    // recipe to replay (state, levels, the variant of each section). A skin selected later ends
    // the replay.
    void setSeed(int32_t seed);
    void replay(const MixRecipe& recipe);
    bool isReplaying();
    // The mix so far as a recipe (without package name or lock): the state it started from, the
    // variant of every section decided, the levels of the user tracks.
    MixRecipe recipe();
    // Fraction of the current section already heard; 0 when no section is known.
    float getProgress();
    // The music volume, also handed to the delegate's updateLevelVolume.
    float getCurrentLevel();
    // The package (none after release). For inspection only; the player owns it.
    const mxp4_package* title() const;

    // True between start() and audioRelease() while the output exists.
    bool isStarted() const;
    // Seconds of audio heard since start().
    double secondsPlayed() const;
    // Runs `fn` with the package under the render lock (nothing after release). For tools
    // that show more of the mix than the player's accessors do.
    void inspect(const std::function<void(const mxp4_package*)>& fn);
    // Waits up to `seconds` for every release in progress (of any player) to finish; false when
    // one is still running. For hosts about to exit, and tests.
    static bool waitForReleases(double seconds);

    mxp4reader(const mxp4reader&) = delete;
    mxp4reader& operator=(const mxp4reader&) = delete;

    struct State;

  private:
    mxp4reader(std::shared_ptr<State> state, mxp4readerDelegate* delegate);
    void updateLevelVolume(float volume);

    std::shared_ptr<State> state_;
    mxp4readerDelegate* delegate_;
    uint64_t volumeObserver_ = 0;
    // Posted calls hold this weakly: none reaches a destroyed player.
    std::shared_ptr<mxp4reader*> self_;
};

// True for the sample rates a package may play at (8 000 to 192 000 Hz).
bool isPlayableSampleRate(int rate);

} // namespace zplayer
