// mxp4 play: plays a package through the mix player and the SDL2 audio output, as the
// application does; --check-device tells whether a real output exists.
#include <unistd.h>

#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "platform/audio/sdl_audio_backend.h"
#include "platform/run_loop.h"
#include "player/mxp4reader.h"

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) {
    interrupted = 1;
}

void silence(void*, Uint8* stream, int len) {
    std::memset(stream, 0, static_cast<size_t>(len));
}

int checkDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 1;
    int status = 1;
    if (zplatform::SdlAudioBackend::realDriver()) {
        SDL_AudioSpec want{}, have{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 2048;
        want.callback = silence;
        if (SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0)) {
            SDL_CloseAudioDevice(dev);
            status = 0;
        }
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return status;
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

    // The verdict of a package the player refuses, as the other commands print it.
    if (!loadForMix(args.positional()[0])) return 1;
    auto player = zplayer::mxp4reader::initWithFilename(args.positional()[0], nullptr);
    if (!player) return fail("the player refuses this package (see above)");
    for (const std::string& s : args.all("skin")) {
        long long i;
        if (!parseInt(s, 0, player->skinNb() - 1, &i))
            return fail("--skin " + s + ": the package has " + std::to_string(player->skinNb()) +
                        " skins");
        player->skinSelect(static_cast<int>(i), 1, 0);
    }
    player->start();
    if (!player->isStarted()) return fail(std::string("cannot open the audio output"));

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const bool terminal = isatty(fileno(stdout));
    int lastComment = -2;
    auto& loop = zplatform::RunLoop::main();
    while (!interrupted) {
        loop.runFor(0.1);
        const double heard = player->secondsPlayed();
        if (seconds >= 0 && heard >= seconds) break;
        int comment = -1;
        std::string text;
        player->inspect([&](const mxp4_package* p) {
            mxp4_decision d;
            comment = p && mxp4GetDecision(p, &d) == 0 ? d.comment : -1;
            if (comment != lastComment && comment >= 0) text = mxp4Text(p, comment);
        });
        if (comment != lastComment && comment >= 0) {
            std::printf("%s%s\n", terminal ? "\r\033[K" : "", text.c_str());
            lastComment = comment;
        }
        if (terminal) {
            const auto t = static_cast<long long>(heard);
            std::printf("\r%02lld:%02lld  section %3d%%", t / 60, t % 60,
                        static_cast<int>(100 * player->getProgress()));
            std::fflush(stdout);
        }
    }
    player->audioPause();
    player->audioRelease();
    player.reset();
    zplayer::mxp4reader::waitForReleases(5);
    if (terminal) std::printf("\n");
    return 0;
}

} // namespace cli
