// Solver decisions: constraint list, merging with soft relations, random choice, commit, and
// the constraints one decision builds from presets, skins and tracks.
#include <gtest/gtest.h>

#include "solver_fixture.h"

using solvertest::Pkg;

namespace {

std::vector<std::pair<int32_t, int32_t>> constraints(Pkg& k) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t i = 0; i < k.solver().constrCount; ++i)
        out.emplace_back(k.solver().constrKey[i], k.solver().constrOption[i]);
    return out;
}

TEST(SolverConstraints, ListOrderPriorityZeroAndCapacity) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    ASSERT_EQ(k.build(), 0); // capacity 2 x 1 node
    mx::mxcSolveInit(&k.p);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 5);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 5);
    EXPECT_EQ(constraints(k), (std::vector<std::pair<int32_t, int32_t>>{{5, 1}, {5, 0}}));
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 2), 1); // full: ignored
    EXPECT_EQ(k.solver().constrCount, 2);

    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 2), 0);
    EXPECT_EQ(k.nodes[a].forced, k.opt(a, 2));
    mx::mxcSolveConstraintAdd(&k.p, -1, 0); // none and out-of-range options are ignored
    mx::mxcSolveConstraintAdd(&k.p, 99, 0);
    EXPECT_EQ(k.nodes[a].forced, k.opt(a, 2));

    mx::mxcSolveInit(&k.p);
    EXPECT_EQ(k.solver().constrCount, 0);
    EXPECT_EQ(k.nodes[a].forced, -1);
}

TEST(SolverConstraints, LaterOfEqualPrioritiesWinsAndSmallerKeyWins) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    ASSERT_EQ(k.build(), 0);
    for (int32_t seed : {0, 5, 77}) {
        k.solver().rand = seed;
        mx::mxcSolveInit(&k.p);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 5);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 5);
        ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
        EXPECT_EQ(k.currentIndex(a), 1);

        mx::mxcSolveInit(&k.p);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 7);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 2);
        ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
        EXPECT_EQ(k.currentIndex(a), 0);

        // A lock taken first makes later wishes on the node moot.
        mx::mxcSolveInit(&k.p);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 0);
        mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 2), 1);
        ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
        EXPECT_EQ(k.currentIndex(a), 0);
    }
}

TEST(SolverConstraints, UnsolvableWishIsDroppedForThisDecision) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t r = k.relation(b, a, 0);
    k.cell(b, r, 1, 0, 0); // a on 1 leaves b nothing
    k.cell(b, r, 1, 1, 0);
    ASSERT_EQ(k.build(), 0);
    mx::mxcSolveInit(&k.p);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 3);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(b, 0), 4);
    ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
    EXPECT_EQ(k.currentIndex(a), 0);
    EXPECT_EQ(k.currentIndex(b), 0);
    EXPECT_EQ(k.nodes[a].forced, -1);
    EXPECT_EQ(k.nodes[b].forced, k.opt(b, 0));
}

// a is locked on 1; the soft relation forbids (a 1, b 1); the wish asks for b 1 with priority K.
// Whichever of the two comes first in the merge survives.
int32_t mergeOutcome(int32_t wishPriority) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t r = k.relation(b, a, 4);
    k.cell(b, r, 1, 1, 0);
    EXPECT_EQ(k.build(), 0);
    mx::mxcSolveInit(&k.p);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(b, 1), wishPriority);
    EXPECT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
    EXPECT_EQ(k.currentIndex(a), 1);
    EXPECT_EQ(k.relations[k.rel(b, r)].enabled, k.currentIndex(b) == 1 ? 0 : 1);
    return k.currentIndex(b);
}

TEST(SolverConstraints, MergeTakesTheConstraintFirstOnEqualValues) {
    EXPECT_EQ(mergeOutcome(3), 1);
    EXPECT_EQ(mergeOutcome(4), 1);
    EXPECT_EQ(mergeOutcome(5), 0);
}

TEST(SolverDecision, SoftRelationRepairsTheAssignmentAndHoldsInRandomSolves) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t r = k.relation(b, a, 1);
    k.cell(b, r, 1, 1, 0);
    k.orphanRelation(a, 2); // in no node's range: enabled, constrains nothing
    ASSERT_EQ(k.build(), 0);
    int seen[2][2] = {};
    for (int32_t seed = 0; seed < 400; ++seed) {
        k.solver().rand = seed * 104729;
        ASSERT_EQ(k.decide(), 1);
        ++seen[k.currentIndex(a)][k.currentIndex(b)];
    }
    EXPECT_EQ(seen[1][1], 0);
    EXPECT_GT(seen[0][0], 0);
    EXPECT_GT(seen[0][1], 0);
    EXPECT_GT(seen[1][0], 0);
    EXPECT_EQ(k.relations.back().enabled, 1);
}

TEST(SolverDecision, RandomChoiceFollowsTheGeneratorAndReplays) {
    Pkg k;
    int32_t a = k.node({256, 100});
    ASSERT_EQ(k.build(), 0);
    int picks[2] = {};
    for (int32_t seed = -300; seed < 300; ++seed) {
        // Expected: keys w x byte + 1 drawn in option order; the sort puts option 0 first when
        // its key is not smaller (the list is 1, 0 and 1 is the pivot).
        k.solver().rand = seed;
        int32_t b0 = mxp4Rand(&k.p) & 0xFF;
        int32_t b1 = mxp4Rand(&k.p) & 0xFF;
        int32_t expected = 256 * b0 + 1 >= 100 * b1 + 1 ? 0 : 1;
        int32_t after = k.solver().rand;

        k.solver().rand = seed;
        ASSERT_EQ(k.decide(), 1);
        EXPECT_EQ(k.currentIndex(a), expected) << seed;
        EXPECT_EQ(k.solver().rand, after);
        ++picks[expected];
    }
    EXPECT_GT(picks[0], 0);
    EXPECT_GT(picks[1], 0);

    // Same state, same inputs, same choices, several nodes deep.
    Pkg m;
    for (int i = 0; i < 6; ++i) m.node({10, 200, 30, 40});
    for (int i = 1; i < 6; ++i) m.relation(i, i - 1, 0, 100);
    ASSERT_EQ(m.build(), 0);
    std::vector<int32_t> first, second;
    for (auto* run : {&first, &second}) {
        m.solver().rand = 2024;
        mx::mxcReset(&m.p);
        for (int d = 0; d < 5; ++d) {
            ASSERT_EQ(m.decide(), 1);
            for (int i = 0; i < 6; ++i) run->push_back(m.currentIndex(i));
        }
    }
    EXPECT_EQ(first, second);
}

TEST(SolverDecision, CommitShiftsSolutionsAndFailureKeepsThem) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    ASSERT_EQ(k.build(), 0);
    mx::mxcReset(&k.p);
    mx::mxcSolveInit(&k.p);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 2), 0);
    ASSERT_EQ(mx::mxcSolveProcess(&k.p, 0), 1);
    EXPECT_EQ(k.nodes[a].current, -1);
    ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
    EXPECT_EQ(k.nodes[a].previous, -1);
    EXPECT_EQ(k.currentIndex(a), 2);
    mx::mxcSolveInit(&k.p);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 0);
    ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
    EXPECT_EQ(k.nodes[a].previous, k.opt(a, 2));
    EXPECT_EQ(k.currentIndex(a), 0);

    k.clips.push_back(mx::Clip{});
    k.clips.back().flags = mx::kClipUnavailable;
    for (auto& o : k.options) o.clip = 0; // nothing playable: no decision
    k.wire();
    EXPECT_EQ(k.decide(), 0);
    EXPECT_EQ(k.nodes[a].previous, k.opt(a, 2));
    EXPECT_EQ(k.currentIndex(a), 0);

    mx::mxcReset(&k.p);
    EXPECT_EQ(k.nodes[a].previous, -1);
    EXPECT_EQ(k.nodes[a].current, -1);
}

TEST(SolverBuild, PresetsFirstDecisionAndSkins) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    ASSERT_EQ(k.build(3, 3), 0);
    k.presetTable[0] = {1, k.opt(a, 0), 5, -1}; // opening section only
    k.presetTable[1] = {2, k.opt(a, 1), 7, -1}; // always
    k.presetTable[2] = {0, k.opt(a, 2), 1, -1}; // never
    k.skinTable[0].option = k.opt(a, 2);
    k.skinTable[0].priority = 3;
    k.skinTable[0].selected = 1;
    k.skinTable[1].option = k.opt(a, 0);
    k.skinTable[1].priority = 4; // not selected
    k.skinTable[2].option = -1;  // pins nothing
    k.skinTable[2].priority = 2;
    k.skinTable[2].selected = 1;

    k.p.mix->firstDecision = true;
    mx::mxcSolveInit(&k.p);
    mx::_constrBuild(&k.p);
    EXPECT_EQ(constraints(k), (std::vector<std::pair<int32_t, int32_t>>{{3, 2}, {5, 0}, {7, 1}}));

    k.p.mix->firstDecision = false;
    mx::mxcSolveInit(&k.p);
    mx::_constrBuild(&k.p);
    EXPECT_EQ(constraints(k), (std::vector<std::pair<int32_t, int32_t>>{{3, 2}, {7, 1}}));
}

TEST(SolverBuild, TracksLockWhilePlayingAndKeepUntilCountdownEnds) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    int32_t b = k.node({1, 1});
    ASSERT_EQ(k.build(), 0);
    mx::AudioTrack ta{};
    ta.node = a;
    ta.keepPriority = 9;
    ta.ready = 1;
    ta.countdown = 2;
    mx::AudioTrack tb = ta;
    tb.node = b;
    tb.ready = 0;
    k.tracks = {ta, tb};
    k.wire();
    k.nodes[a].current = k.opt(a, 1);
    k.nodes[b].current = -1; // no current option: no wish, countdown untouched

    mx::mxcSolveInit(&k.p);
    mx::_constrBuild(&k.p);
    EXPECT_EQ(constraints(k), (std::vector<std::pair<int32_t, int32_t>>{{9, k.opt(a, 1)}}));
    EXPECT_EQ(k.tracks[0].countdown, 1);
    EXPECT_EQ(k.tracks[1].countdown, 2);
    EXPECT_EQ(k.nodes[b].forced, -1);

    // Countdown reaches 0: the keep wish stops. The playing track b locks its option.
    k.nodes[b].current = k.opt(b, 0);
    mx::mxcSolveInit(&k.p);
    mx::_constrBuild(&k.p);
    EXPECT_TRUE(constraints(k).empty());
    EXPECT_EQ(k.tracks[0].countdown, 0);
    EXPECT_EQ(k.nodes[b].forced, k.opt(b, 0));
    ASSERT_EQ(mx::mxcSolveProcess(&k.p, 1), 1);
    EXPECT_EQ(k.currentIndex(b), 0);
}

} // namespace
