// Solver benchmark: full decisions (constraints, soft relations, random solve) on packages of N
// nodes chained by a hard relation and a soft one with 1 in 8 pairs forbidden, one kept track
// per node.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "mixcalc.h"
#include "mxp4/mxp4.h"
#include "mxp4writer/writer.h"
#include "package.h"

namespace {

constexpr int kOptions = 4;

mxp4w::PackageWriter chain(int nodes) {
    mxp4w::PackageWriter w;
    w.header[2] = w.header[3] = -1; // no texts
    std::mt19937 gen(static_cast<uint32_t>(nodes));
    for (int i = 0; i < nodes; ++i) {
        mxp4w::Node n;
        n.optionFirst = static_cast<int32_t>(w.options.size());
        n.optionCount = kOptions;
        for (int k = 0; k < kOptions; ++k) w.options.push_back({-1, -1, 64 + 64 * k});
        if (i > 0) {
            n.relationFirst = static_cast<int32_t>(w.relations.size());
            n.relationCount = 2;
            for (int r = 0; r < 2; ++r) {
                std::vector<uint8_t> cells((kOptions + 1) * kOptions);
                for (auto& c : cells)
                    c = gen() % 8 == 0 ? 0 : static_cast<uint8_t>(1 + gen() % 255);
                mxp4w::Relation rel;
                rel.other = r == 0 || i < 2 ? i - 1 : i - 2;
                rel.priority = r == 0 ? 0 : 1 + static_cast<int32_t>(gen() % 8);
                rel.matrixOffset = w.addMatrix(cells);
                w.relations.push_back(rel);
            }
        }
        w.nodes.push_back(n);
        mxp4w::Track t;
        t.flags = 2;
        t.keepPriority = 20 + i % 5;
        t.node = i;
        w.tracks.push_back(t);
    }
    return w;
}

void BM_SolverDecision(benchmark::State& state) {
    int nodes = static_cast<int>(state.range(0));
    std::string path =
        (std::filesystem::temp_directory_path() /
         ("solver_bench_" + std::to_string(getpid()) + "_" + std::to_string(nodes) + ".mxp4"))
            .string();
    if (!chain(nodes).write(path)) {
        state.SkipWithError("cannot write the package");
        return;
    }
    mxp4_package* p = mxp4Loader(path.c_str(), 1);
    std::remove(path.c_str());
    if (!p) {
        state.SkipWithError("package refused");
        return;
    }
    int64_t solved = 0;
    for (auto _ : state) {
        for (int32_t i = 0; i < p->tracks.count; ++i) p->tracks.items[i].countdown = 2;
        mx::mxcSolveInit(p);
        mx::_constrBuild(p);
        solved += mx::mxcSolveProcess(p, 1);
    }
    state.counters["solved"] =
        benchmark::Counter(static_cast<double>(solved), benchmark::Counter::kAvgIterations);
    mxp4Release(p);
}

} // namespace

BENCHMARK(BM_SolverDecision)->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);
