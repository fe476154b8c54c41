// Section progress: before the first decision, within and across sections of a rendered mix,
// ahead of the rendered audio, and lookups in a ring that has wrapped.
#include <gtest/gtest.h>

#include "render_fixture.h"

namespace {

using rt::Buffer;
using rt::Builder;

rt::Package sectionsOf(const ts::TempDir& dir, int32_t length) {
    Builder b;
    b.masterTrack(b.emptyClip(length));
    b.userTrack(b.dcClip(1, 1, 1000, length));
    return b.load(dir);
}

TEST(Progress, BeforeTheFirstDecisionLeavesOutputsUntouched) {
    ts::TempDir dir;
    auto p = sectionsOf(dir, 10000);
    ASSERT_TRUE(p);
    int64_t length = 77, offset = 88;
    EXPECT_EQ(mxp4Progress(p.get(), 0, &length, &offset), -3);
    EXPECT_EQ(mxp4Progress(p.get(), 5000, &length, &offset), -3);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(offset, 88);
}

TEST(Progress, WithinAndAcrossSections) {
    ts::TempDir dir;
    auto p = sectionsOf(dir, 10000);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out); // decides section 0, renders 0..6143
    int64_t length = 0, offset = 0;
    // The first call after reset counts as a crossing: the remembered position is an hour back.
    EXPECT_EQ(mxp4Progress(p.get(), 3000, &length, &offset), 1);
    EXPECT_EQ(length, 10000);
    EXPECT_EQ(offset, 3000);
    EXPECT_EQ(mxp4Progress(p.get(), 4000, &length, &offset), 0);
    EXPECT_EQ(offset, 4000);
    EXPECT_EQ(mxp4Progress(p.get(), 6144, &length, &offset), 0);

    length = offset = -1;
    EXPECT_EQ(mxp4Progress(p.get(), 6145, &length, &offset), -3); // not rendered yet
    EXPECT_EQ(length, -1);
    EXPECT_EQ(offset, -1);

    rt::next(p.get(), out); // decides section 1 at 10000, renders 6144..12287
    EXPECT_EQ(mxp4Progress(p.get(), 9999, &length, &offset), 0);
    EXPECT_EQ(offset, 9999);
    EXPECT_EQ(mxp4Progress(p.get(), 10500, &length, &offset), 1);
    EXPECT_EQ(length, 10000);
    EXPECT_EQ(offset, 500);
    EXPECT_EQ(mxp4Progress(p.get(), 11000, &length, &offset), 0);
    EXPECT_EQ(offset, 1000);
}

TEST(Progress, TimeOriginAndPreRollShiftThePosition) {
    // A pre-roll of -1000 starts the first clip 1000 samples late and the clock skips them:
    // position 0 is then both the clip's first sample and the start of the first section.
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(10000));
    b.userTrack(b.dcClip(1, 1, 1000, 10000));
    b.w.clips[b.emptyClip(10)].startOffset = -1000;
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    ASSERT_EQ(p->mix->timeOrigin, 1000);
    int64_t length = 0, offset = 0;
    EXPECT_EQ(mxp4Progress(p.get(), mxp4Counter(p.get(), 6144), &length, &offset), 1);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(mxp4Progress(p.get(), 2000, &length, &offset), 0);
    EXPECT_EQ(offset, 2000);
}

// A mix state set by hand, for ring states a short render does not reach.
struct HandState {
    mxp4_package pkg;
    mx::MixState mix;
    HandState() {
        pkg.mix = &mix;
        mix.firstDecision = false;
        mix.now = 1000000;
    }
    ~HandState() { pkg.mix = nullptr; }
};

TEST(Progress, RingLookups) {
    HandState h;
    // 40 sections of 1000 from 100000: the ring holds the last 32 (starts 108000..139000).
    for (int k = 0; k < 40; ++k) {
        h.mix.ring[h.mix.ringWrite] = mx::RingEntry{100000 + 1000 * k, k, 1000 + k};
        if (++h.mix.ringWrite == mx::kRingSize) {
            h.mix.ringWrite = 0;
            h.mix.ringWrapped = true;
        }
    }
    int64_t length = 0, offset = 0;
    EXPECT_EQ(mxp4Progress(&h.pkg, 139500, &length, &offset), 1);
    EXPECT_EQ(length, 1039);
    EXPECT_EQ(offset, 500);
    EXPECT_EQ(mxp4Progress(&h.pkg, 108000, &length, &offset), 0);
    EXPECT_EQ(length, 1008);
    EXPECT_EQ(offset, 0);
    length = offset = -1;
    EXPECT_EQ(mxp4Progress(&h.pkg, 107999, &length, &offset), -4); // overwritten already
    EXPECT_EQ(length, -1);

    // Not wrapped: a position before every section reports the first one.
    HandState n;
    n.mix.ring[0] = mx::RingEntry{0, -1, 5000};
    n.mix.ring[1] = mx::RingEntry{5000, -1, 6000};
    n.mix.ringWrite = 2;
    n.mix.preRoll = -300;
    EXPECT_EQ(mxp4Progress(&n.pkg, 100, &length, &offset), 0);
    EXPECT_EQ(length, 5000);
    EXPECT_EQ(offset, -200);
    EXPECT_EQ(mxp4Progress(&n.pkg, 5400, &length, &offset), 1);
    EXPECT_EQ(length, 6000);
    EXPECT_EQ(offset, 100);
    // Extreme positions are neither found nor overflow.
    EXPECT_EQ(mxp4Progress(&n.pkg, INT64_MAX, &length, &offset), -3);
    EXPECT_EQ(mxp4Progress(&n.pkg, INT64_MIN, &length, &offset), -3);
}

} // namespace
