// Frequency path: accumulator bookkeeping, spectrum gains, final transform and 16-bit output,
// and short-block streams decoded through it against Tremor's own output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "compressor.h"
#include "freq_test_util.h"
#include "test_support.h"
#include "vorbis_short/encoder.h"

using namespace freqtest;

namespace {

// A decoder block faked around caller-owned coefficient arrays.
struct FakeBlock {
    vorbis_info vi{};
    vorbis_dsp_state vd{};
    vorbis_block vb{};
    std::vector<ogg_int32_t> pcm[2];
    ogg_int32_t* ptrs[2] = {};

    FakeBlock(int channels, int blocksize) {
        vi.channels = channels;
        vd.vi = &vi;
        vb.vd = &vd;
        vb.pcmend = blocksize;
        for (int c = 0; c < 2; ++c) {
            pcm[c].assign(static_cast<size_t>(blocksize), 0);
            ptrs[c] = pcm[c].data();
        }
        vb.pcm = ptrs;
        vb.lW = 0;
        vb.W = 0;
        vb.nW = 0;
    }
};

class Accumulator {
  public:
    Accumulator() { ok_ = mx::BufferMixedOGGInit(&acc_) == 0; }
    ~Accumulator() { mx::BufferMixedOGGRelease(&acc_); }
    mx::SpectrumAccumulator* operator->() { return &acc_; }
    mx::SpectrumAccumulator* get() { return &acc_; }
    bool ok() const { return ok_; }

  private:
    mx::SpectrumAccumulator acc_;
    bool ok_ = false;
};

std::vector<int16_t> music(int frames, uint32_t seed) {
    // Two notes and a little noise: broadband enough to exercise every coefficient.
    std::vector<int16_t> a = ts::decayingTone(frames, 2, 220.0 + seed, 0.3, 0.8);
    std::vector<int16_t> b = ts::sineStereo(frames, 660.0, 990.0, 0.15);
    std::vector<int16_t> n = ts::noise(frames, 2, 0.05, seed);
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<int16_t>(a[i] + b[i] + n[i]);
    return a;
}

std::vector<uint8_t> shortStream(int frames, uint32_t seed) {
    std::vector<int16_t> pcm = music(frames, seed);
    return vshort::encodeStereo(pcm.data(), static_cast<size_t>(frames));
}

} // namespace

TEST(FreqAccumulator, InitResetNewFrameRelease) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    EXPECT_EQ(acc->state, -1);
    for (int c = 0; c < 2; ++c) {
        ASSERT_NE(acc->channel[c], nullptr);
        for (int i = 0; i < mx::kAccLength; ++i) ASSERT_EQ(acc->channel[c][i], 0);
    }
    // NewFrame carries the second half of the last slot over and clears everything else.
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < mx::kAccLength; ++i) acc->channel[c][i] = (c + 1) * 100000 + i;
    int dummy = 0;
    acc->lastBlock = reinterpret_cast<vorbis_block*>(&dummy);
    acc->slot = 7;
    mx::BufferMixedOGGNewFrame(acc.get());
    EXPECT_EQ(acc->lastBlock, nullptr);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < 128; ++i)
            ASSERT_EQ(acc->channel[c][i], (c + 1) * 100000 + 3072 + i) << c << " " << i;
        for (int i = 128; i < mx::kAccLength; ++i)
            ASSERT_EQ(acc->channel[c][i], 0) << c << " " << i;
    }
    acc->state = 1;
    mx::BufferMixedOGGReset(acc.get());
    EXPECT_EQ(acc->state, -1);
    mx::BufferMixedOGGRelease(acc.get());
    EXPECT_EQ(acc->channel[0], nullptr);
    EXPECT_EQ(acc->channel[1], nullptr);
    mx::BufferMixedOGGRelease(acc.get()); // twice is harmless
}

TEST(FreqMix, GainsScaleCoefficientsIntoTheCurrentSlot) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    FakeBlock b(2, 256);
    for (int i = 0; i < 256; ++i) {
        b.pcm[0][i] = (i % 2 ? -1 : 1) * (1000 * i + 3); // odd negatives: arithmetic shift shows
        b.pcm[1][i] = -7 * i - 1;
    }
    b.vb.lW = 0;
    b.vb.W = 0;
    b.vb.nW = 0;
    acc->slot = 3;
    mx::vorbis_mix_FREQ(acc.get(), &b.vb, 256, 128);
    EXPECT_EQ(acc->lastBlock, &b.vb);
    const int base = 128 + 256 * 3;
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(acc->channel[0][base + i], b.pcm[0][i]) << i; // 256: unchanged
        ASSERT_EQ(acc->channel[1][base + i], (b.pcm[1][i] * 128) >> 8) << i;
    }
    EXPECT_EQ(acc->channel[1][base + 0], -1); // -1 * 128 >> 8 rounds down
    EXPECT_EQ(acc->channel[1][base + 1], -4); // -8 halves exactly
    EXPECT_EQ(acc->channel[1][base + 2], -8); // -15 * 128 >> 8 = -7.5 -> -8
    // Only the first half of the slot holds coefficients; nothing else is touched.
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < mx::kAccLength; ++i)
            if (i < base || i >= base + 128) {
                ASSERT_EQ(acc->channel[c][i], 0) << c << " " << i;
            }

    // A second block adds on top, with any gain.
    mx::vorbis_mix_FREQ(acc.get(), &b.vb, 77, 300);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(acc->channel[0][base + i], b.pcm[0][i] + ((b.pcm[0][i] * 77) >> 8)) << i;
        ASSERT_EQ(acc->channel[1][base + i],
                  ((b.pcm[1][i] * 128) >> 8) + ((b.pcm[1][i] * 300) >> 8))
            << i;
    }
}

TEST(FreqMix, MonoFeedsBothSidesAndSumsSaturate) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    FakeBlock mono(1, 256);
    mono.vb.pcm[1] = nullptr; // a mono block has one channel buffer only
    for (int i = 0; i < 256; ++i) mono.pcm[0][i] = i + 1;
    acc->slot = 0;
    mx::vorbis_mix_FREQ(acc.get(), &mono.vb, 256, 512);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(acc->channel[0][128 + i], i + 1);
        ASSERT_EQ(acc->channel[1][128 + i], 2 * (i + 1));
    }

    FakeBlock big(2, 256);
    big.pcm[0].assign(256, INT32_MAX);
    big.pcm[1].assign(256, INT32_MIN);
    acc->slot = 11;
    for (int n = 0; n < 3; ++n) mx::vorbis_mix_FREQ(acc.get(), &big.vb, 256, 256);
    EXPECT_EQ(acc->channel[0][128 + 256 * 11], INT32_MAX);
    EXPECT_EQ(acc->channel[1][128 + 256 * 11 + 127], INT32_MIN);

    // A block smaller than a short block adds only its own coefficients; a bad slot adds none.
    Accumulator acc2;
    FakeBlock small(2, 128);
    small.pcm[0].assign(128, 5);
    acc2->slot = 1;
    mx::vorbis_mix_FREQ(acc2.get(), &small.vb, 256, 256);
    EXPECT_EQ(acc2->channel[0][128 + 256 + 63], 5);
    EXPECT_EQ(acc2->channel[0][128 + 256 + 64], 0);
    acc2->slot = 12;
    mx::vorbis_mix_FREQ(acc2.get(), &small.vb, 256, 256);
    for (int i = 0; i < mx::kAccLength; ++i)
        if (i < 384 || i >= 384 + 64) {
            ASSERT_EQ(acc2->channel[0][i], 0) << i;
        }
}

TEST(FreqOutput, OverlapShiftsAndSaturates) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    int32_t* L = acc->channel[0];
    int32_t* R = acc->channel[1];
    for (int k = 0; k < mx::kAccSlots; ++k) {
        for (int l = 0; l < 128; ++l) {
            L[256 * k + l] = (k * 128 + l) << 9;
            L[256 * k + 128 + l] = 511; // below one unit: floor keeps the value
            R[256 * k + l] = -((k * 128 + l) << 9);
            R[256 * k + 128 + l] = -1; // arithmetic shift: one unit below
        }
    }
    L[256 * 2 + 5] = INT32_MAX; // overlap sum beyond 32 bits still saturates
    L[256 * 2 + 128 + 5] = INT32_MAX;
    R[256 * 2 + 6] = INT32_MIN;
    R[256 * 2 + 128 + 6] = INT32_MIN;
    L[256 * 3 + 7] = 32767 << 9;
    L[256 * 3 + 128 + 7] = 1 << 9;
    R[256 * 3 + 8] = -32768 * 512;
    R[256 * 3 + 128 + 8] = 0;

    std::vector<int16_t> out(2 * 1536, 1);
    mx::ov_read_MIXEDN(acc.get(), out.data(), 0);
    EXPECT_EQ(acc->state, 1);
    for (int k = 0; k < mx::kAccSlots; ++k) {
        for (int l = 0; l < 128; ++l) {
            const int f = 128 * k + l;
            int expectL = std::min(f, 32767), expectR = std::max(-f - 1, -32768);
            if (f == 256 + 5) expectL = 32767;
            if (f == 256 + 6) expectR = -32768;
            if (f == 384 + 7) expectL = 32767;
            if (f == 384 + 8) expectR = -32768;
            ASSERT_EQ(out[2 * f], expectL) << f;
            ASSERT_EQ(out[2 * f + 1], expectR) << f;
        }
    }

    // First frame after reset: blocks 1..11 first, then one block of silence.
    std::vector<int16_t> first(2 * 1536, 1);
    mx::ov_read_MIXEDN(acc.get(), first.data(), 1);
    for (int f = 0; f < 1408; ++f) ASSERT_EQ(first[2 * f], out[2 * (f + 128)]) << f;
    for (int f = 1408; f < 1536; ++f) ASSERT_TRUE(first[2 * f] == 0 && first[2 * f + 1] == 0) << f;
}

TEST(FreqOutput, CompressorOutputSkipsTheFirstBlockToo) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    for (int i = 0; i < mx::kAccLength; ++i) {
        acc->channel[0][i] = (i % 300) << 9;
        acc->channel[1][i] = -((i % 200) << 9);
    }
    mx::CompressorContext c;
    mx::compressorInit(&c, -60.f, 0.5f, 0.001f, 0.1f, 44100, 0.f, 1.f, 2);
    mx::CompressorContext c0 = c;
    std::vector<int16_t> full(2 * 1536), first(2 * 1536, 7);
    mx::ov_read_MIXEDNcompressor(acc.get(), &c, full.data(), 0);
    EXPECT_EQ(acc->state, 1);
    mx::ov_read_MIXEDNcompressor(acc.get(), &c0, first.data(), 1);
    // With the first block skipped the compressor sees blocks 1..11 in the same order.
    mx::CompressorContext c1;
    mx::compressorInit(&c1, -60.f, 0.5f, 0.001f, 0.1f, 44100, 0.f, 1.f, 2);
    std::vector<int16_t> block(256);
    for (int k = 1; k < mx::kAccSlots; ++k) {
        mx::compressorProcessFreq(&c1, block.data(), acc->channel[0] + 256 * k,
                                  acc->channel[1] + 256 * k);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(first[256 * (k - 1) + i], block[i]) << k << " " << i;
    }
    for (int i = 2 * 1408; i < 2 * 1536; ++i) ASSERT_EQ(first[i], 0) << i;
    EXPECT_EQ(c0.gain, c1.gain);
}

// Without any short-block window recorded the final transform has nothing to shape: silence.
TEST(FreqOutput, FinalTransformWithoutWindowIsSilent) {
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    for (int i = 128; i < mx::kAccLength; ++i) acc->channel[0][i] = acc->channel[1][i] = 1000;
    mx::mapping0_finalIMDCT_MIXED(acc.get());
    for (int c = 0; c < 2; ++c)
        for (int i = 128; i < mx::kAccLength; ++i) ASSERT_EQ(acc->channel[c][i], 0);
}

class ShortStreams : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<int16_t> probe(2 * 512, 0);
        // The encoder is built with the tests: a stream it cannot write is a failure.
        ASSERT_FALSE(vshort::encodeStereo(probe.data(), 512).empty());
    }
};

TEST_F(ShortStreams, AreCompatibleAndRecordTheirWindow) {
    std::vector<uint8_t> bytes = shortStream(5000, 3);
    OpenStream s(bytes);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(mx::vorbisFreqCompatible(s.vf()), 1);
    Accumulator acc;
    ASSERT_TRUE(acc.ok());
    ASSERT_EQ(mx::ov_read_FREQ(acc.get(), s.src(), 0), 128 * 4);
    EXPECT_EQ(acc->blocksizes[0], 256);
    EXPECT_EQ(acc->blocksizes[1], 256);
    EXPECT_NE(acc->window[0], nullptr);
    EXPECT_TRUE(mx::vorbisFreqLastWindow().valid);
    // The arguments are checked before anything is decoded.
    EXPECT_EQ(mx::ov_read_FREQ(acc.get(), s.src(), -1), OV_EINVAL);
    EXPECT_EQ(mx::ov_read_FREQ(acc.get(), s.src(), 12), OV_EINVAL);
    mx::VoiceSource closed;
    EXPECT_EQ(mx::ov_read_FREQ(acc.get(), &closed, 0), OV_EINVAL);
}

// The wraps pass through: decoding twice gives the same samples, the bypass really removes the
// inverse transform and the window, and clearing it restores Tremor's output.
TEST_F(ShortStreams, WrapsPassThroughAndBypassIsLive) {
    std::vector<uint8_t> bytes = shortStream(20000, 5);
    std::vector<int16_t> a = tremorDecode(bytes);
    ASSERT_EQ(a.size(), 2u * 20000);
    mx::vorbisFreqSetBypass(true);
    std::vector<int16_t> bypassed = tremorDecode(bytes);
    mx::vorbisFreqSetBypass(false);
    EXPECT_NE(a, bypassed);
    EXPECT_EQ(a, tremorDecode(bytes));
    // And Tremor's output is the music it was encoded from, not noise.
    std::vector<int16_t> ref = music(20000, 5);
    double sig = 0, err = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sig += double(ref[i]) * ref[i];
        err += (double(ref[i]) - a[i]) * (double(ref[i]) - a[i]);
    }
    EXPECT_GT(10 * std::log10(sig / err), 15.0);
}

// One stream through the frequency path equals Tremor's output sample for sample, apart from
// the stream's first two blocks (the first packet is added into the same slot as the second).
TEST_F(ShortStreams, SingleStreamMatchesTremor) {
    for (int frames : {9000, 4096 + 77, 300, 40000 + 33}) {
        std::vector<uint8_t> bytes = shortStream(frames, static_cast<uint32_t>(frames));
        std::vector<int16_t> ref = tremorDecode(bytes);
        ASSERT_EQ(ref.size(), 2u * static_cast<size_t>(frames));
        long readBytes = 0;
        std::vector<int16_t> got = freqDecode(bytes, 256, 256, &readBytes);
        EXPECT_EQ(readBytes, 4L * frames) << frames;
        long compared = 0;
        for (long p = 0; p < static_cast<long>(got.size() / 2); ++p) {
            long t = tremorFrameOf(p);
            if (t < 0) {
                ASSERT_TRUE(got[2 * p] == 0 && got[2 * p + 1] == 0) << p;
                continue;
            }
            if (t < 256) continue;
            if (t >= frames) continue; // past the end Tremor trims; the mix keeps the tail
            ASSERT_EQ(got[2 * p], ref[2 * t]) << "frames " << frames << " at " << t;
            ASSERT_EQ(got[2 * p + 1], ref[2 * t + 1]) << "frames " << frames << " at " << t;
            ++compared;
        }
        EXPECT_GE(compared, frames - 256);
    }
}

TEST_F(ShortStreams, GainsScaleTheOutput) {
    const int frames = 6000;
    std::vector<uint8_t> bytes = shortStream(frames, 11);
    std::vector<int16_t> ref = tremorDecode(bytes);
    ASSERT_EQ(ref.size(), 2u * frames);
    struct G {
        int32_t l, r;
    };
    for (G g : {G{128, 256}, G{256, 64}, G{77, 200}, G{0, 300}}) {
        std::vector<int16_t> got = freqDecode(bytes, g.l, g.r);
        int worst = 0;
        for (long p = 0; p < static_cast<long>(got.size() / 2); ++p) {
            long t = tremorFrameOf(p);
            if (t < 256 || t >= frames) continue;
            const int wantL = (ref[2 * t] * g.l) >> 8, wantR = (ref[2 * t + 1] * g.r) >> 8;
            if (std::abs(wantL) > 32000 || std::abs(wantR) > 32000) continue;
            worst = std::max(worst, std::abs(got[2 * p] - wantL));
            worst = std::max(worst, std::abs(got[2 * p + 1] - wantR));
        }
        // The transform's fixed-point rounding only: a few units at most.
        EXPECT_LE(worst, 4) << g.l << "/" << g.r;
    }
}

// The accumulator keeps copies of the window arguments: the decoder may be cleared between the
// last block and the final transform (a voice that ends inside the frame).
TEST_F(ShortStreams, FinalTransformAfterTheDecoderIsCleared) {
    std::vector<uint8_t> bytes = shortStream(3000, 21);
    Accumulator open, cleared;
    ASSERT_TRUE(open.ok() && cleared.ok());
    for (Accumulator* acc : {&open, &cleared}) {
        OpenStream s(bytes);
        ASSERT_TRUE(s.ok());
        mx::BufferMixedOGGNewFrame(acc->get());
        for (int k = 0; k < 5; ++k) ASSERT_GT(mx::ov_read_FREQ(acc->get(), s.src(), k), 0);
        if (acc == &cleared) {
            s.close();
            std::vector<uint8_t> junk(1 << 16, 0xA5); // reuse the freed memory
            EXPECT_EQ(junk[5], 0xA5);
        }
        mx::mapping0_finalIMDCT_MIXED(acc->get());
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < mx::kAccLength; ++i)
            ASSERT_EQ(open->channel[c][i], cleared->channel[c][i]) << c << " " << i;
}

// Streams of the reference encoder (long blocks, mono): Tremor decodes them through the wraps
// unchanged, and the frequency path refuses them without harm.
TEST(LongBlockStreams, WrapsPassThroughAndStreamsAreIncompatible) {
    std::vector<uint8_t> bytes = ts::readBytes(fixture("stereo_44k.ogg"));
    std::vector<uint8_t> raw = ts::readBytes(fixture("stereo_44k.raw"));
    ASSERT_FALSE(bytes.empty() || raw.empty()) << "missing fixture " << fixture("stereo_44k.ogg");
    std::vector<int16_t> a = tremorDecode(bytes);
    ASSERT_EQ(a.size() * 2, raw.size());
    double sig = 0, err = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double r = int16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
        sig += r * r;
        err += (r - a[i]) * (r - a[i]);
    }
    EXPECT_GT(10 * std::log10(sig / err), 20.0);
    mx::vorbisFreqSetBypass(true);
    std::vector<int16_t> bypassed = tremorDecode(bytes);
    mx::vorbisFreqSetBypass(false);
    EXPECT_NE(a, bypassed);
    EXPECT_EQ(a, tremorDecode(bytes));

    OpenStream s(bytes);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(mx::vorbisFreqCompatible(s.vf()), 0);
    std::vector<uint8_t> mono = ts::readBytes(fixture("mono_44k.ogg"));
    OpenStream m(mono);
    ASSERT_TRUE(m.ok());
    EXPECT_EQ(mx::vorbisFreqCompatible(m.vf()), 0);
    EXPECT_EQ(mx::vorbisFreqCompatible(nullptr), 0);
}

// Fed to the frequency path anyway, long blocks add only their first 128 coefficients and the
// final transform keeps to the slots (the sanitizer build checks the bounds).
TEST(LongBlockStreams, FrequencyPathStaysInBounds) {
    for (const char* name : {"stereo_44k.ogg", "mono_44k.ogg"}) {
        std::vector<uint8_t> bytes = ts::readBytes(fixture(name));
        ASSERT_FALSE(bytes.empty()) << "missing fixture " << fixture(name);
        long total = 0;
        std::vector<int16_t> out = freqDecode(bytes, 256, 256, &total);
        EXPECT_GT(total, 0) << name;
        EXPECT_FALSE(out.empty()) << name;
    }
}

// A damaged page: both decoders report the hole, then resynchronise on the next page and agree
// on how many samples the rest of the stream holds (the accounting restarts out of sequence).
TEST_F(ShortStreams, HoleInTheDataIsReportedAndSkipped) {
    const int frames = 30000;
    std::vector<uint8_t> bytes = shortStream(frames, 17);
    bytes[bytes.size() / 2] ^= 0x5A; // breaks that page's checksum
    long tremorBytes = 0, tremorHoles = 0;
    {
        OpenStream s(bytes);
        ASSERT_TRUE(s.ok());
        char buf[4096];
        int bitstream = 0;
        for (;;) {
            long n = ov_read(s.vf(), buf, sizeof buf, &bitstream);
            if (n == OV_HOLE) {
                ++tremorHoles;
                continue;
            }
            if (n <= 0) break;
            tremorBytes += n;
        }
    }
    long freqBytes = 0, freqHoles = 0;
    {
        Accumulator acc;
        OpenStream s(bytes);
        ASSERT_TRUE(acc.ok() && s.ok());
        for (int k = 0;; k = (k + 1) % mx::kAccSlots) {
            if (k == 0) mx::BufferMixedOGGNewFrame(acc.get());
            long n = mx::ov_read_FREQ(acc.get(), s.src(), k);
            if (n == OV_HOLE) {
                ++freqHoles;
                continue;
            }
            if (n <= 0) break;
            freqBytes += n;
            // The counters stay inside the decoder's own storage, so a standard read could follow.
            ASSERT_LE(s.vf()->vd.pcm_current, s.vf()->vd.pcm_storage);
        }
    }
    EXPECT_EQ(tremorHoles, 1);
    EXPECT_EQ(freqHoles, 1);
    EXPECT_LT(tremorBytes, 4L * frames);
    EXPECT_EQ(freqBytes, tremorBytes);
}

// A truncated stream ends cleanly, where Tremor's own read ends, and keeps ending.
TEST_F(ShortStreams, TruncatedStreamEnds) {
    std::vector<uint8_t> bytes = shortStream(40000, 2);
    bytes.resize(bytes.size() * 2 / 3);
    const long tremorBytes = static_cast<long>(tremorDecode(bytes).size()) * 2;
    Accumulator acc;
    OpenStream s(bytes);
    ASSERT_TRUE(acc.ok() && s.ok());
    long total = 0, r = 0;
    int calls = 0;
    while ((r = mx::ov_read_FREQ(acc.get(), s.src(), calls % mx::kAccSlots)) > 0 && calls < 1000) {
        total += r;
        ++calls;
    }
    EXPECT_EQ(r, 0);
    EXPECT_GT(total, 0);
    EXPECT_LT(total, 4L * 40000);
    EXPECT_EQ(total, tremorBytes);
    EXPECT_EQ(mx::ov_read_FREQ(acc.get(), s.src(), 0), 0);
}
