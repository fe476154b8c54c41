// Renderer: section boundaries and decisions, clip starts and the pre-roll, the first-decision
// clock skip, ready flags, comments, countdowns, voice lifetime, gains and clamping of sample
// mixing, staging of arbitrary lengths, and reset.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "compressor.h"
#include "render_fixture.h"

namespace {

using rt::Buffer;
using rt::Builder;

int occupiedVoices(const mxp4_package* p) {
    int n = 0;
    for (const mx::Voice& v : p->mix->voices) n += v.clip >= 0;
    return n;
}

TEST(RenderBoundaries, WithoutMasterEachDecisionAdvances6144) {
    ts::TempDir dir;
    Builder b;
    b.userTrack(b.dcClip(1000, 1000, 20000, 10000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(rt::next(p.get(), out), 1) << k;
        EXPECT_EQ(p->mix->nextBoundary, 6144 * (k + 1));
        EXPECT_EQ(p->mix->ring[k].start, 6144 * k);
        EXPECT_EQ(p->mix->ring[k].length, 6144);
    }
    EXPECT_EQ(p->mix->now, 5 * 6144);
}

TEST(RenderBoundaries, MasterClipSetsTheSectionLength) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(10000));
    b.userTrack(b.dcClip(1000, 1000, 20000, 10000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    // Boundaries 0, 10000, 20000, 30000 fall before the ends of buffers 0, 1, 3 and 4.
    int expect[] = {1, 1, 0, 1, 1, 0};
    int64_t boundary[] = {10000, 20000, 20000, 30000, 40000, 40000};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rt::next(p.get(), out), expect[k]) << k;
        EXPECT_EQ(p->mix->nextBoundary, boundary[k]) << k;
    }
    EXPECT_EQ(p->mix->previousBoundary, 30000);
    EXPECT_EQ(p->mix->ringWrite, 4);
}

TEST(RenderBoundaries, NonPositiveMasterLengthFallsBackTo6144) {
    // A zero or negative section length from the file would stall or reverse the clock.
    for (int32_t length : {0, -400}) {
        ts::TempDir dir;
        Builder b;
        int m = b.emptyClip(-1);
        b.w.clips[m].sectionLength = length; // written as is when 0; -1 - offset + length else
        b.w.clips[m].startOffset = length < 0 ? -500 : 0;
        b.w.clips[m].audioLength = length < 0 ? 100 : 0;
        b.masterTrack(m);
        b.userTrack(b.dcClip(1, 1, 1000, 1000));
        auto p = b.load(dir);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->clips.items[m].sectionLength, length);
        Buffer out;
        int64_t before = 0;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(rt::next(p.get(), out), 1);
            EXPECT_EQ(p->mix->nextBoundary - before, 6144) << length;
            before = p->mix->nextBoundary;
        }
    }
}

TEST(RenderBoundaries, FailedDecisionStartsNothingButAdvances) {
    ts::TempDir dir;
    Builder b;
    int clip = b.dcClip(1000, 1000, 20000, 10000);
    b.w.clips[clip].flags = mx::kClipUnavailable; // the only option can never be chosen
    b.userTrack(clip);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    EXPECT_EQ(rt::next(p.get(), out), 1);
    EXPECT_EQ(p->mix->lastSolved, 0);
    EXPECT_EQ(p->mix->startedCount, 0);
    EXPECT_EQ(p->mix->nextBoundary, 6144);
    EXPECT_EQ(occupiedVoices(p.get()), 0);
    EXPECT_TRUE(std::all_of(out.s.begin(), out.s.end(), [](int16_t v) { return v == 0; }));
}

TEST(RenderStarts, PreRollShiftsEveryStart) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(20000));
    int a = b.dcClip(100, 100, 20000, 20000);
    int c = b.dcClip(1000, 1000, 20000, 20000);
    int d = b.dcClip(10000, 10000, 20000, 20000);
    b.w.clips[a].startOffset = -1000;
    b.w.clips[d].startOffset = 500;
    b.userTrack(a);
    b.userTrack(c);
    b.userTrack(d);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->mix->preRoll, -1000);
    Buffer out;
    rt::next(p.get(), out);
    ASSERT_EQ(p->mix->startedCount, 3);
    EXPECT_EQ(p->mix->started[0].start, 0); // -1000 offset, -1000 pre-roll: on the boundary
    EXPECT_EQ(p->mix->started[1].start, 1000);
    EXPECT_EQ(p->mix->started[2].start, 1500);
    EXPECT_EQ(p->mix->timeOrigin, 0);
    EXPECT_EQ(out.left(999), 100);
    EXPECT_EQ(out.left(1000), 1100);
    EXPECT_EQ(out.left(1499), 1100);
    EXPECT_EQ(out.right(1500), 11100);
}

TEST(RenderStarts, FirstDecisionSkipsLeadingSilence) {
    ts::TempDir dir;
    Builder b;
    std::vector<int16_t> ramp(2 * 20000);
    for (int i = 0; i < 20000; ++i) ramp[2 * i] = ramp[2 * i + 1] = static_cast<int16_t>(i + 1);
    b.userTrack(b.pcmClip(ramp, 2, 30000));
    int unused = b.emptyClip(100); // no option plays it; only its offset sets the pre-roll
    b.w.clips[unused].startOffset = -1000;
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_EQ(p->mix->started[0].start, 1000);
    EXPECT_EQ(p->mix->timeOrigin, 1000);
    EXPECT_EQ(p->mix->now, 1000 + 6144);
    EXPECT_EQ(mxp4Counter(p.get(), 0), 6144);
    EXPECT_EQ(mxp4Counter(p.get(), 100), 6044);
    EXPECT_EQ(out.left(0), 1);
    EXPECT_EQ(out.right(6143), 6144);
}

TEST(RenderStarts, VoiceLimitAndOpenFailure) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(200000));
    for (int i = 0; i < 21; ++i) b.userTrack(b.dcClip(1, 2, 100000, 100000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_EQ(p->mix->startedCount, mx::kMaxVoices);
    EXPECT_EQ(out.left(10), 20);
    EXPECT_EQ(out.right(10), 40);
    // The 21st track found no voice: its clip end is the boundary itself.
    EXPECT_EQ(p->mix->started[19].track, 20);
    EXPECT_EQ(p->tracks.items[21].clipEnd, 0);
    EXPECT_EQ(p->tracks.items[20].clipEnd, 100000);

    ts::TempDir dir2;
    Builder f;
    int bad = f.dcClip(1, 1, 1000, 5000);
    f.w.resources[f.w.clips[bad].resource].length = -5; // unavailable resource
    f.userTrack(bad);
    auto q = f.load(dir2);
    ASSERT_TRUE(q);
    rt::next(q.get(), out);
    EXPECT_EQ(q->mix->lastSolved, 1);
    EXPECT_EQ(q->mix->startedCount, 0);
    EXPECT_EQ(occupiedVoices(q.get()), 0);
    EXPECT_EQ(q->tracks.items[0].clipEnd, 5000);
}

TEST(RenderTracks, ReadyWhenTheClipEndsWithinHalfASection) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(10000));
    int exact = b.userTrack(b.dcClip(1, 1, 30000, 15000)); // ends 5000 = half after
    int longer = b.userTrack(b.dcClip(1, 1, 30000, 15001));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_EQ(p->tracks.items[exact].ready, 1);
    EXPECT_EQ(p->tracks.items[longer].ready, 0);
    EXPECT_EQ(p->tracks.items[0].ready, 1); // the master track is not a user track

    // At the boundary 10000 only the ready track starts its clip again.
    ASSERT_EQ(rt::next(p.get(), out), 1);
    ASSERT_EQ(p->mix->startedCount, 1);
    EXPECT_EQ(p->mix->started[0].track, exact);
    EXPECT_EQ(p->mix->started[0].start, 10000);
}

TEST(RenderTracks, CountdownFromTheKeepRange) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(10000));
    int ranged = b.dcClip(1, 1, 10000, 10000);
    b.w.clips[ranged].keepMin = 3;
    b.w.clips[ranged].keepMax = 5;
    int unset = b.dcClip(1, 1, 10000, 10000);
    b.w.clips[unset].keepMin = 0;
    b.w.clips[unset].keepMax = -4;
    int wide = b.dcClip(1, 1, 10000, 10000);
    b.w.clips[wide].keepMin = 1;
    b.w.clips[wide].keepMax = INT32_MAX; // the draw must not overflow
    int tr = b.userTrack(ranged);
    int tu = b.userTrack(unset);
    int ts_ = b.userTrack(-1); // silence option
    int tw = b.userTrack(wide);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_GE(p->tracks.items[tr].countdown, 3);
    EXPECT_LE(p->tracks.items[tr].countdown, 5);
    EXPECT_EQ(p->tracks.items[tu].countdown, 1);
    EXPECT_EQ(p->tracks.items[ts_].countdown, 1);
    EXPECT_GE(p->tracks.items[tw].countdown, 1);
    // The same option again keeps a running countdown (the keep wish spent one).
    int32_t before = p->tracks.items[tr].countdown;
    rt::next(p.get(), out);
    rt::next(p.get(), out);
    EXPECT_EQ(p->tracks.items[tr].countdown, before - 1);
}

TEST(RenderComments, DrawnFromPackageAndClipTexts) {
    ts::TempDir dir;
    Builder b;
    int32_t first = -1;
    for (int i = 0; i < 5; ++i) {
        int32_t t = b.w.addText({"c" + std::to_string(i)});
        if (i == 0) first = t;
    }
    b.w.header[mx::kHCommentFirst] = first;
    b.w.header[mx::kHCommentWeight] = 3;
    int clip = b.dcClip(1, 1, 1000, 6144);
    b.w.clips[clip].commentFirst = first + 3;
    b.w.clips[clip].commentWeight = 2;
    b.userTrack(clip);
    int quiet = b.dcClip(1, 1, 1000, 6144); // a track whose clip has no comments
    b.userTrack(quiet);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    bool seenPackage = false, seenClip = false;
    for (int k = 0; k < 64; ++k) {
        rt::next(p.get(), out);
        int32_t c = p->mix->comment;
        EXPECT_EQ(p->mix->ring[(p->mix->ringWrite + 31) % 32].comment, c);
        // The package's texts first, then the clip's own range.
        ASSERT_TRUE(c == first || (c >= first + 3 && c < first + 5)) << c;
        seenPackage |= c == first;
        seenClip |= c != first;
    }
    EXPECT_TRUE(seenPackage);
    EXPECT_TRUE(seenClip);

    ts::TempDir dir2;
    Builder n;
    n.userTrack(n.dcClip(1, 1, 1000, 6144));
    auto q = n.load(dir2);
    ASSERT_TRUE(q);
    for (int k = 0; k < 4; ++k) {
        rt::next(q.get(), out);
        EXPECT_EQ(q->mix->comment, -1);
    }
}

TEST(RenderSampleMix, ClipGainsAndTrackVolumes) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(100000));
    int stereo = b.dcClip(1000, 1000, 50000, 50000);
    b.w.clips[stereo].gainLeft = 128;
    b.w.clips[stereo].gainRight = 256;
    std::vector<int16_t> mono(30000, 2000);
    b.userTrack(stereo);
    b.userTrack(b.pcmClip(mono, 1, 50000));
    auto sine = ts::sineStereo(20000, 441.0, 661.5, 0.9);
    int sc = b.pcmClip(sine, 2, 50000);
    b.w.clips[sc].gainLeft = 64;
    b.w.clips[sc].gainRight = 64;
    auto p0 = b.load(dir, "a.mxp4");
    ASSERT_TRUE(p0);

    // Stereo clip at half left gain, track volume 64 on the right; the mono clip feeds both.
    ASSERT_EQ(mxp4AudiotrackVol(p0.get(), 0, 256, 64), 0);
    Buffer out;
    rt::next(p0.get(), out);
    EXPECT_EQ(out.left(100), 500 + 2000);
    EXPECT_EQ(out.right(100), 250 + 2000);

    // A sine at a quarter: every frame is the source sample times 64 >> 8.
    Builder s;
    s.masterTrack(s.emptyClip(100000));
    int only = s.pcmClip(sine, 2, 50000);
    s.w.clips[only].gainLeft = 64;
    s.w.clips[only].gainRight = 256;
    s.userTrack(only);
    auto p1 = s.load(dir, "b.mxp4");
    ASSERT_TRUE(p1);
    ASSERT_EQ(mxp4AudiotrackVol(p1.get(), 0, 256, 128), 0);
    Buffer a, c;
    rt::next(p1.get(), a);
    rt::next(p1.get(), c);
    for (int f = 0; f < 2 * 6144; ++f) {
        const Buffer& buf = f < 6144 ? a : c;
        int i = f % 6144;
        ASSERT_EQ(buf.left(i), (sine[2 * f] * 64) >> 8) << f;
        ASSERT_EQ(buf.right(i), (sine[2 * f + 1] * 128) >> 8) << f;
    }
}

TEST(RenderSampleMix, ClampsSymmetricallyNeverMinus32768) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(100000));
    int loud = b.dcClip(-32768, 32767, 50000, 50000);
    b.w.clips[loud].gainLeft = 512;
    b.w.clips[loud].gainRight = 512;
    b.userTrack(loud);
    auto p = b.load(dir, "a.mxp4");
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_EQ(out.left(0), -32767);
    EXPECT_EQ(out.right(0), 32767);

    Builder u;
    u.masterTrack(u.emptyClip(100000));
    u.userTrack(u.dcClip(-32768, -32768, 50000, 50000));
    auto q = u.load(dir, "b.mxp4");
    ASSERT_TRUE(q);
    rt::next(q.get(), out);
    EXPECT_TRUE(std::none_of(out.s.begin(), out.s.end(), [](int16_t v) { return v == -32768; }));
    EXPECT_EQ(out.left(5), -32767);

    // Gains far beyond unity from the file saturate instead of overflowing the accumulator.
    Builder h;
    h.masterTrack(h.emptyClip(100000));
    for (int i = 0; i < 3; ++i) {
        int c = h.dcClip(32767, -32768, 50000, 50000);
        h.w.clips[c].gainLeft = 1 << 24;
        h.w.clips[c].gainRight = 1 << 24;
        h.userTrack(c);
    }
    auto r = h.load(dir, "c.mxp4");
    ASSERT_TRUE(r);
    rt::next(r.get(), out);
    EXPECT_EQ(out.left(7), 32767);
    EXPECT_EQ(out.right(7), -32767);
}

TEST(RenderSampleMix, VoicesEndInsideTheBufferAndShortResourcesGoSilent) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(100000));
    b.userTrack(b.dcClip(1, 1, 30000, 30000));
    int shortClip = b.dcClip(1000, 1000, 500, 500);
    b.w.clips[shortClip].startOffset = 100;
    b.userTrack(shortClip);
    int truncated = b.dcClip(10, 10, 1000, 20000);
    b.w.clips[truncated].audioLength = 20000; // the resource holds only 1000 frames
    b.userTrack(truncated);
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Buffer out;
    rt::next(p.get(), out);
    EXPECT_EQ(out.left(99), 11);
    EXPECT_EQ(out.left(100), 1011);
    EXPECT_EQ(out.left(599), 1011);
    EXPECT_EQ(out.left(600), 11);
    EXPECT_EQ(out.left(999), 11);
    EXPECT_EQ(out.left(1000), 1);
    EXPECT_EQ(occupiedVoices(p.get()), 2); // the 500-frame clip ended and was freed

    // The truncated clip keeps its voice, silent, until its audio length has passed.
    for (int k = 1; k < 3; ++k) {
        rt::next(p.get(), out);
        EXPECT_EQ(out.left(0), 1);
        EXPECT_EQ(occupiedVoices(p.get()), 2) << k;
    }
    rt::next(p.get(), out); // 18432..24575 holds the end 20000
    EXPECT_EQ(occupiedVoices(p.get()), 1);
}

TEST(RenderStaging, ArbitraryLengthsMatchWholeBuffers) {
    ts::TempDir dir;
    ts::SimplePackage shape;
    shape.userTracks = 2;
    shape.options = 3;
    shape.clipFrames = 11025;
    shape.sectionFrames = 9000;
    std::string path = ts::writeSimplePackage(dir, shape);
    int code = 0;
    rt::Package whole(mxp4LoaderDiag(path.c_str(), 1, &code));
    rt::Package staged(mxp4Loader(path.c_str(), 1));
    ASSERT_TRUE(whole && staged) << code;

    constexpr int kCalls = 12;
    constexpr int kFrames = 8820;
    std::vector<int16_t> reference;
    Buffer out;
    while (reference.size() < 2u * kCalls * kFrames) {
        rt::next(whole.get(), out);
        reference.insert(reference.end(), out.s.begin(), out.s.end());
    }

    std::vector<int16_t> got(2 * kFrames);
    for (int k = 0; k < kCalls; ++k) {
        mxp4NextBufferN(staged.get(), got.data(), kFrames);
        // A buffer is rendered exactly when the staging buffer has run out.
        int64_t delivered = static_cast<int64_t>(k + 1) * kFrames;
        EXPECT_EQ(staged->mix->now, (delivered + 6143) / 6144 * 6144) << k;
        EXPECT_EQ(staged->mix->stagingPos, delivered % 6144 == 0 ? 6144 : delivered % 6144);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), reference.begin() + 2 * k * kFrames))
            << "call " << k;
    }
}

TEST(RenderStaging, ResultIsTheOrOfTheDecisions) {
    ts::TempDir dir;
    Builder b;
    b.masterTrack(b.emptyClip(30000));
    b.userTrack(b.dcClip(1, 1, 30000, 30000));
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    std::vector<int16_t> out(2 * 8820);
    // Decisions happen in the buffers at 0 and 24576 (boundary 30000).
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 8820), 1); // renders 0, 6144 (staged)
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 8820), 0); // renders 12288 (staged)
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 8820), 1); // renders 18432, 24576 (staged)
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 8820), 0); // renders 30720 (staged)
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 100), 0);  // staged frames only
    EXPECT_EQ(p->mix->now, 6 * 6144);
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.data(), 0), 0);
}

TEST(RenderReset, ReplaysTheSameMix) {
    ts::TempDir dir;
    ts::SimplePackage shape;
    shape.userTracks = 3;
    shape.options = 4;
    shape.sectionFrames = 7000;
    shape.amplitude = 0.6; // loud enough that the compressor below works
    mxp4w::PackageWriter w = ts::makeSimplePackage(shape);
    w.header[mx::kHCompressorMode] = 8; // RMS detection
    w.header[mx::kHCompThreshold] = -20 * 65536;
    w.header[mx::kHCompRatio] = 65536 / 4;
    w.header[mx::kHCompAttack] = 65536 / 100;
    w.header[mx::kHCompRelease] = 65536 / 10;
    w.header[mx::kHCompCeiling] = 65536;
    std::string path = ts::writePackage(w, dir);
    rt::Package p(mxp4Loader(path.c_str(), 1));
    ASSERT_TRUE(p);
    ASSERT_NE(mx::compressorActive(&p->mix->compressor), 0);
    std::vector<int16_t> first, second;
    std::vector<int16_t> chunk(2 * 5000);
    for (int k = 0; k < 20; ++k) {
        mxp4NextBufferN(p.get(), chunk.data(), 5000);
        first.insert(first.end(), chunk.begin(), chunk.end());
    }
    ASSERT_EQ(mxp4Reset(p.get()), 0);
    EXPECT_EQ(occupiedVoices(p.get()), 0);
    EXPECT_EQ(p->mix->now, 0);
    EXPECT_EQ(p->mix->stagingPos, 6144);
    EXPECT_TRUE(p->mix->firstDecision);
    EXPECT_EQ(p->mix->ring[3].comment, -1);
    for (int k = 0; k < 20; ++k) {
        mxp4NextBufferN(p.get(), chunk.data(), 5000);
        second.insert(second.end(), chunk.begin(), chunk.end());
    }
    EXPECT_LT(p->mix->compressor.gain, 32767); // the compressor did reduce the gain
    EXPECT_EQ(first, second);
}

TEST(RenderReset, InfoOnlyPackageRendersNothing) {
    ts::TempDir dir;
    std::string path = ts::writeSimplePackage(dir);
    rt::Package p(mxp4Loader(path.c_str(), 0));
    ASSERT_TRUE(p);
    Buffer out;
    std::fill(out.s.begin(), out.s.end(), 0x55);
    EXPECT_EQ(mxp4Reset(p.get()), -1);
    EXPECT_EQ(rt::next(p.get(), out), 0);
    EXPECT_EQ(mxp4NextBufferN(p.get(), out.s.data(), 100), 0);
    EXPECT_TRUE(std::all_of(out.s.begin(), out.s.end(), [](int16_t v) { return v == 0x55; }));
    EXPECT_EQ(mxp4Counter(p.get(), 0), 0);
}

} // namespace
