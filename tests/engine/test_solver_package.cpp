// Solver on loaded packages: packages it refuses to order, its state after load, and the replay
// of the same decisions after a reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mixcalc.h"
#include "mxp4/mxp4.h"
#include "package.h"
#include "test_support.h"

namespace {

using Writer = mxp4w::PackageWriter;

class SolverPackageTest : public ::testing::Test {
  protected:
    int codeOf(const Writer& w) {
        std::string path = ts::writePackage(w, dir, "p" + std::to_string(serial++) + ".mxp4");
        int code = -100;
        mxp4Release(mxp4LoaderDiag(path.c_str(), 1, &code));
        return code;
    }
    ts::TempDir dir;
    int serial = 0;
};

// Nodes 0 (1 option), 1 and 2 (2 options each); options 0 | 1 2 | 3 4.
Writer threeNodes() {
    return ts::makeSimplePackage({.userTracks = 2, .options = 2});
}

TEST_F(SolverPackageTest, UnorderableOrOversizedPackagesAreRejected) {
    ASSERT_EQ(codeOf(threeNodes()), 0);

    Writer orphan = threeNodes();
    orphan.options.push_back({-1, -1, 0}); // option 5 belongs to no node
    orphan.conditions.push_back({0, 5});
    orphan.nodes[2].condFirst = 0;
    orphan.nodes[2].condCount = 1;
    EXPECT_EQ(codeOf(orphan), 134);

    Writer many = threeNodes();
    many.nodes.resize(1024);
    EXPECT_EQ(codeOf(many), 0);
    many.nodes.resize(1025);
    EXPECT_EQ(codeOf(many), -6);
}

TEST_F(SolverPackageTest, LoadLeavesNoStaleOptionsAndResetReplays) {
    Writer w = threeNodes();
    mxp4w::Relation soft;
    soft.other = 1;
    soft.priority = 4;
    std::vector<uint8_t> cells(3 * 2, 128);
    cells[1 * 2 + 1] = 0; // node 1 on its option 1 forbids node 2's option 1
    soft.matrixOffset = w.addMatrix(cells);
    w.relations.push_back(soft);
    w.nodes[2].relationFirst = 0;
    w.nodes[2].relationCount = 1;
    std::string path = ts::writePackage(w, dir);
    mxp4_package* p = mxp4Loader(path.c_str(), 1);
    ASSERT_NE(p, nullptr);

    EXPECT_EQ(p->mix->solver.softHead, 0);
    for (int32_t i = 0; i < p->nodes.count; ++i) {
        const mx::Node& n = p->nodes.items[i];
        EXPECT_EQ(n.current, -1);
        EXPECT_EQ(n.previous, -1);
        EXPECT_EQ(n.forced, -1);
        EXPECT_EQ(p->mix->solver.order[n.orderPos], i);
    }

    auto run = [&] {
        std::vector<int32_t> picks;
        for (int d = 0; d < 12; ++d) {
            mx::mxcSolveInit(p);
            mx::_constrBuild(p);
            EXPECT_EQ(mx::mxcSolveProcess(p, 1), 1);
            p->mix->firstDecision = false;
            for (int32_t i = 0; i < p->nodes.count; ++i) picks.push_back(p->nodes.items[i].current);
            EXPECT_FALSE(picks[picks.size() - 2] == 2 && picks.back() == 4);
        }
        return picks;
    };
    std::vector<int32_t> first = run();
    ASSERT_EQ(mxp4Reset(p), 0);
    EXPECT_EQ(p->mix->solver.rand, 0);
    EXPECT_EQ(run(), first);
    mxp4Release(p);
}

} // namespace
