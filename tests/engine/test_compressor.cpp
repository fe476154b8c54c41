// Compressor: parameter clamps and tables, the three level detectors, the envelope's
// convergence, the gain ramp and product, ceiling and saturation, and the frequency variant.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "compressor.h"
#include "tables.h"

namespace {

using mx::CompressorContext;

constexpr int kRms = 8;
constexpr int kPeak = 2;
constexpr int kMean = 1;

// 128 interleaved frames of the sample accumulator (8 fractional bits).
std::vector<int32_t> block(int32_t left, int32_t right) {
    std::vector<int32_t> v(256);
    for (int f = 0; f < 128; ++f) {
        v[2 * f] = left * 256;
        v[2 * f + 1] = right * 256;
    }
    return v;
}

CompressorContext make(int mode, float thresholdDb, float slope, float makeupDb = 0.0f,
                       float ceiling = 1.0f) {
    CompressorContext c;
    mx::compressorInit(&c, thresholdDb, slope, 0.01f, 0.1f, 44100, makeupDb, ceiling, mode);
    return c;
}

// Level the detector measured, read back through `previousOver` with the lowest threshold.
int32_t measuredLevel(int mode, const std::vector<int32_t>& acc) {
    CompressorContext c = make(mode, -200.0f, 1.0f);
    int16_t out[256];
    mx::compressorProcess(&c, out, acc.data());
    return c.previousOver + c.threshold;
}

TEST(CompressorInit, ClampsParameters) {
    EXPECT_EQ(make(kPeak, -200.0f, 0.5f).threshold, -32768);
    EXPECT_EQ(make(kPeak, 3.0f, 0.5f).threshold, 0);
    EXPECT_EQ(make(kPeak, -20.0f, 0.5f).threshold, -5120);
    EXPECT_EQ(make(kPeak, -20.5f, 0.5f).threshold, -5248);

    CompressorContext a, b;
    mx::compressorInit(&a, -20, 0.5f, 0.0f, 100.0f, 44100, 0, 1, kPeak);
    mx::compressorInit(&b, -20, 0.5f, 0.0001f, 10.0f, 44100, 0, 1, kPeak);
    EXPECT_EQ(a.attack1, b.attack1);
    EXPECT_EQ(a.attack2, b.attack2);
    EXPECT_EQ(a.release, b.release);

    EXPECT_EQ(make(kPeak, -20, 0.5f, 6.0f).makeup, 510);
    EXPECT_EQ(make(kPeak, -20, 0.5f, -6.0f).makeup, 128);
    EXPECT_EQ(make(kPeak, -20, 0.5f, 500.0f).makeup, make(kPeak, -20, 0.5f, 100.0f).makeup);
    EXPECT_EQ(make(kPeak, -20, 0.5f, 0, 0.5f).ceiling, 16384);

    CompressorContext c = make(kRms, -20, 0.5f);
    EXPECT_EQ(c.mode, kRms);
    EXPECT_EQ(mx::compressorActive(&c), kRms);
    EXPECT_EQ(c.gain, 32767);
    EXPECT_EQ(c.envelope, 0);
    EXPECT_EQ(c.previousOver, 0);
    // Time constants at 44.1 kHz, 10 ms attack and 100 ms release.
    EXPECT_EQ(c.attack1, 8591);
    EXPECT_EQ(c.attack2, 17993);
    EXPECT_EQ(c.release, 28662);

    mx::compressorDisable(&c);
    EXPECT_EQ(mx::compressorActive(&c), 0);
}

TEST(CompressorInit, GainTables) {
    CompressorContext limiter = make(kPeak, -20, -3.0f); // slope below 0: -1 dB per dB over
    EXPECT_EQ(limiter.coarse[0], 32768);
    EXPECT_EQ(limiter.fine[0], 32768);
    EXPECT_EQ(limiter.coarse[1], 29204);
    EXPECT_EQ(limiter.coarse[6], 16422);
    EXPECT_EQ(limiter.coarse[20], 3276);
    EXPECT_EQ(limiter.coarse[127], 0);
    EXPECT_EQ(limiter.fine[1], 32753);
    EXPECT_EQ(limiter.fine[100], 31326);
    EXPECT_EQ(limiter.fine[255], 29217);

    CompressorContext half = make(kPeak, -20, 0.5f); // 2:1
    EXPECT_EQ(half.coarse[1], 30934);
    EXPECT_EQ(half.coarse[6], 23197);
    EXPECT_EQ(half.coarse[20], 10362);

    CompressorContext none = make(kPeak, -20, 2.0f); // slope above 1: no compression
    for (int k = 0; k < 128; ++k) ASSERT_EQ(none.coarse[k], 32768);
    for (int j = 0; j < 256; ++j) ASSERT_EQ(none.fine[j], 32768);
}

TEST(CompressorInit, HostileHeaderValuesStayDefined) {
    // Header words come from the file: degenerate rates and NaN must not reach a float-to-int
    // conversion out of range (UBSan checks this).
    for (int32_t rate : {0, 1, 127, -44100, std::numeric_limits<int32_t>::max()}) {
        CompressorContext c;
        mx::compressorInit(&c, std::nanf(""), std::nanf(""), std::nanf(""), 1e30f, rate, 1e30f,
                           1e30f, kRms);
        EXPECT_EQ(c.mode, kRms);
        int16_t out[256];
        auto acc = block(1000, -1000);
        mx::compressorProcess(&c, out, acc.data());
    }
}

TEST(CompressorDetectors, LevelsOfKnownSignals) {
    // Constant signals: the three detectors agree.
    for (int mode : {kRms, kPeak, kMean}) {
        EXPECT_EQ(measuredLevel(mode, block(16384, 16384)), -1541) << mode;
        EXPECT_EQ(measuredLevel(mode, block(-16384, 100)), -1541) << mode;
    }
    EXPECT_EQ(measuredLevel(kPeak, block(32767, 0)), 13867 - 13871);
    EXPECT_EQ(measuredLevel(kRms, block(32767, 0)), 12321 / 2 - 6165);
    EXPECT_EQ(measuredLevel(kPeak, block(100, 0)), 10240 - 23119);
    EXPECT_EQ(measuredLevel(kMean, block(0, 0)), -23119);
    EXPECT_EQ(measuredLevel(kRms, block(0, 0)), -10788);

    // One loud frame among silence: the peak sees it whole, RMS and mean average it away.
    std::vector<int32_t> click(256, 0);
    click[10] = 32000 * 256;
    EXPECT_EQ(measuredLevel(kPeak, click), 13819 - 13871);
    EXPECT_EQ(measuredLevel(kRms, click), 10682 / 2 - 10788);
    EXPECT_EQ(measuredLevel(kMean, click), 12277 - 23119);

    // Twenty voices at full scale: far past the 16-bit range, no overflow in the sums.
    int32_t big = 20 * 32767;
    EXPECT_EQ(measuredLevel(kRms, block(big, -big)), 13867 / 2 - 6165);
    EXPECT_EQ(measuredLevel(kPeak, block(big, -big)), 13867 - 13871);
    EXPECT_EQ(measuredLevel(kMean, block(-big, big)), 13867 - 13871);
    std::vector<int32_t> extreme(256);
    for (int i = 0; i < 256; ++i)
        extreme[i] =
            (i & 1) ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    for (int mode : {kRms, kPeak, kMean}) {
        CompressorContext c = make(mode, -20, 0.5f);
        int16_t out[256];
        mx::compressorProcess(&c, out, extreme.data());
        EXPECT_EQ(out[0], 32767);
        EXPECT_EQ(out[1], -32768);
    }
}

TEST(CompressorGain, SilenceKeepsUnityGain) {
    for (int mode : {kRms, kPeak, kMean}) {
        CompressorContext c = make(mode, -20, 0.5f);
        auto acc = block(0, 0);
        int16_t out[256];
        for (int k = 0; k < 50; ++k) {
            mx::compressorProcess(&c, out, acc.data());
            for (int16_t v : out) ASSERT_EQ(v, 0);
        }
        EXPECT_EQ(c.envelope, 0);
        EXPECT_EQ(c.gain, 32768) << mode;
    }
}

TEST(CompressorGain, RampAndProductAcrossOneBlock) {
    // Ceiling 0.5 on silence-level input: the gain ramps from 32767 to 16384 over the 256
    // values, by (16384 - 32767) / 256 = -63 per value.
    CompressorContext c = make(kPeak, -20, 0.5f, 0.0f, 0.5f);
    auto acc = block(8192, -8192);
    int16_t out[256];
    mx::compressorProcess(&c, out, acc.data());
    // Gain g times -0.25 rounds down (arithmetic shifts).
    auto negQuarter = [](int g) { return static_cast<int>(std::floor(-g / 4.0)); };
    EXPECT_EQ(out[0], 32767 / 4);
    EXPECT_EQ(out[1], negQuarter(32767 - 63));
    EXPECT_EQ(out[254], (32767 - 63 * 254) / 4);
    EXPECT_EQ(out[255], negQuarter(32767 - 63 * 255));
    EXPECT_EQ(c.gain, 16384);
    mx::compressorProcess(&c, out, acc.data());
    for (int i = 0; i < 256; i += 2) {
        ASSERT_EQ(out[i], 4096);
        ASSERT_EQ(out[i + 1], -4096);
    }
}

TEST(CompressorGain, MakeupCeilingAndSaturation) {
    // +6 dB make-up under a generous ceiling doubles (510/256) a quiet signal.
    CompressorContext loud = make(kMean, -20, 0.5f, 6.0f, 4.0f);
    auto quiet = block(1000, -1000);
    int16_t out[256];
    for (int k = 0; k < 3; ++k) mx::compressorProcess(&loud, out, quiet.data());
    EXPECT_EQ(loud.gain, 32768 * 510 / 256);
    EXPECT_NEAR(out[0], 1992, 1);
    EXPECT_NEAR(out[1], -1992, 1);

    // The same make-up under a unity ceiling is held at unity.
    CompressorContext held = make(kMean, -20, 0.5f, 6.0f, 1.0f);
    for (int k = 0; k < 3; ++k) mx::compressorProcess(&held, out, quiet.data());
    EXPECT_EQ(held.gain, 32768);
    EXPECT_NEAR(out[0], 1000, 1);

    // Gain above unity saturates at both ends of the 16-bit range.
    CompressorContext boost = make(kMean, 0, 1.0f, 12.0f, 8.0f);
    auto hot = block(30000, -30000);
    for (int k = 0; k < 3; ++k) mx::compressorProcess(&boost, out, hot.data());
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
}

TEST(CompressorGain, ConvergesToTheRatioAndRecovers) {
    // Constant -6.02 dB against a -20 dB threshold at 2:1: 13.98 dB over, so the gain settles
    // near -6.99 dB. Then silence releases it back to unity.
    for (int mode : {kRms, kPeak, kMean}) {
        CompressorContext c = make(mode, -20, 0.5f);
        auto acc = block(16384, 16384);
        int16_t out[256];
        for (int k = 0; k < 400; ++k) mx::compressorProcess(&c, out, acc.data());
        double expected = 32768.0 * std::pow(10.0, ((-1541.0 + 5120.0) / 256.0) * -0.5 / 20.0);
        EXPECT_NEAR(c.gain, expected, expected * 0.005) << mode;
        EXPECT_NEAR(out[100], 16384.0 * expected / 32768.0, 40.0) << mode;

        auto silence = block(0, 0);
        for (int k = 0; k < 2000; ++k) mx::compressorProcess(&c, out, silence.data());
        EXPECT_GT(c.gain, 32500) << mode;
    }
}

// The frequency variant on the same signal, as overlap halves with 9 fractional bits.
struct FreqBlock {
    std::vector<int32_t> left = std::vector<int32_t>(256);
    std::vector<int32_t> right = std::vector<int32_t>(256);
};

FreqBlock freqFrom(const std::vector<int32_t>& acc) {
    FreqBlock b;
    for (int f = 0; f < 128; ++f) {
        b.left[f] = acc[2 * f];
        b.left[128 + f] = acc[2 * f];
        b.right[f] = acc[2 * f + 1];
        b.right[128 + f] = acc[2 * f + 1];
    }
    return b;
}

TEST(CompressorFreq, GainFollowsTheSampleVariant) {
    for (int mode : {kRms, kPeak, kMean}) {
        CompressorContext a = make(mode, -30, 0.25f);
        CompressorContext b = make(mode, -30, 0.25f);
        int16_t outA[256], outB[256];
        for (int k = 0; k < 200; ++k) {
            std::vector<int32_t> acc(256);
            int amp = static_cast<int>(20000 * std::fabs(std::sin(k * 0.1)));
            for (int f = 0; f < 128; ++f) {
                acc[2 * f] = static_cast<int32_t>(amp * std::sin(f * 0.3) * 256);
                acc[2 * f + 1] = static_cast<int32_t>(amp * std::cos(f * 0.2) * 128);
            }
            FreqBlock fb = freqFrom(acc);
            mx::compressorProcess(&a, outA, acc.data());
            mx::compressorProcessFreq(&b, outB, fb.left.data(), fb.right.data());
            ASSERT_EQ(a.envelope, b.envelope) << mode << " block " << k;
            ASSERT_EQ(a.gain, b.gain) << mode << " block " << k;
        }
    }
}

TEST(CompressorFreq, PerFrameRampSaturationAndSquareClamp) {
    CompressorContext c = make(kPeak, -20, 0.5f, 0.0f, 0.5f);
    FreqBlock fb = freqFrom(block(8192, 8192));
    int16_t out[256];
    mx::compressorProcessFreq(&c, out, fb.left.data(), fb.right.data());
    // One gain step of (16384 - 32767) / 128 = -127 per frame, the same on both channels.
    EXPECT_EQ(out[0], 32767 / 4);
    EXPECT_EQ(out[1], 32767 / 4);
    EXPECT_EQ(out[254], (32767 - 127 * 127) / 4);
    EXPECT_EQ(out[255], (32767 - 127 * 127) / 4);
    EXPECT_EQ(c.gain, 16384);

    CompressorContext boost = make(kMean, 0, 1.0f, 12.0f, 8.0f);
    FreqBlock hot = freqFrom(block(30000, -30000));
    for (int k = 0; k < 3; ++k)
        mx::compressorProcessFreq(&boost, out, hot.left.data(), hot.right.data());
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);

    // Squares are clamped to the 16-bit range, so an overloaded block reads as the top level.
    CompressorContext rms = make(kRms, -200, 1.0f);
    FreqBlock over = freqFrom(block(20 * 32767, -20 * 32767));
    mx::compressorProcessFreq(&rms, out, over.left.data(), over.right.data());
    EXPECT_EQ(rms.previousOver + rms.threshold, 13867 / 2 - 6165);
}

} // namespace
