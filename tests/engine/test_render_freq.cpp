// Frequency mixing through the renderer: agreement with sample mixing on the same Vorbis
// clips, gains, block-rounded starts, voice ends, the first quarter, saturation and compressor.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "compressor.h"
#include "render_fixture.h"
#include "vorbis_short/encoder.h"

namespace {

using rt::Buffer;
using rt::Builder;

int vorbisClip(Builder& b, const std::vector<int16_t>& pcm, int32_t section) {
    int frames = static_cast<int>(pcm.size() / 2);
    return b.rawClip(1, vshort::encodeStereo(pcm.data(), frames), frames, section);
}

std::vector<int16_t> renderAll(mxp4_package* p, int buffers, int path) {
    mxp4Reset(p);
    p->mix->forcePath = path;
    std::vector<int16_t> all;
    Buffer out;
    for (int k = 0; k < buffers; ++k) {
        rt::next(p, out);
        all.insert(all.end(), out.s.begin(), out.s.end());
    }
    return all;
}

int maxDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from, size_t to) {
    int d = 0;
    for (size_t i = from; i < to; ++i) d = std::max(d, std::abs(a[i] - b[i]));
    return d;
}

int occupiedVoices(const mxp4_package* p) {
    int n = 0;
    for (const mx::Voice& v : p->mix->voices) n += v.clip >= 0;
    return n;
}

TEST(RenderFreq, AgreesWithSampleMixingUnderGainsAndVolumes) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(40000));
    int first = vorbisClip(b, ts::sineStereo(30000, 440.0, 660.0, 0.3), 40000);
    b.w.clips[first].gainLeft = 200;
    b.w.clips[first].gainRight = 100;
    b.userTrack(first);
    b.userTrack(vorbisClip(b, ts::sineStereo(20000, 550.0, 275.0, 0.2), 40000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->mix->freq);
    ASSERT_EQ(mxp4AudiotrackVol(p.get(), 1, 128, 256), 0);
    auto freq = renderAll(p.get(), 6, 0);
    EXPECT_EQ(occupiedVoices(p.get()), 0);
    auto wav = renderAll(p.get(), 6, 1);

    // The first quarter drops its first block; after it both paths decode the same blocks.
    // Around the end of the shorter clip the frequency path plays out its last blocks, which
    // sample mixing cuts at the audio length.
    EXPECT_LE(maxDiff(freq, wav, 2 * 1536, 2 * 19900), 4);
    EXPECT_LE(maxDiff(freq, wav, 2 * 20400, 2 * 29900), 4);
    int peak = 0;
    for (size_t i = 2 * 1536; i < 2 * 29900; ++i) peak = std::max(peak, std::abs(int(wav[i])));
    EXPECT_GT(peak, 8000); // the comparison saw real signal
    for (int f = 1408; f < 1536; ++f)
        ASSERT_EQ(freq[2 * f], 0) << f; // the first quarter's last block is silence
    // Both voices ended and were freed; the output is silent from there on.
    for (size_t i = 2 * 30400; i < freq.size(); ++i) ASSERT_EQ(freq[i], 0) << i / 2;
}

TEST(RenderFreq, StartsRoundToTheBlock) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(40000));
    b.userTrack(vorbisClip(b, ts::constant(20000, 2, 0), 40000)); // holds the clock at 0
    int late = vorbisClip(b, ts::sineStereo(20000, 440.0, 660.0, 0.3), 40000);
    b.w.clips[late].startOffset = 3372; // inside the block at 3328 (3372 - 3328 <= 127)
    b.userTrack(late);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    auto freq = renderAll(p.get(), 4, 0);
    auto wav = renderAll(p.get(), 4, 1);
    for (int f = 0; f < 3328; ++f) ASSERT_EQ(freq[2 * f], 0) << f;
    // The frequency path plays the clip 44 samples early.
    int d = 0;
    for (int f = 3328 + 256; f < 20000; ++f)
        d = std::max(d, std::abs(freq[2 * f] - wav[2 * (f + 44)]));
    EXPECT_LE(d, 4);
}

TEST(RenderFreq, SaturatesAtBothEnds) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(40000));
    auto loud = ts::sineStereo(20000, 200.0, 200.0, 0.9);
    b.userTrack(vorbisClip(b, loud, 40000));
    b.userTrack(vorbisClip(b, loud, 40000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    auto freq = renderAll(p.get(), 3, 0);
    auto wav = renderAll(p.get(), 3, 1);
    EXPECT_EQ(*std::min_element(freq.begin(), freq.end()), -32768);
    EXPECT_EQ(*std::max_element(freq.begin(), freq.end()), 32767);
    EXPECT_EQ(*std::min_element(wav.begin(), wav.end()), -32767);
    EXPECT_EQ(*std::max_element(wav.begin(), wav.end()), 32767);
}

TEST(RenderFreq, CompressorOnBothPaths) {
    ts::TempDir dir;
    Builder b;
    b.w.header[mx::kHCompressorMode] = 2; // peak detection
    b.w.header[mx::kHCompThreshold] = -20 * 65536;
    b.w.header[mx::kHCompRatio] = 65536 / 4;
    b.w.header[mx::kHCompAttack] = 655;   // 10 ms
    b.w.header[mx::kHCompRelease] = 6554; // 100 ms
    b.w.header[mx::kHCompMakeup] = 0;
    b.w.header[mx::kHCompCeiling] = 65536;
    b.masterTrack(b.emptyClip(40000));
    b.userTrack(vorbisClip(b, ts::sineStereo(30000, 300.0, 300.0, 0.8), 40000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    ASSERT_TRUE(mx::compressorActive(&p->mix->compressor));
    auto freq = renderAll(p.get(), 4, 0);
    auto wav = renderAll(p.get(), 4, 1);
    // 0.8 of full scale is 18 dB over the threshold; at 4:1 it settles near -13.6 dB, about
    // 0.21 of full scale, on both paths.
    auto peakFrom = [](const std::vector<int16_t>& v, size_t from) {
        int m = 0;
        for (size_t i = from; i < 2 * 24000; ++i) m = std::max(m, std::abs(int(v[i])));
        return m;
    };
    EXPECT_NEAR(peakFrom(freq, 2 * 12288), 0.21 * 32768, 0.02 * 32768);
    EXPECT_NEAR(peakFrom(wav, 2 * 12288), 0.21 * 32768, 0.02 * 32768);
    // The detectors see the same blocks give or take rounding, so the gains stay within a few
    // per cent of each other.
    EXPECT_LE(maxDiff(freq, wav, 2 * 12288, 2 * 24000), 160);
}

} // namespace
