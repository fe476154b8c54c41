// mxp4 render: renders a package to a 16-bit stereo WAV file at the package sample rate.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "cli.h"
#include "platform/audio/wav_file.h"
#include "player/mix_recipe.h"

namespace cli {
namespace {

constexpr int kChunkFrames = 8820; // what the player pulls per callback
constexpr double kMaxSeconds = 24 * 3600;
constexpr int64_t kMaxWavFrames = (0xFFFFFFFFLL - 44) / 4; // RIFF sizes are 32-bit

// "--vol TRACK:L:R" on a user track; the engine clamps the levels to 0..256.
bool applyVolumes(mxp4_package* p, const Args& args) {
    for (const std::string& v : args.all("vol")) {
        size_t a = v.find(':');
        size_t b = a == std::string::npos ? a : v.find(':', a + 1);
        long long track, left, right;
        if (b == std::string::npos || !parseInt(v.substr(0, a), 0, 1 << 30, &track) ||
            !parseInt(v.substr(a + 1, b - a - 1), -(1 << 30), 1 << 30, &left) ||
            !parseInt(v.substr(b + 1), -(1 << 30), 1 << 30, &right)) {
            fail("--vol " + v + ": expected TRACK:LEFT:RIGHT");
            return false;
        }
        if (mxp4AudiotrackVol(p, static_cast<int>(track), static_cast<int>(left),
                              static_cast<int>(right)) != 0) {
            fail("--vol " + v + ": the package has " + std::to_string(mxp4AudiotrackNb(p)) +
                 " user tracks");
            return false;
        }
    }
    return true;
}

bool choosePath(mxp4_package* p, const std::string& path) {
    if (path == "auto") return true;
    if (path == "sample") return mxp4SetMixPath(p, MXP4_PATH_SAMPLE) == 0;
    if (path == "freq") {
        mxp4_info info;
        if (mxp4GetInfo(p, &info) == 0 && info.freq) return true;
        fail("--path freq: this package cannot be mixed in the frequency domain");
        return false;
    }
    fail("--path " + path + ": expected auto, sample or freq");
    return false;
}

class ProgressBar {
  public:
    explicit ProgressBar(int64_t total) : total_(total), shown_(isatty(fileno(stderr))) {}
    void update(int64_t done) {
        if (!shown_ || total_ <= 0) return;
        int percent = static_cast<int>(100 * done / total_);
        if (percent == last_) return;
        last_ = percent;
        std::string bar(40, ' ');
        for (int i = 0; i < 40 * percent / 100; ++i) bar[i] = '#';
        std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), percent);
        if (done >= total_) std::fputc('\n', stderr);
    }

  private:
    int64_t total_;
    bool shown_;
    int last_ = -1;
};

// The recipe from its first section to the end of its last, or for exactly --seconds.
int renderRecipe(mxp4_package* p, const zplayer::MixRecipe& recipe, const Args& args) {
    zplayer::RecipeRender render(p, recipe);
    if (!render.error().empty()) return fail("--recipe: " + render.error());
    const int rate = mxp4SampleRate(p);
    std::optional<int64_t> total;
    if (args.has("seconds")) {
        double seconds = 0;
        parseDouble(args.get("seconds"), &seconds);
        total = static_cast<int64_t>(std::llround(seconds * rate));
        if (*total > kMaxWavFrames) return fail("--seconds: longer than a WAV file can hold");
    }
    zplatform::WavFile wav;
    const std::string out = args.get("o");
    if (!wav.open(out, rate, 2)) return fail("cannot create " + out);
    std::vector<int16_t> buffer(2 * kChunkFrames);
    ProgressBar bar(1000);
    for (int64_t done = 0;;) {
        int want = kChunkFrames;
        if (total) want = static_cast<int>(std::min<int64_t>(kChunkFrames, *total - done));
        if (want <= 0) break;
        const int n = render.render(buffer.data(), want, total.has_value());
        if (n <= 0) break;
        if (!wav.write(buffer.data(), n)) return fail("cannot write " + out);
        done += n;
        if (done > kMaxWavFrames) return fail("the recipe is longer than a WAV file can hold");
        bar.update(total ? 1000 * done / std::max<int64_t>(*total, 1)
                         : static_cast<int64_t>(1000 * render.progress()));
    }
    bar.update(1000);
    if (!wav.close()) return fail("cannot write " + out);
    return 0;
}

// "--recipe FILE": the recipe's text, as the mix table copies it.
std::optional<zplayer::MixRecipe> readRecipe(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail("--recipe " + path + ": cannot read the file");
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::optional<zplayer::MixRecipe> recipe = zplayer::MixRecipe::fromText(text.str());
    if (!recipe) fail("--recipe " + path + ": not a mix recipe");
    return recipe;
}

} // namespace

int cmdRender(int argc, char** argv) {
    Args args(argc, argv, {});
    if (!args.ok()) return fail(args.error());
    if (std::string u = args.unknown({"o", "seconds", "skin", "vol", "path", "recipe"}); !u.empty())
        return fail("unknown option " + u);
    const bool withRecipe = args.has("recipe");
    if (args.positional().size() != 1 || !args.has("o") || (!args.has("seconds") && !withRecipe))
        return fail("usage: mxp4 render PKG -o OUT.wav --seconds S [--skin I]... "
                    "[--vol TRACK:L:R]... [--path auto|sample|freq]\n"
                    "       mxp4 render PKG -o OUT.wav --recipe FILE [--seconds S] "
                    "[--path auto|sample|freq]");
    if (withRecipe && (args.has("skin") || args.has("vol")))
        return fail("--recipe gives the skins and levels: no --skin or --vol with it");
    double seconds = 0;
    if (args.has("seconds") &&
        (!parseDouble(args.get("seconds"), &seconds) || seconds < 0 || seconds > kMaxSeconds))
        return fail("--seconds: a duration from 0 to 86400");

    Package p = loadForMix(args.positional()[0]);
    if (!p || !selectSkins(p.get(), args) || !applyVolumes(p.get(), args) ||
        !choosePath(p.get(), args.get("path", "auto")))
        return 1;
    if (withRecipe) {
        std::optional<zplayer::MixRecipe> recipe = readRecipe(args.get("recipe"));
        if (!recipe) return 1;
        return renderRecipe(p.get(), *recipe, args);
    }

    const int rate = mxp4SampleRate(p.get());
    const auto total = static_cast<int64_t>(std::llround(seconds * rate));
    if (total > kMaxWavFrames) return fail("--seconds: longer than a WAV file can hold");
    zplatform::WavFile wav;
    const std::string out = args.get("o");
    if (!wav.open(out, rate, 2)) return fail("cannot create " + out);

    std::vector<int16_t> buffer(2 * kChunkFrames);
    ProgressBar bar(total);
    for (int64_t done = 0; done < total;) {
        int n = static_cast<int>(std::min<int64_t>(kChunkFrames, total - done));
        mxp4NextBufferN(p.get(), buffer.data(), n);
        if (!wav.write(buffer.data(), n)) return fail("cannot write " + out);
        done += n;
        bar.update(done);
    }
    if (!wav.close()) return fail("cannot write " + out);
    return 0;
}

} // namespace cli
