// mxp4reader: the package, its render lock and stop flag, the output it plays through, the
// "table_de_mix" cadence counted in played frames, and the release thread.
#include "player/mxp4reader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/audio/audio_output.h"
#include "platform/audio/music_volume.h"
#include "platform/notification_center.h"
#include "platform/run_loop.h"
#include "player/player_log.h"

namespace zplayer {

bool isPlayableSampleRate(int rate) {
    return rate >= zplatform::kMinOutputRate && rate <= zplatform::kMaxOutputRate;
}

struct mxp4reader::State {
    std::mutex render; // around every call into the package
    std::atomic<bool> askToStop{false};
    mxp4_package* package = nullptr; // guarded by `render`; null once released
    int rate = 44100;
    // Created by start() on the interface thread; owned by the release thread after
    // audioRelease().
    std::unique_ptr<zplatform::AudioOutput> output;
    int64_t tableInterval = 0; // frames of playback between two "table_de_mix"
    int64_t nextTable = 0;     // played handler's thread only
    // Guarded by `render`: what a recipe of this mix needs.
    MixSequencer sequencer;
    int32_t seed = 0;
    std::array<std::array<int, 2>, MixRecipe::kMaxTracks> levels{};
    int levelCount = 0; // user tracks whose level was set

    ~State() {
        if (output) output->close();
        if (package) mxp4Release(package);
    }

    // Audio thread. Silence whenever the lock is busy (a release holds it) or the mix stops.
    void pull(int16_t* out, int frames) {
        std::unique_lock lock(render, std::try_to_lock);
        if (lock.owns_lock() && !askToStop.load(std::memory_order_acquire) && package) {
            sequencer.render(package, out, frames);
            return;
        }
        std::memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(int16_t));
    }
};

namespace {
// Releases in progress, so that a host can wait for them before it exits. Never destroyed: a
// release thread may still be signalling it while the process exits.
struct Releases {
    std::mutex mutex;
    std::condition_variable done;
    int running = 0;
};
Releases& releases() {
    static auto* r = new Releases;
    return *r;
}
} // namespace

std::unique_ptr<mxp4reader> mxp4reader::initWithFilename(const std::string& path,
                                                         mxp4readerDelegate* delegate) {
    if (path.empty() || path.size() > kMaxPathBytes) {
        playerLog("mix package path empty or longer than %zu bytes", kMaxPathBytes);
        return nullptr;
    }
    fileInit(nullptr);
    int code = 0;
    mxp4_package* p = mxp4LoaderDiag(path.c_str(), 1, &code);
    if (!p) {
        playerLog("mix package %s did not load (%d)", path.c_str(), code);
        return nullptr;
    }
    const int rate = mxp4SampleRate(p);
    if (!isPlayableSampleRate(rate)) {
        playerLog("mix package %s: sample rate %d Hz is not an audio rate (8000 to 192000)",
                  path.c_str(), rate);
        mxp4Release(p);
        return nullptr;
    }
    auto state = std::make_shared<State>();
    state->package = p;
    state->rate = rate;
    state->tableInterval = std::llround(kTableInterval * rate);
    return std::unique_ptr<mxp4reader>(new mxp4reader(std::move(state), delegate));
}

mxp4reader::mxp4reader(std::shared_ptr<State> state, mxp4readerDelegate* delegate)
    : state_(std::move(state)), delegate_(delegate), self_(std::make_shared<mxp4reader*>(this)) {
    volumeObserver_ = zplatform::NotificationCenter::defaultCenter().addObserver(
        this, zplatform::MusicVolume::kChangeNotice, [this](const zplatform::Notification& n) {
            updateLevelVolume(std::strtof(n.text.c_str(), nullptr));
        });
}

mxp4reader::~mxp4reader() {
    zplatform::NotificationCenter::defaultCenter().removeObserver(volumeObserver_);
    self_.reset();
    if (!state_) return; // released: the release thread finishes on its own
    state_->askToStop.store(true, std::memory_order_release);
    // The State's destructor closes the output (the callback never blocks, so this cannot wait
    // on it) and frees the package.
    state_.reset();
}

void mxp4reader::start() {
    if (!state_ || state_->output) return;
    State* st = state_.get();
    st->askToStop.store(false, std::memory_order_release);
    std::string error;
    st->output = zplatform::AudioSession::open(
        st->rate, kPullFrames, [st](int16_t* out, int frames) { st->pull(out, frames); }, &error);
    if (!st->output) {
        playerLog("mix output: %s", error.c_str());
        return;
    }
    st->nextTable = st->tableInterval;
    std::weak_ptr<mxp4reader*> weak = self_;
    st->output->setPlayedHandler([st, weak](int64_t heard) {
        // Service or pumping thread: count the cadence in frames heard, hand the notices to the
        // interface thread.
        while (heard >= st->nextTable) {
            st->nextTable += st->tableInterval;
            if (st->askToStop.load(std::memory_order_acquire)) continue;
            zplatform::RunLoop::main().post([weak] {
                auto self = weak.lock();
                if (!self) return;
                mxp4reader* player = *self;
                if (!player->state_ || player->state_->askToStop.load()) return;
                const void* view = player->delegate_ ? player->delegate_->myMixView() : nullptr;
                if (view)
                    zplatform::NotificationCenter::defaultCenter().postNotification(kTableNotice,
                                                                                    view);
            });
        }
    });
    st->output->resume();
}

void mxp4reader::audioPlay() {
    if (state_ && state_->output) state_->output->resume();
}

void mxp4reader::audioPause() {
    if (state_ && state_->output) state_->output->pause();
}

void mxp4reader::audioRelease() {
    if (!state_) return;
    state_->askToStop.store(true, std::memory_order_release);
    {
        std::lock_guard lock(releases().mutex);
        ++releases().running;
    }
    // The thread owns the state from now on; this player no longer touches it.
    std::thread([st = std::move(state_)] {
        {
            std::unique_lock lock(st->render);
            std::this_thread::sleep_for(std::chrono::duration<double>(kReleaseHold));
            if (st->output) st->output->close(); // the callback is gone after this
            mxp4Release(st->package);
            st->package = nullptr;
        }
        std::lock_guard lock(releases().mutex);
        --releases().running;
        releases().done.notify_all();
    }).detach();
}

bool mxp4reader::waitForReleases(double seconds) {
    std::unique_lock lock(releases().mutex);
    return releases().done.wait_for(lock, std::chrono::duration<double>(seconds),
                                    [] { return releases().running == 0; });
}

int mxp4reader::skinNb() {
    if (!state_) return 0;
    std::lock_guard lock(state_->render);
    return state_->package ? mxp4SkinNb(state_->package) : 0;
}

std::string mxp4reader::skinName(int index) {
    if (!state_) return {};
    std::lock_guard lock(state_->render);
    const char* name = state_->package ? mxp4SkinName(state_->package, index) : nullptr;
    return name ? name : "";
}

void mxp4reader::skinSelect(int index, int state, int clean) {
    if (!state_) return;
    std::lock_guard lock(state_->render);
    if (state_->package) state_->sequencer.select(state_->package, index, state, clean);
}

int mxp4reader::audiotrackNb() {
    if (!state_) return 0;
    std::lock_guard lock(state_->render);
    return state_->package ? mxp4AudiotrackNb(state_->package) : 0;
}

std::string mxp4reader::audiotrackName(int n) {
    if (!state_) return {};
    std::lock_guard lock(state_->render);
    const char* name = state_->package ? mxp4AudiotrackName(state_->package, n) : nullptr;
    return name ? name : "";
}

int mxp4reader::audiotrackVol(int n, int left, int right) {
    if (!state_) return -1;
    std::lock_guard lock(state_->render);
    if (!state_->package || mxp4AudiotrackVol(state_->package, n, left, right) != 0) return -1;
    if (n < MixRecipe::kMaxTracks) {
        for (int t = state_->levelCount; t < n; ++t) state_->levels[t] = {256, 256};
        state_->levels[n] = {std::clamp(left, 0, 256), std::clamp(right, 0, 256)};
        state_->levelCount = std::max(state_->levelCount, n + 1);
    }
    return 0;
}

void mxp4reader::setSeed(int32_t seed) {
    if (!state_ || state_->output) return;
    std::lock_guard lock(state_->render);
    if (state_->package && mxp4RandSeed(state_->package, seed) == 0) state_->seed = seed;
}

void mxp4reader::replay(const MixRecipe& recipe) {
    if (!state_ || state_->output) return;
    setSeed(recipe.seed);
    for (size_t t = 0; t < recipe.levels.size(); ++t)
        audiotrackVol(static_cast<int>(t), recipe.levels[t][0], recipe.levels[t][1]);
    std::lock_guard lock(state_->render);
    state_->sequencer.setPlan(recipe.variants, recipe.variantAfter());
}

bool mxp4reader::isReplaying() {
    if (!state_) return false;
    std::lock_guard lock(state_->render);
    return state_->sequencer.isReplaying();
}

MixRecipe mxp4reader::recipe() {
    MixRecipe r;
    if (!state_) return r;
    std::lock_guard lock(state_->render);
    r.seed = state_->seed;
    r.variants = state_->sequencer.recorded();
    r.levels.assign(state_->levels.begin(), state_->levels.begin() + state_->levelCount);
    return r;
}

float mxp4reader::getProgress() {
    if (!state_ || !state_->output) return 0;
    std::lock_guard lock(state_->render);
    if (!state_->package) return 0;
    // What was rendered but not yet heard: the output's queue (not a fixed latency), and what
    // the engine rendered ahead of our pulls in its own blocks.
    const int64_t pulled = state_->output->framesPulled();
    const int64_t engineAhead =
        (MXP4_BUFFER_FRAMES - pulled % MXP4_BUFFER_FRAMES) % MXP4_BUFFER_FRAMES;
    const int64_t position =
        mxp4Counter(state_->package, state_->output->framesQueued() + engineAhead);
    int64_t length = 0, offset = 0;
    if (mxp4Progress(state_->package, position, &length, &offset) < 0 || length <= 0) return 0;
    return static_cast<float>(static_cast<double>(offset) / static_cast<double>(length));
}

float mxp4reader::getCurrentLevel() {
    const float volume = zplatform::MusicVolume::shared().volume();
    if (delegate_) delegate_->updateLevelVolume(volume);
    return volume;
}

void mxp4reader::updateLevelVolume(float volume) {
    if (delegate_ && delegate_->myMixView()) delegate_->updateLevelVolume(volume);
}

const mxp4_package* mxp4reader::title() const {
    return state_ ? state_->package : nullptr;
}

double mxp4reader::secondsPlayed() const {
    if (!state_ || !state_->output) return 0;
    return static_cast<double>(state_->output->framesHeard()) / state_->rate;
}

void mxp4reader::inspect(const std::function<void(const mxp4_package*)>& fn) {
    if (!state_) return;
    std::lock_guard lock(state_->render);
    if (state_->package) fn(state_->package);
}

bool mxp4reader::isStarted() const {
    return state_ && state_->output && !state_->askToStop.load();
}

} // namespace zplayer
