// mxp4 render: renders a package to a 16-bit stereo WAV file at the package sample rate.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cli.h"
#include "wav_file.h"

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

} // namespace

int cmdRender(int argc, char** argv) {
    Args args(argc, argv, {});
    if (!args.ok()) return fail(args.error());
    if (std::string u = args.unknown({"o", "seconds", "skin", "vol", "path"}); !u.empty())
        return fail("unknown option " + u);
    if (args.positional().size() != 1 || !args.has("o") || !args.has("seconds"))
        return fail("usage: mxp4 render PKG -o OUT.wav --seconds S [--skin I]... "
                    "[--vol TRACK:L:R]... [--path auto|sample|freq]");
    double seconds = 0;
    if (!parseDouble(args.get("seconds"), &seconds) || seconds < 0 || seconds > kMaxSeconds)
        return fail("--seconds: a duration from 0 to 86400");

    Package p = loadForMix(args.positional()[0]);
    if (!p || !selectSkins(p.get(), args) || !applyVolumes(p.get(), args) ||
        !choosePath(p.get(), args.get("path", "auto")))
        return 1;

    const int rate = mxp4SampleRate(p.get());
    const auto total = static_cast<int64_t>(std::llround(seconds * rate));
    if (total > kMaxWavFrames) return fail("--seconds: longer than a WAV file can hold");
    WavFile wav;
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
