// Solver search: activation, affinity weighting, candidate order and backjumping.
#include <gtest/gtest.h>

#include "solver_fixture.h"

using solvertest::Pkg;

namespace {

constexpr int kDeterministic = 1;
constexpr int kRandom = 0;

// Everything the search reads fresh for a decision.
void prepare(Pkg& k) {
    mx::mxcSolveInit(&k.p);
    for (auto& r : k.relations) r.enabled = r.priority == 0;
}

TEST(SolverSearch, InactiveNodeIsSkippedUnlessForced) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1, 1});
    k.spec(b).condOptions = {k.opt(a, 1)};
    ASSERT_EQ(k.build(), 0);

    prepare(k);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(a), 0);
    EXPECT_EQ(k.triedIndex(b), -1);

    mx::mxcSolveConstraintAdd(&k.p, k.opt(b, 2), 0);
    EXPECT_EQ(mx::_solve(&k.p, 0, kDeterministic), 0);
    EXPECT_EQ(k.solver().failingNode, b);

    // With its condition met, the forced option plays.
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 2);
}

TEST(SolverSearch, AffinityScalesKeysAndZeroForbids) {
    Pkg k;
    int32_t a = k.node({1});
    int32_t b = k.node({256, 256, 256, 300});
    int32_t r = k.relation(b, a, 0);
    k.cell(b, r, 0, 0, 0);   // forbidden with a's option 0
    k.cell(b, r, 0, 1, 128); // neutral
    k.cell(b, r, 0, 2, 64);  // halves
    k.cell(b, r, 0, 3, 255);
    ASSERT_EQ(k.build(), 0);

    prepare(k);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.options[k.opt(b, 0)].key, 0);
    EXPECT_EQ(k.options[k.opt(b, 1)].key, 257);
    EXPECT_EQ(k.options[k.opt(b, 2)].key, 129);
    EXPECT_EQ(k.options[k.opt(b, 3)].key, (300 * 255 >> 7) + 1);
    EXPECT_EQ(k.nodes[b].candidates, 3);
    // Highest index first, then the rest of the list in descending index.
    EXPECT_EQ(k.triedIndex(b), 3);
    EXPECT_EQ(k.options[k.opt(b, 3)].link, k.opt(b, 2));
    EXPECT_EQ(k.options[k.opt(b, 2)].link, k.opt(b, 1));
    EXPECT_EQ(k.options[k.opt(b, 1)].link, -1);

    // The forbidden option cannot even be forced.
    mx::mxcSolveConstraintAdd(&k.p, k.opt(b, 0), 0);
    EXPECT_EQ(mx::_solve(&k.p, 0, kDeterministic), 0);
    EXPECT_EQ(k.solver().failingNode, b);

    // Nor is it drawn at random.
    mx::mxcSolveInit(&k.p);
    for (int32_t seed = 0; seed < 300; ++seed) {
        k.solver().rand = seed * 7919;
        ASSERT_EQ(mx::_solve(&k.p, 0, kRandom), 1);
        EXPECT_NE(k.triedIndex(b), 0);
    }
}

TEST(SolverSearch, RowFollowsTheOtherNodeAndNoneUsesTheLastRow) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t c = k.node({1, 1, 1});
    k.spec(a).condOptions = {k.opt(c, 0)}; // a is active only while c tries its option 0
    int32_t b = k.node({1, 1, 1});
    int32_t r = k.relation(b, a, 0, 0); // everything forbidden except:
    k.cell(b, r, 0, 0, 128);            // a on 0 allows b 0
    k.cell(b, r, 1, 1, 128);            // a on 1 allows b 1
    k.cell(b, r, 2, 2, 128);            // a without option allows b 2
    ASSERT_EQ(k.build(), 0);

    prepare(k);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(c, 0), 0);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 1);

    prepare(k);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(c, 1), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(a), -1);
    EXPECT_EQ(k.triedIndex(b), 2);
}

TEST(SolverSearch, PreviousSolutionRelationReadsTheCurrentOption) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t r = k.relation(b, a, 0, 128, mx::kRelationUseCurrent);
    k.cell(b, r, 0, 1, 0); // a's current option 0 forbids b's option 1
    ASSERT_EQ(k.build(), 0);

    prepare(k);
    k.nodes[a].current = k.opt(a, 0);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0); // tried differs from current
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 0);

    k.nodes[a].current = k.opt(a, 1);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 1);
}

TEST(SolverSearch, UnavailableClipsAreNeverChosen) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    k.spec(a).unavailable = {2};
    ASSERT_EQ(k.build(), 0);
    prepare(k);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(a), 1);
    EXPECT_EQ(k.nodes[a].candidates, 2);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 2), 0);
    EXPECT_EQ(mx::_solve(&k.p, 0, kDeterministic), 0);
}

TEST(SolverSearch, RelationConditionsGateTheRelation) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t r = k.relation(b, a, 0);
    k.spec(b).rels[r].condOptions = {k.opt(a, 1)};
    for (int row = 0; row < 3; ++row) k.cell(b, r, row, 1, 0); // forbids b's option 1
    ASSERT_EQ(k.build(), 0);

    prepare(k);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 0), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 1);
    EXPECT_EQ(k.relations[k.rel(b, r)].active, 0);

    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 0);
    EXPECT_EQ(k.relations[k.rel(b, r)].active, 1);
}

// c has no candidate whatever b plays, and depends on b only. With backjumping the failure
// unwinds past a without trying a's second option: a second try would re-enter b and draw two
// more random bytes.
int drawsUntilFailure(bool cAlsoDependsOnA) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1, 1});
    int32_t c = k.node({1});
    k.relation(c, b, 0, 0);
    if (cAlsoDependsOnA) k.relation(c, a, 0, 128);
    EXPECT_EQ(k.build(), 0);
    EXPECT_EQ(k.solver().order[2], c);
    prepare(k);
    k.solver().rand = 12345;
    EXPECT_EQ(mx::_solve(&k.p, 0, kRandom), 0);
    EXPECT_EQ(k.solver().failingNode, c);
    for (auto& n : k.nodes) EXPECT_EQ(n.tried, -1);
    int32_t end = k.solver().rand;
    k.solver().rand = 12345;
    for (int draws = 0; draws < 100; ++draws) {
        if (k.solver().rand == end) return draws;
        mxp4Rand(&k.p);
    }
    return -1;
}

TEST(SolverSearch, BackjumpingSkipsChoicesTheFailureDoesNotDependOn) {
    EXPECT_EQ(drawsUntilFailure(false), 4); // a: 2, b: 2
    EXPECT_EQ(drawsUntilFailure(true), 6);  // a retried: b drawn again
}

TEST(SolverSearch, ForcedOptionDrawsOneUnusedByteInRandomMode) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    ASSERT_EQ(k.build(), 0);
    prepare(k);
    mx::mxcSolveConstraintAdd(&k.p, k.opt(a, 1), 0);
    k.solver().rand = 0;
    ASSERT_EQ(mx::_solve(&k.p, 0, kRandom), 1);
    EXPECT_EQ(k.triedIndex(a), 1);
    EXPECT_EQ(k.solver().rand, 11); // exactly one step from 0
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.solver().rand, 11);
}

TEST(SolverSearch, DeepChainNeedsNoStack) {
    Pkg k;
    const int n = 1024;
    for (int i = 0; i < n; ++i) {
        k.node({1, 1});
        if (i > 0) k.relation(i, i - 1, 0);
    }
    // Option 1 of a node leaves the next one without a candidate, so every node but the last
    // has to fall back to option 0, one level at a time.
    for (int i = 1; i < n; ++i) {
        k.cell(i, 0, 1, 1, 0);
        k.cell(i, 0, 1, 0, 0);
    }
    ASSERT_EQ(k.build(), 0);
    prepare(k);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    for (int i = 0; i < n - 1; ++i) ASSERT_EQ(k.triedIndex(i), 0) << i;
    EXPECT_EQ(k.triedIndex(n - 1), 1);
}

// Every node of a chain depends on all before it, and the last one has no option at all: the
// search would try 2^39 combinations. It gives up after its step budget, as a failure.
TEST(SolverSearch, HopelessDeepSearchEndsAsAFailure) {
    Pkg k;
    const int n = 40;
    for (int i = 0; i < n; ++i) {
        k.node({1, 1});
        if (i > 0) k.relation(i, i - 1, 0, i == n - 1 ? 0 : 128);
    }
    ASSERT_EQ(k.build(), 0);
    prepare(k);
    EXPECT_EQ(mx::_solve(&k.p, 0, kDeterministic), 0);
    for (auto& node : k.nodes) EXPECT_EQ(node.tried, -1);
    mx::mxcSolveInit(&k.p);
    EXPECT_EQ(mx::mxcSolveProcess(&k.p, 1), 0);
}

TEST(SolverSearch, CellOutsideTheBlobReadsAsForbidden) {
    Pkg k;
    int32_t a = k.node({1});
    int32_t b = k.node({1, 1});
    k.relation(b, a, 0);
    ASSERT_EQ(k.build(), 0);
    // Shorten the blob so b's option 1 row 0 lies past its end (a loader would refuse this).
    k.affinity.resize(1);
    k.affinity.shrink_to_fit();
    k.wire();
    prepare(k);
    ASSERT_EQ(mx::_solve(&k.p, 0, kDeterministic), 1);
    EXPECT_EQ(k.triedIndex(b), 0);
    k.relations[0].matrixOffset = -5;
    EXPECT_EQ(mx::_solve(&k.p, 0, kDeterministic), 0);
}

} // namespace
