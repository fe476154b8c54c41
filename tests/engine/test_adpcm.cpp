// IMA ADPCM resources: header checks, decoding against an independent model, saturation and
// step index bounds, in-place decoding in a buffer of exactly four bytes per frame.
#include <gtest/gtest.h>

#include <random>

#include "adpcm.h"
#include "sources_fixture.h"

namespace {

using srct::openVoice;
using srct::resource;

std::vector<uint8_t> withCodes(std::vector<uint8_t> header, size_t frames, uint8_t code) {
    header.insert(header.end(), frames, code);
    return header;
}

mxp4w::AdpcmChannelState state(int32_t predictor, int32_t index) {
    mxp4w::AdpcmChannelState s;
    s.predictor = predictor;
    s.stepIndex = index;
    return s;
}

// Raw header bytes, for step indexes the encoder's helper would not write.
std::vector<uint8_t> rawHeader(int16_t lp, int16_t li, int16_t rp, int16_t ri) {
    std::vector<uint8_t> h = {'A', 'D', 'P', 's'};
    for (int16_t v : {lp, li, rp, ri}) {
        h.push_back(static_cast<uint8_t>(v & 0xff));
        h.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
    }
    return h;
}

TEST(Adpcm, HeaderMustBeComplete) {
    ts::TempDir dir;
    std::vector<uint8_t> badTag = rawHeader(0, 0, 0, 0);
    badTag[3] = 'S';
    std::vector<uint8_t> shortHeader = rawHeader(0, 0, 0, 0);
    shortHeader.resize(11);
    auto w = srct::writerWith({resource(4, withCodes(badTag, 64, 0x11)), resource(4, shortHeader),
                               resource(4, withCodes(rawHeader(0, 0, 0, 0), 64, 0x11))});
    auto p = srct::load(w, dir);
    ASSERT_TRUE(p);
    EXPECT_EQ(openVoice(p.get(), 0), 0);
    EXPECT_FALSE(p->mix->voices[0].src.fileOpen) << "a failed open closes its file";
    EXPECT_EQ(openVoice(p.get(), 1), 0);
    int32_t ch = -1;
    EXPECT_EQ(openVoice(p.get(), 2, 0, &ch), 1);
    EXPECT_EQ(ch, 1);
}

TEST(Adpcm, DecodesLikeTheReferenceModel) {
    ts::TempDir dir;
    std::vector<int16_t> music = ts::noise(3001, 2, 0.3, 7);
    std::vector<int16_t> tone = ts::sineStereo(3001, 440, 660, 0.9);
    for (size_t i = 0; i < music.size(); ++i)
        music[i] = static_cast<int16_t>(music[i] / 2 + tone[i] / 2);
    std::vector<uint8_t> bytes = ts::adpcmEncode(music, 20);
    std::vector<int16_t> expected = ts::adpcmDecode(bytes);
    ASSERT_EQ(expected.size(), music.size());

    auto p = srct::load(srct::writerWith({resource(4, bytes)}), dir);
    ASSERT_TRUE(p);
    ASSERT_EQ(openVoice(p.get(), 0), 1);
    // Odd chunk sizes and a one-frame read exercise the in-place layout at its edges; each
    // buffer is exactly four bytes per frame, so an overrun shows under the sanitizers.
    std::vector<int16_t> got;
    mx::Voice* v = &p->mix->voices[0];
    for (int chunk : {1, 7, 500, 1, 2048}) {
        std::vector<int16_t> buf(static_cast<size_t>(chunk) * 2);
        int32_t n = mx::rscAudioRead(p.get(), v, buf.data(), chunk);
        got.insert(got.end(), buf.begin(), buf.begin() + n * 2);
    }
    std::vector<int16_t> rest = srct::readAll(p.get(), 0, 333, 2);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, expected);
}

TEST(Adpcm, PredictorSaturatesAtBothEnds) {
    ts::TempDir dir;
    // Largest positive codes from near the top, largest negative from near the bottom; the
    // right channel crosses the whole range the other way without wrapping.
    auto up = withCodes(ts::adpcmHeader(state(32000, 60), state(-32000, 60)), 40, 0x77);
    auto down = withCodes(ts::adpcmHeader(state(-32000, 60), state(32000, 60)), 40, 0xff);
    auto p = srct::load(srct::writerWith({resource(4, up), resource(4, down)}), dir);
    ASSERT_TRUE(p);

    ASSERT_EQ(openVoice(p.get(), 0), 1);
    std::vector<int16_t> a = srct::readAll(p.get(), 0, 40, 2);
    ASSERT_EQ(a.size(), 80u);
    for (size_t j = 0; j < 40; ++j) EXPECT_EQ(a[2 * j], 32767) << "left frame " << j;
    for (size_t j = 1; j < 40; ++j) EXPECT_GE(a[2 * j + 1], a[2 * j - 1]);
    EXPECT_EQ(a.back(), 32767);
    srct::closeVoice(p.get());

    ASSERT_EQ(openVoice(p.get(), 1), 1);
    std::vector<int16_t> b = srct::readAll(p.get(), 0, 40, 2);
    ASSERT_EQ(b.size(), 80u);
    for (size_t j = 0; j < 40; ++j) EXPECT_EQ(b[2 * j], -32768) << "left frame " << j;
    for (size_t j = 1; j < 40; ++j) EXPECT_LE(b[2 * j + 1], b[2 * j - 1]);
    EXPECT_EQ(b.back(), -32768);
}

TEST(Adpcm, StepIndexStaysInTable) {
    ts::TempDir dir;
    // Magnitude 7 raises the index by 8 per code, magnitude 0 lowers it by 1; the header's
    // indexes are hostile and must be clamped before the first lookup.
    auto high = withCodes(rawHeader(0, 500, 0, -300), 100, 0x70);
    auto low = withCodes(rawHeader(0, 88, 0, 3), 200, 0x08);
    auto p = srct::load(srct::writerWith({resource(4, high), resource(4, low)}), dir);
    ASSERT_TRUE(p);
    mx::VoiceSource& s = p->mix->voices[0].src;

    ASSERT_EQ(openVoice(p.get(), 0), 1);
    EXPECT_EQ(s.stepIndex[0], 88);
    EXPECT_EQ(s.stepIndex[1], 0);
    int16_t buf[2];
    // Index 88 steps 32767: the first code saturates; the right channel with code 0 steps 7.
    ASSERT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf, 1), 1);
    EXPECT_EQ(buf[0], 32767);
    EXPECT_EQ(buf[1], (7 * 1) >> 3);
    for (int i = 0; i < 99; ++i) {
        ASSERT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf, 1), 1);
        EXPECT_EQ(s.stepIndex[0], 88);
        EXPECT_EQ(s.stepIndex[1], 0);
    }
    srct::closeVoice(p.get());

    ASSERT_EQ(openVoice(p.get(), 1), 1);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf, 1), 1);
        EXPECT_EQ(s.stepIndex[0], 88 - std::min(i + 1, 88));
        EXPECT_EQ(s.stepIndex[1], std::max(3 - (i + 1), 0));
    }
}

TEST(Adpcm, ReadsStopAtTheResourceEnd) {
    ts::TempDir dir;
    auto bytes = withCodes(ts::adpcmHeader(state(0, 10), state(0, 10)), 100, 0x12);
    mxp4w::Resource r = resource(4, bytes);
    r.length = 12 + 60; // the last 40 codes lie outside the resource
    auto p = srct::load(srct::writerWith({r, resource(4, bytes)}), dir);
    ASSERT_TRUE(p);
    ASSERT_EQ(openVoice(p.get(), 0), 1);
    std::vector<int16_t> buf(400);
    EXPECT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf.data(), 200), 60);
    EXPECT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf.data(), 200), 0);
}

} // namespace
