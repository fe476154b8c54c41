// The encoder's building blocks checked against the decoder-side definitions they must match.
#include "signals.h"
#include "vorbis_short/codebook.h"
#include "vorbis_short/encoder.h"
#include "vorbis_short/floor1.h"
#include "vorbis_short/mdct.h"
#include "vorbis_short/residue.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

using namespace vshort;

constexpr double kPi = 3.14159265358979323846;

TEST(Codebook, CodewordsFollowTheDecodersAssignment) {
    // Each entry takes the lowest free code word of its length, in entry order.
    const std::vector<uint32_t> codes = assignCodewords({2, 4, 4, 4, 4, 2, 3, 3});
    const std::vector<uint32_t> expected = {0b00,   0b0100, 0b0101, 0b0110,
                                            0b0111, 0b10,   0b110,  0b111};
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(assignCodewords({3, 1, 2, 3}), (std::vector<uint32_t>{0b000, 0b1, 0b01, 0b001}));
    // Sparse: entries of length 0 take no code word.
    EXPECT_EQ(assignCodewords({2, 0, 1, 0, 2}), (std::vector<uint32_t>{0b00, 0, 0b1, 0, 0b01}));
    EXPECT_TRUE(assignCodewords({1, 1, 1}).empty()); // over-full
    EXPECT_TRUE(assignCodewords({1, 2}).empty());    // incomplete: decoders refuse it
}

TEST(Codebook, HuffmanLengthsAreCompleteAndBounded) {
    // Fibonacci counts push an unbounded Huffman code to one more bit per entry.
    std::vector<uint64_t> counts = {1, 1};
    while (counts.size() < 40)
        counts.push_back(counts[counts.size() - 1] + counts[counts.size() - 2]);
    counts.push_back(0);
    const std::vector<uint8_t> lengths = huffmanLengths(counts, 24);
    double kraft = 0;
    for (uint8_t l : lengths) {
        EXPECT_GE(l, 1);
        EXPECT_LE(l, 24);
        kraft += std::ldexp(1.0, -l);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    EXPECT_FALSE(assignCodewords(lengths).empty());
    EXPECT_LT(lengths.back(), 25);
    EXPECT_LE(lengths[39], lengths[0]); // the frequent entry is never the longer one
}

TEST(Codebook, FloatsUnpackToTheirValues) {
    auto unpack = [](uint32_t x) {
        double m = x & 0x1fffff;
        if (x & 0x80000000u) m = -m;
        return std::ldexp(m, static_cast<int>((x & 0x7fe00000u) >> 21) - 788);
    };
    for (double v : {1.0, -1.0, -8.0, 17.0, -2312.0, 289.0, 0.5, -123456.75})
        EXPECT_DOUBLE_EQ(unpack(packFloat(v)), v) << v;
    EXPECT_NEAR(unpack(packFloat(3.0e-7)), 3.0e-7, 3.0e-7 * 1e-6); // 21-bit mantissa
    EXPECT_EQ(unpack(packFloat(0.0)), 0.0);
}

TEST(Mdct, MatchesTheDefinitionAndReconstructs) {
    // MDCT definition with the decoders' phase, and their unscaled inverse.
    const Mdct256 mdct;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1, 1);
    std::vector<float> x(kBlockSize * 4);
    for (float& v : x) v = u(rng);
    auto cosine = [](int n, int k) {
        return std::cos(2 * kPi / kBlockSize * (n + 0.5 + kBlockSize / 4.0) * (k + 0.5));
    };
    std::vector<double> out(x.size() + kBlockSize, 0.0);
    for (size_t start = 0; start + kBlockSize <= x.size(); start += kHalfBlock) {
        float coef[kHalfBlock];
        mdct.forward(&x[start], coef);
        for (int k = 0; k < kHalfBlock; ++k) {
            double direct = 0;
            for (int n = 0; n < kBlockSize; ++n)
                direct += mdct.window(n) * x[start + n] * cosine(n, k);
            ASSERT_NEAR(coef[k], direct * 2.0 / kHalfBlock, 1e-4) << k;
        }
        for (int n = 0; n < kBlockSize; ++n) {
            double y = 0;
            for (int k = 0; k < kHalfBlock; ++k) y += coef[k] * cosine(n, k);
            out[start + n] += y * mdct.window(n);
        }
    }
    // Every sample covered by two blocks comes back.
    for (size_t i = kHalfBlock; i + kBlockSize < x.size(); ++i)
        ASSERT_NEAR(out[i], x[i], 1e-4) << i;
}

TEST(Floor1, PostsDecodeToTheirTargets) {
    const Floor1 floor;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> any(0, Floor1::kRange - 1);
    std::vector<std::vector<int>> shapes;
    for (int i = 0; i < 200; ++i) {
        std::vector<int> t(static_cast<size_t>(floor.posts()));
        for (int& v : t) v = any(rng);
        shapes.push_back(t);
    }
    // Extremes exercise the coding of values beyond the room around the prediction.
    shapes.push_back(std::vector<int>(static_cast<size_t>(floor.posts()), 0));
    shapes.push_back(std::vector<int>(static_cast<size_t>(floor.posts()), Floor1::kRange - 1));
    std::vector<int> zigzag;
    for (int p = 0; p < floor.posts(); ++p) zigzag.push_back(p % 2 ? 0 : Floor1::kRange - 1);
    shapes.push_back(zigzag);
    for (const std::vector<int>& target : shapes) {
        int vals[Floor1::kMaxPosts], finalY[Floor1::kMaxPosts], curve[kHalfBlock];
        floor.encodePosts(target.data(), 0, vals, finalY);
        floor.render(vals, curve);
        for (int p = 0; p < floor.posts(); ++p) {
            ASSERT_GE(vals[p], 0);
            ASSERT_LT(vals[p], Floor1::kRange);
            ASSERT_EQ(finalY[p], target[static_cast<size_t>(p)]);
            // A post left on its neighbours' line is not drawn: the line, drawn on the
            // multiplied scale, may then round differently from the prediction.
            if (floor.x(p) < kHalfBlock) {
                const int want = target[static_cast<size_t>(p)] * Floor1::kMultiplier;
                ASSERT_NEAR(curve[floor.x(p)], want,
                            vals[p] == 0 && p >= 2 ? Floor1::kMultiplier - 1 : 0);
            }
        }
        for (int i = 0; i < kHalfBlock; ++i) {
            ASSERT_GE(curve[i], 0);
            ASSERT_LE(curve[i], 255);
        }
    }
}

TEST(Floor1, SlackKeepsNearbyPostsOnTheLine) {
    const Floor1 floor;
    ASSERT_GE(floor.posts(), 4);
    std::vector<int> target(static_cast<size_t>(floor.posts()), 30);
    target[2] = 31;
    target[3] = 40;
    int vals[Floor1::kMaxPosts], finalY[Floor1::kMaxPosts];
    floor.encodePosts(target.data(), 1, vals, finalY);
    EXPECT_EQ(vals[2], 0);
    EXPECT_EQ(finalY[2], 30);
    EXPECT_NE(vals[3], 0);
    EXPECT_EQ(finalY[3], 40);
}

TEST(Floor1, LevelsFollowTheInverseDbTable) {
    EXPECT_DOUBLE_EQ(Floor1::level(255), 1.0);
    EXPECT_NEAR(Floor1::level(0), 1.0649863e-07, 1e-13); // float precision of the table
    EXPECT_NEAR(Floor1::level(254), 0.93897953, 1e-6);
    EXPECT_EQ(Floor1::postForLevel(1.0), Floor1::kRange - 1);
    EXPECT_EQ(Floor1::postForLevel(0.0), 0);
    EXPECT_EQ(Floor1::postForLevel(Floor1::level(100)), 100 / Floor1::kMultiplier);
}

TEST(Residue, CascadesAddUpToEveryValueTheirClassAdmits) {
    const Residue r;
    for (int cls = 1; cls < Residue::kClasses; ++cls) {
        for (int x = -r.classLimit(cls); x <= r.classLimit(cls); ++x) {
            int sum = 0;
            for (int s = 0; s < r.stages(cls); ++s) sum += r.stagePart(cls, s, x);
            ASSERT_EQ(sum, x) << "class " << cls;
        }
    }
    EXPECT_EQ(r.classLimit(Residue::kClasses - 1), Residue::kMaxValue);
}

TEST(Residue, PartitionsTakeTheSmallestClassThatHoldsThem) {
    const Residue r;
    int16_t v[Residue::kLength] = {};
    v[Residue::kPartitionSize * 1 + 3] = -1;
    v[Residue::kPartitionSize * 2] = 5;
    v[Residue::kPartitionSize * 3 + 15] = -Residue::kMaxValue;
    v[Residue::kPartitionSize * 4] = 43;
    uint8_t classes[Residue::kPartitions];
    r.classify(v, classes);
    EXPECT_EQ(classes[0], 0);
    EXPECT_EQ(r.classLimit(classes[1]), 1);
    EXPECT_EQ(r.classLimit(classes[2]), 8);
    EXPECT_EQ(classes[3], Residue::kClasses - 1);
    EXPECT_GE(r.classLimit(classes[4]), 43);
    EXPECT_LT(r.classLimit(classes[4] - 1), 43);
}

TEST(OggPages, HeadersAloneThenAudioWithGranulesAndEndOfStream) {
    const size_t frames = 20000;
    const vshort_test::Pcm in = vshort_test::musicLike(44100, frames / 44100.0);
    ASSERT_EQ(in.size(), 2 * frames);
    const std::vector<uint8_t> stream = encodeStereo(in.data(), frames);
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buf = ogg_sync_buffer(&sync, static_cast<long>(stream.size()));
    std::memcpy(buf, stream.data(), stream.size());
    ogg_sync_wrote(&sync, static_cast<long>(stream.size()));
    ogg_page page;
    std::vector<int64_t> granules;
    std::vector<int> eos, bos;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        granules.push_back(ogg_page_granulepos(&page));
        eos.push_back(ogg_page_eos(&page));
        bos.push_back(ogg_page_bos(&page));
        if (granules.size() == 1) {
            EXPECT_EQ(ogg_page_packets(&page), 1); // identification header alone
        }
        EXPECT_EQ(ogg_page_serialno(&page), 1);
    }
    ogg_sync_clear(&sync);
    ASSERT_GE(granules.size(), 4u);
    EXPECT_NE(bos[0], 0);
    EXPECT_EQ(granules[0], 0);
    EXPECT_EQ(granules[1], 0); // comment and setup
    for (size_t i = 2; i + 1 < granules.size(); ++i) {
        EXPECT_EQ(eos[i], 0);
        EXPECT_EQ(bos[i], 0);
        EXPECT_EQ(granules[i] % kHalfBlock, 0); // a whole number of blocks
        if (granules[i] >= 0) {
            EXPECT_GT(granules[i], granules[i - 1]);
        }
    }
    EXPECT_NE(eos.back(), 0);
    EXPECT_EQ(granules.back(), static_cast<int64_t>(frames));
}

TEST(Encoder, RejectsUnusableOptions) {
    const int16_t pcm[4] = {};
    EncoderOptions opt;
    opt.sampleRate = 0;
    EXPECT_TRUE(encodeStereo(pcm, 2, opt).empty());
    EXPECT_TRUE(encodeStereo(nullptr, 2).empty());
    EXPECT_FALSE(encodeStereo(nullptr, 0).empty());
}

} // namespace
