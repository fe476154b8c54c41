// mxp4 play: plays a package through an SDL2 audio output, pulling 8820 frames at a time as the
// player does; --check-device tells whether a real output exists.
#include <unistd.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "cli.h"

namespace cli {
namespace {

constexpr int kPullFrames = 8820;
constexpr Uint16 kDeviceFrames = 2048;

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) {
    interrupted = 1;
}

class SdlAudio {
  public:
    SdlAudio() : ok_(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}
    ~SdlAudio() {
        if (ok_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;
    bool ok() const { return ok_; }
    // The dummy and disk drivers accept every stream and play nothing.
    static bool realDriver() {
        const char* d = SDL_GetCurrentAudioDriver();
        return d && std::strcmp(d, "dummy") != 0 && std::strcmp(d, "disk") != 0;
    }

  private:
    bool ok_;
};

class AudioDevice {
  public:
    AudioDevice(const SDL_AudioSpec& want, SDL_AudioSpec* have)
        : id_(SDL_OpenAudioDevice(nullptr, 0, &want, have, 0)) {}
    ~AudioDevice() {
        if (id_) SDL_CloseAudioDevice(id_);
    }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;
    SDL_AudioDeviceID id() const { return id_; }

  private:
    SDL_AudioDeviceID id_;
};

// Shared between the audio callback and the main thread; the package is only touched under
// `mutex`.
struct Player {
    mxp4_package* p = nullptr;
    std::mutex mutex;
    std::vector<int16_t> pull = std::vector<int16_t>(2 * kPullFrames);
    int pullPos = kPullFrames;
    std::atomic<int64_t> delivered{0}; // frames handed to the device
};

void fill(void* user, Uint8* stream, int len) {
    auto* pl = static_cast<Player*>(user);
    auto* out = reinterpret_cast<int16_t*>(stream);
    int frames = len / 4;
    while (frames > 0) {
        if (pl->pullPos == kPullFrames) {
            std::lock_guard<std::mutex> lock(pl->mutex);
            mxp4NextBufferN(pl->p, pl->pull.data(), kPullFrames);
            pl->pullPos = 0;
        }
        int n = std::min(frames, kPullFrames - pl->pullPos);
        std::memcpy(out, &pl->pull[2 * pl->pullPos], static_cast<size_t>(n) * 4);
        pl->pullPos += n;
        out += 2 * n;
        frames -= n;
        pl->delivered += n;
    }
}

void silence(void*, Uint8* stream, int len) {
    std::memset(stream, 0, static_cast<size_t>(len));
}

int checkDevice() {
    SdlAudio sdl;
    if (!sdl.ok() || !SdlAudio::realDriver()) return 1;
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = silence;
    AudioDevice dev(want, &have);
    return dev.id() ? 0 : 1;
}

} // namespace

int cmdPlay(int argc, char** argv) {
    Args args(argc, argv, {"check-device"});
    if (!args.ok()) return fail(args.error());
    if (std::string u = args.unknown({"check-device", "seconds", "skin"}); !u.empty())
        return fail("unknown option " + u);
    if (args.has("check-device")) return checkDevice();
    if (args.positional().size() != 1)
        return fail("usage: mxp4 play PKG [--seconds S] [--skin I]...");
    double seconds = -1;
    if (args.has("seconds") && (!parseDouble(args.get("seconds"), &seconds) || seconds < 0))
        return fail("--seconds: a positive duration");

    Package p = loadForMix(args.positional()[0]);
    if (!p || !selectSkins(p.get(), args)) return 1;
    const int rate = mxp4SampleRate(p.get());

    SdlAudio sdl;
    if (!sdl.ok()) return fail(std::string("no audio: ") + SDL_GetError());
    Player player;
    player.p = p.get();
    SDL_AudioSpec want{}, have{};
    want.freq = rate; // SDL resamples when the device runs at another rate
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = fill;
    want.userdata = &player;
    AudioDevice dev(want, &have);
    if (!dev.id()) return fail(std::string("cannot open the audio output: ") + SDL_GetError());

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const bool terminal = isatty(fileno(stdout));
    const int64_t limit = seconds < 0 ? -1 : static_cast<int64_t>(seconds * rate);
    SDL_PauseAudioDevice(dev.id(), 0);
    int lastComment = -2;
    while (!interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int64_t heard = player.delivered - have.samples;
        if (limit >= 0 && heard >= limit) break;
        int64_t length = 0, offset = 0;
        int comment, result;
        {
            std::lock_guard<std::mutex> lock(player.mutex);
            result = mxp4Progress(p.get(), heard, &length, &offset);
            mxp4_decision d;
            comment = mxp4GetDecision(p.get(), &d) == 0 ? d.comment : -1;
        }
        if (comment != lastComment && comment >= 0) {
            std::printf("%s%s\n", terminal ? "\r\033[K" : "", mxp4Text(p.get(), comment));
            lastComment = comment;
        }
        if (terminal && result >= 0 && length > 0) {
            int64_t t = heard < 0 ? 0 : heard / rate;
            std::printf("\r%02lld:%02lld  section %3d%%", static_cast<long long>(t / 60),
                        static_cast<long long>(t % 60), static_cast<int>(100 * offset / length));
            std::fflush(stdout);
        }
    }
    SDL_PauseAudioDevice(dev.id(), 1);
    if (terminal) std::printf("\n");
    return 0;
}

} // namespace cli
