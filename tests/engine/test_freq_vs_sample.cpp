// The frequency path against the sample path: the same package of short-block Vorbis clips
// rendered both ways gives the same mix; packages the frequency path cannot mix fall back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "freq_test_util.h"
#include "mxp4/mxp4.h"
#include "package.h"
#include "test_support.h"
#include "vorbis_short/encoder.h"

namespace {

struct Release {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using Package = std::unique_ptr<mxp4_package, Release>;

constexpr int kSection = 128 * 80; // 10240 frames: clip starts fall on block boundaries

struct ClipSpec {
    double freq;
    double amplitude;
    int32_t gainLeft, gainRight;
    int32_t startOffset; // a multiple of 128
};

std::vector<int16_t> clipAudio(const ClipSpec& c, int frames, uint32_t seed) {
    std::vector<int16_t> a = ts::decayingTone(frames, 2, c.freq, c.amplitude, 0.15);
    std::vector<int16_t> b = ts::sineStereo(frames, c.freq * 1.5, c.freq * 2.01, c.amplitude / 3);
    std::vector<int16_t> n = ts::noise(frames, 2, c.amplitude / 10, seed);
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<int16_t>(a[i] + b[i] + n[i]);
    return a;
}

// One user track per clip, every track on a single-option node, the first one also master: every
// section replays every clip from its start.
mxp4w::PackageWriter clipPackage(const std::vector<std::vector<uint8_t>>& streams,
                                 const std::vector<ClipSpec>& specs, int frames) {
    mxp4w::PackageWriter w;
    w.header[2] = w.header[3] = -1;
    w.header[6] = 44100;
    w.header[12] = -1;
    for (size_t i = 0; i < streams.size(); ++i) {
        mxp4w::Resource r;
        r.kind = 1;
        r.name = w.addString("clip" + std::to_string(i) + ".ogg");
        r.data = streams[i];
        w.resources.push_back(std::move(r));
        mxp4w::Clip c;
        c.gainLeft = specs[i].gainLeft;
        c.gainRight = specs[i].gainRight;
        c.sectionLength = kSection;
        c.audioLength = frames;
        c.startOffset = specs[i].startOffset;
        c.option = static_cast<int32_t>(i);
        c.resource = static_cast<int32_t>(i);
        w.clips.push_back(c);
        mxp4w::Option o;
        o.clip = static_cast<int32_t>(i);
        o.weight = 256;
        w.options.push_back(o);
        mxp4w::Node n;
        n.optionFirst = static_cast<int32_t>(i);
        n.optionCount = 1;
        w.nodes.push_back(n);
        mxp4w::Track t;
        t.flags = i == 0 ? 3 : 2;
        t.keepPriority = 100;
        t.node = static_cast<int32_t>(i);
        w.tracks.push_back(t);
    }
    return w;
}

Package load(const std::string& path) {
    int code = 0;
    Package p(mxp4LoaderDiag(path.c_str(), 1, &code));
    EXPECT_TRUE(p) << "load code " << code;
    return p;
}

std::vector<int16_t> render(mxp4_package* p, int buffers) {
    std::vector<int16_t> out(2 * static_cast<size_t>(MXP4_BUFFER_FRAMES) * buffers);
    for (int b = 0; b < buffers; ++b)
        mxp4NextBuffer(p, out.data() + 2 * static_cast<size_t>(MXP4_BUFFER_FRAMES) * b);
    return out;
}

bool encoderReady() {
    std::vector<int16_t> probe(2 * 512, 0);
    return !vshort::encodeStereo(probe.data(), 512).empty();
}

struct Comparison {
    double snrDb = 0;    // over the frames compared
    double snrAllDb = 0; // including the blocks where clips start
    long compared = 0;
    long excluded = 0;
};

// Frame f of the frequency path's output holds time f + 128 in the first quarter after reset
// (its first block is skipped, its last is silence) and time f afterwards. Frames within two
// blocks of a clip start differ by design: the first packet of a stream is added into the slot
// of the second.
Comparison compare(const std::vector<int16_t>& sample, const std::vector<int16_t>& freq,
                   const std::vector<int64_t>& clipStarts) {
    Comparison c;
    double sig = 0, err = 0, sigAll = 0, errAll = 0;
    const long frames = static_cast<long>(freq.size() / 2);
    for (long f = 0; f < frames; ++f) {
        long t = f < 1408 ? f + 128 : f;
        if (f >= 1408 && f < 1536) continue;
        if (t >= frames) continue;
        bool nearStart = false;
        for (int64_t s : clipStarts)
            if (t >= s && t < s + 256) nearStart = true;
        for (int ch = 0; ch < 2; ++ch) {
            const double a = sample[2 * t + ch], b = freq[2 * f + ch];
            sigAll += a * a;
            errAll += (a - b) * (a - b);
            if (!nearStart) {
                sig += a * a;
                err += (a - b) * (a - b);
            }
        }
        if (nearStart)
            ++c.excluded;
        else
            ++c.compared;
    }
    auto db = [](double s, double e) { return e == 0 ? 200.0 : 10 * std::log10(s / e); };
    c.snrDb = db(sig, err);
    c.snrAllDb = db(sigAll, errAll);
    return c;
}

} // namespace

TEST(FreqVsSample, ShortBlockClipsMixTheSame) {
    ASSERT_TRUE(encoderReady()) << "the short-block encoder wrote nothing";
    const int frames = kSection;
    std::vector<ClipSpec> specs = {
        {220.0, 0.20, 256, 256, 0},
        {330.0, 0.15, 200, 90, 0},
        {495.0, 0.12, 77, 256, 128 * 5},
        {110.0, 0.18, 256, 128, 0},
    };
    std::vector<std::vector<uint8_t>> streams;
    for (size_t i = 0; i < specs.size(); ++i) {
        // Clips with an offset stop short of the next section, so that voices never overlap.
        const int len = frames - specs[i].startOffset;
        std::vector<int16_t> pcm = clipAudio(specs[i], len, static_cast<uint32_t>(i + 1));
        streams.push_back(vshort::encodeStereo(pcm.data(), static_cast<size_t>(len)));
        ASSERT_FALSE(streams.back().empty());
    }
    mxp4w::PackageWriter w = clipPackage(streams, specs, frames);
    for (size_t i = 0; i < specs.size(); ++i)
        w.clips[i].audioLength = frames - specs[i].startOffset;
    ts::TempDir dir;
    const std::string path = ts::writePackage(w, dir, "short.mxp4");

    Package freqPkg = load(path), samplePkg = load(path);
    ASSERT_TRUE(freqPkg && samplePkg);
    ASSERT_TRUE(freqPkg->mix->freq);
    samplePkg->mix->forcePath = 1;
    // Track volumes act on both paths alike.
    mxp4AudiotrackVol(freqPkg.get(), 1, 180, 256);
    mxp4AudiotrackVol(samplePkg.get(), 1, 180, 256);

    const int buffers = 8; // about 4.8 sections
    std::vector<int16_t> f = render(freqPkg.get(), buffers);
    std::vector<int16_t> s = render(samplePkg.get(), buffers);

    std::vector<int64_t> starts;
    for (int64_t b = 0; b < int64_t(buffers) * MXP4_BUFFER_FRAMES; b += kSection)
        for (const ClipSpec& c : specs) starts.push_back(b + c.startOffset);
    Comparison c = compare(s, f, starts);
    double level = 0;
    for (int16_t v : s) level += double(v) * v;
    ASSERT_GT(level / double(s.size()), 1e5) << "the mix is nearly silent";
    std::printf("frequency vs sample path: %.1f dB SNR over %ld frames, %.1f dB with the %ld "
                "frames near clip starts\n",
                c.snrDb, c.compared, c.snrAllDb, c.excluded);
    EXPECT_GT(c.snrDb, 60.0);
    EXPECT_GT(c.snrAllDb, 6.0); // the start blocks differ, the rest lines up
    EXPECT_GT(c.compared, 40000);
}

// A long-block or a mono stream among short-block ones: the package mixes by samples.
TEST(FreqVsSample, IncompatibleStreamFallsBackToSampleMixing) {
    ASSERT_TRUE(encoderReady()) << "the short-block encoder wrote nothing";
    const int frames = kSection;
    std::vector<ClipSpec> specs = {{220.0, 0.2, 256, 256, 0}, {330.0, 0.2, 256, 256, 0}};
    std::vector<int16_t> pcm = clipAudio(specs[0], frames, 1);
    std::vector<uint8_t> shortBytes = vshort::encodeStereo(pcm.data(), frames);
    for (const char* name : {"stereo_44k.ogg", "mono_44k.ogg"}) {
        std::vector<uint8_t> other = ts::readBytes(freqtest::fixture(name));
        ASSERT_FALSE(other.empty()) << "missing fixture " << freqtest::fixture(name);
        ts::TempDir dir;
        const std::string path =
            ts::writePackage(clipPackage({shortBytes, other}, specs, frames), dir, "mixed.mxp4");
        Package p = load(path);
        ASSERT_TRUE(p) << name;
        EXPECT_FALSE(p->mix->freq) << name;
        // And it still plays: the sample path mixes both clips.
        std::vector<int16_t> out = render(p.get(), 2);
        double level = 0;
        for (int16_t v : out) level += double(v) * v;
        EXPECT_GT(level / double(out.size()), 1e5) << name;
    }
    // The short-block stream alone mixes in the frequency domain.
    ts::TempDir dir;
    const std::string path =
        ts::writePackage(clipPackage({shortBytes, shortBytes}, specs, frames), dir, "ok.mxp4");
    Package p = load(path);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->mix->freq);
}
