// Solver set-up: solving order, dependency matrix, soft-relation list, candidate sort, generator.
#include <gtest/gtest.h>

#include <random>

#include "solver_fixture.h"

using solvertest::Pkg;

namespace {

uint8_t dep(Pkg& k, int32_t row, int32_t col) {
    return k.solver().depends[static_cast<size_t>(row) * k.nodes.size() + col];
}

TEST(SolverOrder, FewestOptionsFirstAmongEligibleAndTransitiveMatrix) {
    Pkg k;
    int32_t a = k.node({1, 1, 1});
    int32_t b = k.node({1, 1});
    int32_t c = k.node({1});
    int32_t d = k.node({1, 1});
    int32_t e = k.node({1, 1});
    k.relation(b, a, 0);                               // b needs a
    k.spec(c).condOptions = {k.opt(b, 1)};             // c is active depending on b
    k.relation(d, c, 0, 128, mx::kRelationUseCurrent); // previous solution only: no dependency
    ASSERT_EQ(k.build(), 0);

    // d (2 options, lower index than e) and e go before a (3); b waits for a, c for b.
    std::vector<int32_t> order(k.solver().order, k.solver().order + 5);
    EXPECT_EQ(order, (std::vector<int32_t>{d, e, a, b, c}));
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(k.nodes[order[i]].orderPos, i);

    // Rows by order position: b (2) on a (2), c (4) on b and transitively on a.
    for (int32_t i = 0; i < 5; ++i)
        for (int32_t j = 0; j < 5; ++j) {
            bool expected = (i == 3 && j == 2) || (i == 4 && (j == 3 || j == 2));
            EXPECT_EQ(dep(k, i, j), expected ? 1 : 0) << i << "," << j;
        }
}

TEST(SolverOrder, RelationConditionsCountAsDependencies) {
    Pkg k;
    int32_t a = k.node({1, 1});
    int32_t b = k.node({1});
    int32_t r = k.relation(b, a, 3, 128, mx::kRelationUseCurrent);
    int32_t c = k.node({1, 1, 1});
    k.spec(b).rels[r].condOptions = {k.opt(c, 2)};
    ASSERT_EQ(k.build(), 0);
    // b has the fewest options but waits for c, which its relation's condition names.
    EXPECT_EQ(k.solver().order[0], a);
    EXPECT_EQ(k.solver().order[1], c);
    EXPECT_EQ(k.solver().order[2], b);
    EXPECT_EQ(dep(k, 2, 1), 1);
    EXPECT_EQ(dep(k, 2, 0), 0);
}

TEST(SolverOrder, CyclicPackagesAreRejected) {
    {
        Pkg k;
        int32_t a = k.node({1});
        int32_t b = k.node({1});
        k.relation(a, b, 0);
        k.relation(b, a, 0);
        EXPECT_NE(k.build(), 0);
    }
    {
        Pkg k; // a node activated by its own option
        int32_t a = k.node({1, 1});
        k.spec(a).condOptions = {k.opt(a, 0)};
        EXPECT_NE(k.build(), 0);
    }
    {
        Pkg k; // the same pair through the previous solution is fine
        int32_t a = k.node({1});
        int32_t b = k.node({1});
        k.relation(a, b, 0, 128, mx::kRelationUseCurrent);
        k.relation(b, a, 0);
        EXPECT_EQ(k.build(), 0);
    }
}

TEST(SolverOrder, OverlappingRangesAreRejected) {
    {
        Pkg k;
        k.node({1, 1});
        k.node({1, 1});
        ASSERT_EQ(k.build(), 0);
        // Node 0 claims node 1's options too: validation left them owned by node 1.
        k.nodes[0].optionCount = 4;
        EXPECT_NE(mx::mxcPrecalc(&k.p), 0);
    }
    {
        Pkg k;
        int32_t a = k.node({1});
        int32_t b = k.node({1});
        k.relation(b, a, 0);
        ASSERT_EQ(k.build(), 0);
        k.nodes[a].relationCount = 1; // b's relation inside a's range
        k.nodes[a].relationFirst = 0;
        EXPECT_NE(mx::mxcPrecalc(&k.p), 0);
    }
    {
        Pkg k; // a condition naming an option outside the table
        int32_t a = k.node({1});
        k.spec(a).condOptions = {7};
        EXPECT_NE(k.build(), 0);
    }
}

TEST(SolverOrder, NodeCountBeyondTheLimitIsAnAllocationFailure) {
    Pkg k;
    for (int i = 0; i < 1025; ++i) k.node({1});
    EXPECT_EQ(k.build(), -1);
}

// The soft-relation list must equal the literal insertion: before the first entry whose
// priority is not less than the new one.
TEST(SolverOrder, SoftRelationsAscendingLaterEqualFirst) {
    std::mt19937 gen(7);
    for (int round = 0; round < 20; ++round) {
        Pkg k;
        int32_t a = k.node({1});
        int32_t b = k.node({1});
        int count = 1 + round * 7;
        for (int i = 0; i < count; ++i)
            k.relation(b, a, static_cast<int32_t>(gen() % 6)); // priority 0 now and then
        ASSERT_EQ(k.build(), 0);

        std::vector<int32_t> expected;
        for (int32_t i = 0; i < static_cast<int32_t>(k.relations.size()); ++i) {
            if (k.relations[i].priority == 0) continue;
            auto at = expected.begin();
            while (at != expected.end() && k.relations[*at].priority < k.relations[i].priority)
                ++at;
            expected.insert(at, i);
        }
        std::vector<int32_t> got;
        for (int32_t r = k.solver().softHead; r >= 0; r = k.relations[r].link) got.push_back(r);
        EXPECT_EQ(got, expected) << "round " << round;
    }
}

// Literal recursive form of the candidate sort, as reference.
int32_t referenceSort(std::vector<mx::Option>& o, int32_t head) {
    if (head < 0) return -1;
    int32_t a = -1, b = -1;
    for (int32_t e = o[head].link; e >= 0;) {
        int32_t next = o[e].link;
        int32_t& list = o[e].key >= o[head].key ? a : b;
        o[e].link = list;
        list = e;
        e = next;
    }
    a = referenceSort(o, a);
    b = referenceSort(o, b);
    o[head].link = b;
    if (a < 0) return head;
    int32_t t = a;
    while (o[t].link >= 0) t = o[t].link;
    o[t].link = head;
    return a;
}

std::vector<int32_t> walk(const std::vector<mx::Option>& o, int32_t head) {
    std::vector<int32_t> out;
    for (; head >= 0; head = o[head].link) out.push_back(head);
    return out;
}

TEST(SolverQuicksort, EqualKeysKeepTheirFixedOrder) {
    Pkg k;
    k.node({1, 1, 1, 1, 1});
    ASSERT_EQ(k.build(), 0);
    // List o0 o1 o2 o3 o4 with keys 5 5 7 5 3.
    int32_t keys[] = {5, 5, 7, 5, 3};
    for (int32_t i = 0; i < 5; ++i) {
        k.options[i].key = keys[i];
        k.options[i].link = i + 1 < 5 ? i + 1 : -1;
    }
    int32_t head = mx::_quicksort(&k.p, 0);
    EXPECT_EQ(walk(k.options, head), (std::vector<int32_t>{2, 1, 3, 0, 4}));
}

TEST(SolverQuicksort, MatchesTheRecursiveFormOnRandomLists) {
    std::mt19937 gen(11);
    for (int round = 0; round < 200; ++round) {
        Pkg k;
        int n = 1 + static_cast<int>(gen() % 40);
        k.node(std::vector<int32_t>(n, 1));
        ASSERT_EQ(k.build(), 0);
        std::vector<int32_t> perm(n);
        for (int i = 0; i < n; ++i) perm[i] = i;
        std::shuffle(perm.begin(), perm.end(), gen);
        for (int i = 0; i < n; ++i) {
            k.options[perm[i]].key = static_cast<int32_t>(gen() % 5) - 1; // duplicates, negatives
            k.options[perm[i]].link = i + 1 < n ? perm[i + 1] : -1;
        }
        std::vector<mx::Option> copy = k.options;
        int32_t expected = referenceSort(copy, perm[0]);
        int32_t got = mx::_quicksort(&k.p, perm[0]);
        ASSERT_EQ(walk(k.options, got), walk(copy, expected)) << "round " << round;
    }
}

TEST(SolverRand, WrappingSequenceFromReset) {
    Pkg k;
    k.node({1});
    ASSERT_EQ(k.build(), 0);
    EXPECT_EQ(k.solver().rand, 0);
    EXPECT_EQ(mxp4Rand(&k.p), 0);
    EXPECT_EQ(mxp4Rand(&k.p), 33787);
    EXPECT_EQ(mxp4Rand(&k.p), 18821);
    EXPECT_EQ(mxp4Rand(&k.p), 56579); // state 0x8edd0370 is negative: masked, not sign-extended
    EXPECT_EQ(static_cast<uint32_t>(k.solver().rand), 0x8edd0370u);
    k.solver().rand = INT32_MAX;
    EXPECT_EQ(mxp4Rand(&k.p), 56506);
    EXPECT_EQ(k.solver().rand, 0x7edcbaa4);

    mxp4_package info{}; // no mix state: no generator
    EXPECT_EQ(mxp4Rand(&info), 0);
}

} // namespace
