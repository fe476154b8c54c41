// Decoding checks run against each decoder: valid headers, exact length, quality, bit rate.
#include "decoded.h"
#include "signals.h"
#include "vorbis_short/encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace vshort_test {
namespace {

std::vector<uint8_t> encode(const Pcm& in, int rate = 44100, float quality = 0.5f) {
    vshort::EncoderOptions opt;
    opt.sampleRate = rate;
    opt.quality = quality;
    return vshort::encodeStereo(in.data(), in.size() / 2, opt);
}

TEST(Decode, HeadersDescribeAShortBlockStereoStream) {
    const Pcm in = sines(48000, 4800, 440, 660, 8000);
    const Decoded d = decodeStream(encode(in, 48000));
    ASSERT_TRUE(d.opened);
    EXPECT_TRUE(d.clean);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_EQ(d.blockSizes[0], 256);
    EXPECT_EQ(d.blockSizes[1], 256);
}

TEST(Decode, LengthIsExactlyTheInputLength) {
    // Around block and page boundaries, and a stream shorter than one block.
    for (size_t frames : {size_t{1}, size_t{127}, size_t{128}, size_t{129}, size_t{255},
                          size_t{256}, size_t{257}, size_t{4410}, size_t{30001}}) {
        SCOPED_TRACE(frames);
        const Pcm in = sines(44100, frames, 1000, 300, 12000);
        const Decoded d = decodeStream(encode(in));
        ASSERT_TRUE(d.opened);
        EXPECT_TRUE(d.clean);
        EXPECT_EQ(d.total, static_cast<int64_t>(frames));
        EXPECT_EQ(d.pcm.size(), in.size());
    }
}

TEST(Decode, OutOfRangeOptionsStillGiveValidStreams) {
    const Pcm in = sines(8000, 3000, 440, 660, 8000);
    struct Case {
        int rate;
        float quality;
        int ceiling;
    };
    // The last one: a rate whose nominal bit rate would not fit the header's field.
    for (const Case& c : {Case{8000, std::nanf(""), 256000}, Case{8000, -3.0f, 256000},
                          Case{96000, 7.0f, 256000}, Case{2000000000, 0.5f, 0}}) {
        SCOPED_TRACE(c.rate);
        SCOPED_TRACE(c.quality);
        vshort::EncoderOptions opt;
        opt.sampleRate = c.rate;
        opt.quality = c.quality;
        opt.maxBitrate = c.ceiling;
        const Decoded d = decodeStream(vshort::encodeStereo(in.data(), in.size() / 2, opt));
        ASSERT_TRUE(d.opened);
        EXPECT_TRUE(d.clean);
        EXPECT_EQ(d.rate, c.rate);
        ASSERT_EQ(d.pcm.size(), in.size());
        EXPECT_GT(snrDb(in, d.pcm), 10.0);
    }
}

TEST(Decode, EmptyInputIsAValidEmptyStream) {
    const Pcm in;
    const Decoded d = decodeStream(encode(in));
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.total, 0);
    EXPECT_TRUE(d.pcm.empty());
}

TEST(Decode, MusicLikeMaterialMeetsQualityAndBitRate) {
    const Pcm in = musicLike(44100, 6.0);
    const std::vector<uint8_t> stream = encode(in);
    const Decoded d = decodeStream(stream);
    ASSERT_TRUE(d.opened);
    EXPECT_TRUE(d.clean);
    ASSERT_EQ(d.pcm.size(), in.size());
    const double snr = snrDb(in, d.pcm);
    const double rate = kbps(stream.size(), in.size() / 2, 44100); // headers included
    std::printf("music-like, 44.1 kHz: %.2f dB SNR at %.1f kb/s\n", snr, rate);
    EXPECT_GE(snr, 25.0);
    EXPECT_LE(rate, 256.0);
    EXPECT_LE(d.bitrate, 256000);
}

TEST(Decode, SinesKeepTheirQuality) {
    struct Case {
        double left, right, amplitude;
    };
    for (const Case& c : {Case{440, 660, 8000}, Case{50, 15000, 20000}, Case{1000, 1000, 30000},
                          Case{3000, 7000, 300}, Case{100, 12345, 60}}) {
        SCOPED_TRACE(c.left);
        SCOPED_TRACE(c.amplitude);
        const Pcm in = sines(44100, 44100, c.left, c.right, c.amplitude);
        const std::vector<uint8_t> stream = encode(in);
        const Decoded d = decodeStream(stream);
        ASSERT_EQ(d.pcm.size(), in.size());
        const double snr = snrDb(in, d.pcm);
        std::printf("sines %.0f/%.0f Hz at %.0f: %.2f dB SNR at %.1f kb/s\n", c.left, c.right,
                    c.amplitude, snr, kbps(stream.size(), in.size() / 2, 44100));
        EXPECT_GE(snr, 25.0);
    }
}

TEST(Decode, ExtremeMaterialStaysAccurate) {
    const size_t frames = 22050;
    Pcm nyquist(2 * frames), dc(2 * frames), clicks(2 * frames, 0), steps(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        nyquist[2 * i] = nyquist[2 * i + 1] = (i & 1) ? 32767 : -32768;
        dc[2 * i] = -32768;
        dc[2 * i + 1] = 32767;
        steps[2 * i] = (i / 300) % 2 ? 30000 : -30000;
        steps[2 * i + 1] = (i / 77) % 2 ? 20000 : -20000;
    }
    for (size_t i = 0; i < frames; i += 1000) clicks[2 * i] = clicks[2 * i + 1 + 2] = 32767;
    for (const Pcm* in : {&nyquist, &dc, &clicks, &steps}) {
        const std::vector<uint8_t> stream = encode(*in);
        const Decoded d = decodeStream(stream);
        ASSERT_TRUE(d.clean);
        ASSERT_EQ(d.pcm.size(), in->size());
        EXPECT_GE(snrDb(*in, d.pcm), 25.0);
        EXPECT_LE(kbps(audioPageBytes(stream), frames, 44100), 256.0);
    }
}

TEST(Decode, SilenceStaysSilent) {
    Pcm in(2 * 44100, 0);
    Decoded d = decodeStream(encode(in));
    ASSERT_EQ(d.pcm.size(), in.size());
    EXPECT_EQ(d.pcm, in);

    // A gap between two tones: away from the tones' last and first blocks, exact zeros.
    in = sines(44100, 3 * 22050, 440, 550, 10000);
    for (size_t i = 2 * 22050; i < 4 * 22050; ++i) in[i] = 0;
    d = decodeStream(encode(in));
    ASSERT_EQ(d.pcm.size(), in.size());
    for (size_t i = 2 * (22050 + 256); i < 2 * (2 * 22050 - 256); ++i)
        ASSERT_EQ(d.pcm[i], 0) << "at " << i;

    // A silent right channel stays exactly silent while the left one plays.
    in = musicLike(44100, 2.0);
    for (size_t i = 1; i < in.size(); i += 2) in[i] = 0;
    d = decodeStream(encode(in));
    ASSERT_EQ(d.pcm.size(), in.size());
    for (size_t i = 1; i < in.size(); i += 2) ASSERT_EQ(d.pcm[i], 0) << "at " << i;
    EXPECT_GE(snrDb(in, d.pcm), 25.0);
}

TEST(Decode, BitRateCeilingHoldsOnDenseMaterial) {
    // Independent white noise on both channels: the most expensive material there is.
    Pcm in(2 * 44100 * 2);
    uint32_t state = 1;
    for (int16_t& v : in) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<int16_t>(static_cast<int32_t>(state >> 16) - 32768) / 4;
    }
    for (int ceiling : {256000, 128000}) {
        vshort::EncoderOptions opt;
        opt.maxBitrate = ceiling;
        const std::vector<uint8_t> stream = vshort::encodeStereo(in.data(), in.size() / 2, opt);
        const Decoded d = decodeStream(stream);
        ASSERT_TRUE(d.clean);
        ASSERT_EQ(d.pcm.size(), in.size());
        const double rate = kbps(audioPageBytes(stream), in.size() / 2, 44100);
        const double snr = snrDb(in, d.pcm);
        std::printf("white noise, ceiling %d kb/s: %.2f dB SNR at %.1f kb/s (audio pages)\n",
                    ceiling / 1000, snr, rate);
        EXPECT_LE(rate, ceiling / 1000.0);
        EXPECT_LE(d.bitrate, ceiling);           // as the decoder sees it
        EXPECT_GE(rate, 0.9 * ceiling / 1000.0); // the ceiling is used, not undershot
        EXPECT_GE(snr, ceiling == 256000 ? 12.0 : 4.0);
    }
}

TEST(Decode, QualityTradesBitsForAccuracy) {
    const Pcm in = musicLike(44100, 2.0);
    double lastSnr = 0;
    size_t lastSize = 0;
    for (float q : {0.0f, 0.5f, 1.0f}) {
        const std::vector<uint8_t> stream = encode(in, 44100, q);
        const Decoded d = decodeStream(stream);
        ASSERT_EQ(d.pcm.size(), in.size());
        const double snr = snrDb(in, d.pcm);
        std::printf("quality %.1f: %.2f dB SNR at %.1f kb/s\n", q, snr,
                    kbps(stream.size(), in.size() / 2, 44100));
        EXPECT_GT(snr, lastSnr + 5);
        EXPECT_GT(stream.size(), lastSize);
        lastSnr = snr;
        lastSize = stream.size();
    }
}

} // namespace
} // namespace vshort_test
