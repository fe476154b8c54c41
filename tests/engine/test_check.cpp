// Package validation: one broken reference per rule on an otherwise valid package, the bounds of
// ranges and affinity matrices, and the resolution of owners.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"
#include "package.h"
#include "test_support.h"

namespace {

using Writer = mxp4w::PackageWriter;

// Every table in use: three nodes (1, 2 and 2 options), a relation of node 2 on node 1 with a
// conditioned 3 x 2 matrix, a preset, two skins, comment texts and auxiliary entries.
Writer rich() {
    Writer w = ts::makeSimplePackage({.userTracks = 2, .options = 2, .skins = 2});
    w.addText({"comment a"});
    w.addText({"comment b"}); // texts 0..3
    w.header[2] = 0;
    w.header[3] = -1;
    w.header[8] = 0;
    w.header[9] = 1;
    w.header[10] = 0;
    w.header[11] = 1;
    w.header[12] = 2;
    w.header[13] = 2;
    mxp4w::Relation r;
    r.other = 1;
    r.matrixOffset = w.addMatrix(std::vector<uint8_t>(6, 128));
    r.condFirst = 0;
    r.condCount = 1;
    w.relations.push_back(r);
    w.nodes[2].relationFirst = 0;
    w.nodes[2].relationCount = 1;
    w.conditions.push_back({0, 1});
    w.presets.push_back({2, 3, 5, -1});
    w.auxTexts.push_back({7, 0, -1});
    w.auxResources.push_back({{0, 0, 0, 4}});
    w.clips[0].commentFirst = 3;
    w.clips[0].commentWeight = 1;
    return w;
}

class CheckTest : public ::testing::Test {
  protected:
    int codeOf(const Writer& w, int full = 1) {
        std::string path = ts::writePackage(w, dir, "c" + std::to_string(serial++) + ".mxp4");
        int code = -100;
        mxp4Release(mxp4LoaderDiag(path.c_str(), full, &code));
        return code;
    }
    int codeOf(const std::vector<uint8_t>& bytes) {
        std::string path = dir.file("b" + std::to_string(serial++) + ".mxp4");
        EXPECT_TRUE(ts::writeBytes(path, bytes));
        int code = -100;
        mxp4Release(mxp4LoaderDiag(path.c_str(), 1, &code));
        return code;
    }
    ts::TempDir dir;
    int serial = 0;
};

struct Case {
    const char* what;
    int code;
    std::function<void(Writer&)> mutate;
};

TEST_F(CheckTest, EachRuleRejectsItsBrokenReference) {
    ASSERT_EQ(codeOf(rich()), 0);
    const std::vector<Case> cases = {
        {"header text", 100, [](Writer& w) { w.header[2] = 4; }},
        {"second header text", 101, [](Writer& w) { w.header[3] = -2; }},
        {"header aux resources", 102, [](Writer& w) { w.header[9] = 2; }},
        {"header aux texts", 103, [](Writer& w) { w.header[10] = -1; }},
        {"header comments end", 104, [](Writer& w) { w.header[12] = 3; }},
        {"header comments first", 104, [](Writer& w) { w.header[12] = INT_MAX; }},
        {"track node", 110, [](Writer& w) { w.tracks[1].node = 3; }},
        {"track node ref >= 0", 110, [](Writer& w) { w.tracks[1].node = -1; }},
        {"track name", 111, [](Writer& w) { w.tracks[0].name = 10000; }},
        {"clip option", 125, [](Writer& w) { w.clips[0].option = 5; }},
        {"clip aux resources", 120, [](Writer& w) { w.clips[0].auxResCount = 2; }},
        {"clip aux texts", 121,
         [](Writer& w) {
             w.clips[0].auxTextFirst = 1;
             w.clips[0].auxTextCount = 1;
         }},
        {"clip comments", 122, [](Writer& w) { w.clips[0].commentWeight = 2; }},
        {"clip name", 123, [](Writer& w) { w.clips[1].name = -2; }},
        {"clip resource", 124, [](Writer& w) { w.clips[1].resource = 5; }},
        {"node options", 130, [](Writer& w) { w.nodes[2].optionFirst = 4; }},
        {"node options overlap", 130, [](Writer& w) { w.nodes[2].optionFirst = 2; }},
        {"node relations", 131, [](Writer& w) { w.nodes[2].relationCount = 2; }},
        {"relation with two owners", 131,
         [](Writer& w) {
             w.nodes[1].relationFirst = 0;
             w.nodes[1].relationCount = 1;
         }},
        {"node conditions", 132, [](Writer& w) { w.nodes[0].condCount = 2; }},
        {"node name", 133, [](Writer& w) { w.nodes[0].name = 77777; }},
        {"option clip", 140, [](Writer& w) { w.options[0].clip = 5; }},
        {"option name", 141, [](Writer& w) { w.options[4].name = -9; }},
        {"relation other", 150, [](Writer& w) { w.relations[0].other = 3; }},
        {"matrix past blob", 151, [](Writer& w) { w.relations[0].matrixOffset = 1; }},
        {"matrix offset", 151, [](Writer& w) { w.relations[0].matrixOffset = -1; }},
        {"matrix rows", 151,
         [](Writer& w) {
             w.relations[0].other = 2;
             w.affinity.resize(5);
         }},
        {"relation conditions", 152, [](Writer& w) { w.relations[0].condFirst = 1; }},
        {"relation name", 153, [](Writer& w) { w.relations[0].name = 1234; }},
        {"condition option", 160, [](Writer& w) { w.conditions[0].option = 5; }},
        {"preset option", 170, [](Writer& w) { w.presets[0].option = -1; }},
        {"preset name", 171, [](Writer& w) { w.presets[0].name = -5; }},
        {"skin option", 180, [](Writer& w) { w.skins[0].option = 5; }},
        {"skin string", 181, [](Writer& w) { w.skins[1].string = 1000; }},
        {"skin display name", 182, [](Writer& w) { w.skins[1].displayName = 4; }},
        {"skin aux resources", 183,
         [](Writer& w) {
             w.skins[0].auxResFirst = 1;
             w.skins[0].auxResCount = 1;
         }},
        {"skin aux texts", 184,
         [](Writer& w) {
             w.skins[0].auxTextFirst = INT_MAX;
             w.skins[0].auxTextCount = 2;
         }},
        {"aux text first", 190, [](Writer& w) { w.auxTexts[0].first = -1; }},
        {"aux text second string", 191,
         [](Writer& w) {
             w.auxTexts[0] = {2, 0, 99999};
         }},
        {"aux text second text", 192,
         [](Writer& w) {
             w.auxTexts[0] = {4, 0, 4};
         }},
        {"aux resource", 200, [](Writer& w) { w.auxResources[0].w[3] = 5; }},
        {"resource name", 210, [](Writer& w) { w.resources[0].name = 999; }},
        // The first rule broken in checking order wins.
        {"header before clips", 100,
         [](Writer& w) {
             w.header[2] = 4;
             w.clips[0].option = 5;
         }},
        {"nodes before options", 130,
         [](Writer& w) {
             w.nodes[2].optionFirst = 4;
             w.options[0].clip = 5;
         }},
    };
    for (const Case& c : cases) {
        Writer w = rich();
        c.mutate(w);
        EXPECT_EQ(codeOf(w), c.code) << c.what;
    }
}

TEST_F(CheckTest, BoundaryValuesThatAreValid) {
    const std::vector<Case> cases = {
        {"comments ending at -1 + 1", 0,
         [](Writer& w) {
             w.header[12] = -1;
             w.header[13] = 1;
         }},
        {"comments up to the last text", 0,
         [](Writer& w) {
             w.header[12] = 2;
             w.header[13] = 2;
         }},
        {"empty ranges anywhere", 0,
         [](Writer& w) {
             w.clips[0].auxResFirst = -50;
             w.nodes[0].condFirst = INT_MAX;
         }},
        {"ownerless relation needs only its offset", 0,
         [](Writer& w) {
             w.relations.push_back({0, 0, 3, 5, 0, 0, -1});
         }},
        {"matrix ends at the blob's last byte", 0, [](Writer& w) { w.affinity.resize(6); }},
        {"negative option count is no option", 0,
         [](Writer& w) {
             w.nodes[2].optionCount = -2;
             w.affinity.resize(1);
         }},
        {"aux text without flags", 0,
         [](Writer& w) {
             w.auxTexts[0] = {0, -7, -7};
         }},
        {"negative node counts are none", 0,
         [](Writer& w) {
             w.nodes[0].condCount = -3;
             w.nodes[1].relationCount = -1;
             w.relations[0].condCount = -4;
         }},
    };
    for (const Case& c : cases) {
        Writer w = rich();
        c.mutate(w);
        EXPECT_EQ(codeOf(w), c.code) << c.what;
    }
}

TEST_F(CheckTest, SkinOptionIsCheckedOnlyForPlayback) {
    Writer w = rich();
    w.skins[0].option = 5;
    EXPECT_EQ(codeOf(w, 1), 180);
    EXPECT_EQ(codeOf(w, 0), 0);
}

TEST_F(CheckTest, PoolOffsetsStayInsideThePools) {
    Writer w = rich();
    std::vector<uint8_t> bytes = w.build();
    // Offset tables start 8 bytes into their chunk bodies.
    auto patch = [&](int type, int index, int32_t v) {
        std::vector<uint8_t> b = bytes;
        size_t at = 12;
        for (;;) {
            int32_t size = static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                                static_cast<uint32_t>(b[at + 3]) << 24);
            if ((b[at + 6] | b[at + 7] << 8) == type) break;
            at += 8 + static_cast<size_t>(size);
        }
        size_t field = at + 16 + 4 * static_cast<size_t>(index);
        for (int i = 0; i < 4; ++i) b[field + i] = static_cast<uint8_t>(uint32_t(v) >> (8 * i));
        return b;
    };
    int32_t stringPool = 0, textPool = 0;
    {
        std::string path = ts::writePackage(w, dir, "pools.mxp4");
        mxp4_package* p = mxp4Loader(path.c_str(), 1);
        ASSERT_NE(p, nullptr);
        stringPool = p->stringPool.length;
        textPool = p->textPool.length;
        mxp4Release(p);
    }
    EXPECT_EQ(codeOf(patch(13, 0, stringPool)), 220);
    EXPECT_EQ(codeOf(patch(13, 0, -2)), 220);
    EXPECT_EQ(codeOf(patch(13, 0, stringPool - 1)), 0);
    EXPECT_EQ(codeOf(patch(13, 2, -1)), 0);
    EXPECT_EQ(codeOf(patch(14, 1, textPool)), 230);
    EXPECT_EQ(codeOf(patch(14, 1, textPool - 1)), 0);
}

TEST_F(CheckTest, CyclicDependenciesAreRejected) {
    Writer w = rich();
    // Node 1 now also compares against node 2's tried option: neither can be ordered first.
    mxp4w::Relation back;
    back.other = 2;
    back.matrixOffset = w.addMatrix(std::vector<uint8_t>(6, 128));
    w.relations.push_back(back);
    w.nodes[1].relationFirst = 1;
    w.nodes[1].relationCount = 1;
    EXPECT_EQ(codeOf(w), 134);
    w.relations[1].flags = 1; // against the current solution: no dependency
    EXPECT_EQ(codeOf(w), 0);
}

TEST_F(CheckTest, ValidationResolvesOwnersAndTrackNodes) {
    std::string path = ts::writePackage(rich(), dir, "rich.mxp4");
    mxp4_package* p = mxp4Loader(path.c_str(), 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->relations.items[0].owner, 2);
    const int owners[] = {0, 1, 1, 2, 2};
    const int positions[] = {0, 0, 1, 0, 1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p->options.items[i].owner, owners[i]) << i;
        EXPECT_EQ(p->options.items[i].index, positions[i]) << i;
    }
    EXPECT_EQ(p->tracks.items[2].node, 2);
    mxp4Release(p);
}

} // namespace
