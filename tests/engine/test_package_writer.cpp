// Package writer, WAV and ADPCM encoders: byte layout read back by an independent parser.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "test_support.h"

namespace {

int32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                (uint32_t(b.at(at + 3)) << 24));
}
int16_t le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int16_t>(b.at(at) | (b.at(at + 1) << 8));
}

struct ParsedChunk {
    int32_t size;
    size_t body; // offset of the body in the file
};

// Walks the chunks; the end marker's body offset is where the data area starts.
std::map<int, ParsedChunk> chunks(const std::vector<uint8_t>& b,
                                  std::vector<int>* order = nullptr) {
    std::map<int, ParsedChunk> out;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        int32_t size = le32(b, at);
        int type = le16(b, at + 6);
        EXPECT_EQ(le16(b, at + 4), 0);
        out[type] = {size, at + 8};
        if (order) order->push_back(type);
        if (type == 18) break;
        at += 8 + size;
    }
    return out;
}

TEST(PackageWriter, HeaderTablesAndPoolsAreLaidOutInOrder) {
    mxp4w::PackageWriter w;
    w.version = 1;
    w.headerWord2 = 77;
    w.header[6] = 22050;
    w.header[19] = -5;
    int32_t s0 = w.addString("alpha");
    int32_t s1 = w.addString("be");
    int32_t t0 = w.addText({"Bonjour", "Hello"});
    EXPECT_EQ(s0, 0);
    EXPECT_EQ(s1, 1);
    EXPECT_EQ(t0, 0);
    EXPECT_EQ(w.addMatrix({1, 2, 3}), 0);
    EXPECT_EQ(w.addMatrix({4}), 3);
    mxp4w::Track t;
    t.flags = 3;
    t.keepPriority = 9;
    t.node = 2;
    t.name = s1;
    w.tracks.push_back(t);

    std::vector<uint8_t> b = w.build();
    ASSERT_GE(b.size(), 12u);
    EXPECT_EQ(std::memcmp(b.data(), "mxp4", 4), 0);
    EXPECT_EQ(le32(b, 4), 1);
    EXPECT_EQ(le32(b, 8), 77);

    std::vector<int> order;
    auto c = chunks(b, &order);
    EXPECT_EQ(order,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(c[1].size, 80);
    EXPECT_EQ(le32(b, c[1].body + 24), 22050);
    EXPECT_EQ(le32(b, c[1].body + 76), -5);

    // Track: count, record size, flags, keep priority, -1 - node, name.
    EXPECT_EQ(le32(b, c[2].body), 1);
    EXPECT_EQ(le32(b, c[2].body + 4), 16);
    EXPECT_EQ(le32(b, c[2].body + 8), 3);
    EXPECT_EQ(le32(b, c[2].body + 12), 9);
    EXPECT_EQ(le32(b, c[2].body + 16), -3);
    EXPECT_EQ(le32(b, c[2].body + 20), 1);
    // Known record sizes of the empty tables.
    const std::map<int, int32_t> sizes = {{3, 68}, {4, 32}, {5, 12},  {6, 28},  {7, 8},
                                          {8, 16}, {9, 36}, {10, 12}, {11, 16}, {15, 16}};
    for (auto [type, size] : sizes) {
        EXPECT_EQ(le32(b, c[type].body), 0) << type;
        EXPECT_EQ(le32(b, c[type].body + 4), size) << type;
        EXPECT_EQ(c[type].size, 8) << type;
    }

    // Affinity blob, string offsets and pool, text offsets and pool.
    EXPECT_EQ(le32(b, c[12].body), 4);
    EXPECT_EQ(b[c[12].body + 4 + 3], 4);
    EXPECT_EQ(le32(b, c[13].body), 2);
    EXPECT_EQ(le32(b, c[13].body + 4), 4);
    EXPECT_EQ(le32(b, c[13].body + 8), 0);
    EXPECT_EQ(le32(b, c[13].body + 12), 6);
    EXPECT_EQ(le32(b, c[16].body), 9);
    EXPECT_EQ(std::memcmp(&b[c[16].body + 4], "alpha\0be\0", 9), 0);
    EXPECT_EQ(le32(b, c[17].body), 14);
    EXPECT_EQ(std::memcmp(&b[c[17].body + 4], "Bonjour\0Hello\0", 14), 0);
    EXPECT_EQ(c[18].size, 0);
    EXPECT_EQ(c[18].body, b.size()); // no resources: nothing after the end marker
}

TEST(PackageWriter, RecordSizeOverridesPadAndTruncate) {
    mxp4w::PackageWriter w;
    w.options.push_back({5, -1, 300});
    w.options.push_back({6, -1, 0});
    w.recordSize[5] = 20;
    w.recordSize[2] = 8;
    w.tracks.push_back({});
    w.recordSize[1] = 100;
    std::vector<uint8_t> b = w.build();
    auto c = chunks(b);
    EXPECT_EQ(c[1].size, 100);
    EXPECT_EQ(le32(b, c[5].body + 4), 20);
    EXPECT_EQ(c[5].size, 8 + 2 * 20);
    EXPECT_EQ(le32(b, c[5].body + 8), 5);
    EXPECT_EQ(le32(b, c[5].body + 16), 300);
    EXPECT_EQ(le32(b, c[5].body + 20), 0); // padding
    EXPECT_EQ(le32(b, c[5].body + 28), 6);
    EXPECT_EQ(c[2].size, 8 + 8);
}

TEST(PackageWriter, OmittedAndExtraChunks) {
    mxp4w::PackageWriter w;
    w.omitChunks = {4, 16};
    w.extraChunks.push_back({12, 3, {9, 9, 9}});
    w.extraChunks.push_back({18, -1, {}});
    std::vector<int> order;
    chunks(w.build(), &order);
    EXPECT_EQ(order,
              (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 12, 18}));
}

TEST(PackageWriter, EmbeddedResourcesFollowTheEndMarker) {
    mxp4w::PackageWriter w;
    mxp4w::Resource a, z, bad;
    a.kind = 2;
    a.data = {1, 2, 3};
    z.kind = 4;
    z.data = {7, 8};
    z.name = w.addString("z.adp");
    bad.length = -1;
    w.resources = {a, z, bad};
    std::vector<uint8_t> b = w.build();
    auto c = chunks(b);
    size_t r = c[15].body + 8;
    EXPECT_EQ(le32(b, c[15].body), 3);
    EXPECT_EQ(le32(b, r + 0), -1);
    EXPECT_EQ(le16(b, r + 4), 2);
    EXPECT_EQ(le32(b, r + 6), 0);
    EXPECT_EQ(le32(b, r + 12), 3);
    EXPECT_EQ(le32(b, r + 16), 0);
    EXPECT_EQ(le16(b, r + 20), 4);
    EXPECT_EQ(le32(b, r + 22), 3);
    EXPECT_EQ(le32(b, r + 28), 2);
    EXPECT_EQ(le32(b, r + 44), -1);
    size_t data = c[18].body;
    ASSERT_EQ(b.size(), data + 5);
    EXPECT_EQ(b[data + 0], 1);
    EXPECT_EQ(b[data + 3], 7);
}

TEST(PackageWriter, ExternalResourcesAreWrittenBesideThePackage) {
    ts::TempDir dir;
    mxp4w::PackageWriter w;
    w.embedResources = false;
    mxp4w::Resource r;
    r.name = w.addString("voice.wav");
    r.data = {4, 5, 6};
    w.resources.push_back(r);
    std::string path = ts::writePackage(w, dir, "p.mxp4");
    std::vector<uint8_t> b = ts::readBytes(path);
    std::vector<int> order;
    chunks(b, &order);
    EXPECT_EQ(order.back(), 17); // no end marker
    EXPECT_EQ(ts::readBytes(dir.file("voice.wav")), (std::vector<uint8_t>{4, 5, 6}));

    mxp4w::PackageWriter unnamed;
    unnamed.embedResources = false;
    unnamed.resources.push_back({-1, 2, -2, {1}});
    std::string error;
    EXPECT_FALSE(unnamed.write(dir.file("q.mxp4"), &error));
    EXPECT_FALSE(error.empty());
}

TEST(WavBytes, HeaderDescribesTheSamples) {
    std::vector<int16_t> s = {1, -2, 3, -4, 32767, -32768};
    std::vector<uint8_t> b = ts::wavBytes(s, 2, 22050);
    ASSERT_EQ(b.size(), 44u + 12u);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(le32(b, 4), int32_t(b.size() - 8));
    EXPECT_EQ(std::memcmp(&b[12], "fmt ", 4), 0);
    EXPECT_EQ(le16(b, 20), 1);
    EXPECT_EQ(le16(b, 22), 2);
    EXPECT_EQ(le32(b, 24), 22050);
    EXPECT_EQ(le32(b, 28), 22050 * 4);
    EXPECT_EQ(le16(b, 34), 16);
    EXPECT_EQ(std::memcmp(&b[36], "data", 4), 0);
    EXPECT_EQ(le32(b, 40), 12);
    EXPECT_EQ(le16(b, 44 + 10), -32768);

    std::vector<uint8_t> padded = ts::wavBytes(s, 1, 8000, 1001);
    EXPECT_EQ(le32(padded, 4), int32_t(padded.size() - 8));
    EXPECT_EQ(std::memcmp(&padded[36 + 8 + 1002], "data", 4), 0);
}

TEST(Adpcm, EncoderTracksTheDecoder) {
    std::vector<int16_t> in = ts::sineStereo(4000, 440, 660, 0.5);
    std::vector<uint8_t> enc = ts::adpcmEncode(in);
    ASSERT_EQ(enc.size(), 12u + 4000u);
    EXPECT_EQ(std::memcmp(enc.data(), "ADPs", 4), 0);
    EXPECT_EQ(le16(enc, 4), in[0]);
    EXPECT_EQ(le16(enc, 8), in[1]);
    std::vector<int16_t> out = ts::adpcmDecode(enc);
    ASSERT_EQ(out.size(), in.size());
    double err = 0, sig = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        err += std::pow(double(out[i]) - in[i], 2);
        sig += std::pow(double(in[i]), 2);
    }
    EXPECT_GT(10 * std::log10(sig / err), 25.0); // 4-bit ADPCM of a sine: well above 25 dB SNR
}

TEST(Adpcm, DecoderSaturatesAndKeepsTheStepIndexInRange) {
    // Largest positive codes from near the top: the predictor must stop at 32767.
    std::vector<uint8_t> b = ts::adpcmHeader({32000, 88}, {-32000, 88});
    b.insert(b.end(), 4, 0x7F); // left +7, right -7
    std::vector<int16_t> out = ts::adpcmDecode(b);
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    // Out-of-range indexes in the header are held to 0..88 (step 7 at index 0).
    std::vector<uint8_t> low = ts::adpcmHeader({0, -5}, {0, 200});
    low.push_back(0x11);
    out = ts::adpcmDecode(low);
    EXPECT_EQ(out[0], (7 * 3) >> 3);
    EXPECT_EQ(out[1], (32767 * 3) >> 3);
    EXPECT_TRUE(ts::adpcmDecode({'A', 'D', 'P', 'x', 0, 0, 0, 0, 0, 0, 0, 0}).empty());
}

TEST(Synthesis, GeneratorsAreDeterministicAndBounded) {
    EXPECT_EQ(ts::noise(100, 2, 1.0, 5), ts::noise(100, 2, 1.0, 5));
    EXPECT_NE(ts::noise(100, 2, 1.0, 5), ts::noise(100, 2, 1.0, 6));
    std::vector<int16_t> s = ts::sineMono(44100, 1000, 2.0);
    for (int16_t v : s) EXPECT_GE(v, -32767);
    std::vector<int16_t> d = ts::decayingTone(44100, 2, 440, 1.0, 0.05);
    int early = 0, late = 0;
    for (int i = 0; i < 2000; ++i) early = std::max(early, std::abs(int(d[2 * i])));
    for (int i = 40000; i < 42000; ++i) late = std::max(late, std::abs(int(d[2 * i])));
    EXPECT_GT(early, 20000);
    EXPECT_LT(late, 100);
    EXPECT_EQ(d[0], d[1]);
}

} // namespace
