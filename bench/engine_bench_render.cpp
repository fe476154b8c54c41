// Sample-mixing renderer and compressor cost, as a share of the real-time period of a buffer.
//
//   rt_pct   CPU time of one 6144-frame buffer, % of its 139 ms at 44.1 kHz
//            (PCM sample mixing of 20 voices with the compressor: < 10; compressor alone: < 2)
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "compressor.h"
#include "engine_bench_workload.h"
#include "mxp4/mxp4.h"
#include "mxp4writer/wav_bytes.h"
#include "mxp4writer/writer.h"
#include "package.h"

namespace {

constexpr double kBufferSeconds = 6144.0 / bench::kRate;

// A package of `voices` PCM tracks on single-option nodes, each clip long enough to play
// through the measured buffers, with a peak compressor.
std::string pcmPackage(int voices) {
    mxp4w::PackageWriter w;
    w.header[2] = w.header[3] = w.header[12] = -1;
    w.header[mx::kHSampleRate] = bench::kRate;
    w.header[mx::kHCompressorMode] = 2;
    w.header[mx::kHCompThreshold] = -12 * 65536;
    w.header[mx::kHCompRatio] = 65536 / 2;
    w.header[mx::kHCompAttack] = 655;
    w.header[mx::kHCompRelease] = 6554;
    w.header[mx::kHCompCeiling] = 65536;
    constexpr int kFrames = 6144 * 40;
    for (int v = 0; v < voices; ++v) {
        std::vector<int16_t> pcm(2 * kFrames);
        for (int i = 0; i < kFrames; ++i)
            pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(3000 * std::sin(i * 0.01 * (v + 1)));
        mxp4w::Resource r;
        r.kind = 2;
        r.name = w.addString("r" + std::to_string(v));
        r.data = mxp4w::wavBytes(pcm, 2, bench::kRate);
        w.resources.push_back(std::move(r));
        mxp4w::Clip c;
        c.sectionLength = kFrames + 6144 * 4;
        c.audioLength = kFrames;
        c.resource = v;
        w.clips.push_back(c);
        mxp4w::Node n;
        n.optionFirst = v;
        n.optionCount = 1;
        w.nodes.push_back(n);
        mxp4w::Option o;
        o.clip = v;
        w.options.push_back(o);
        mxp4w::Track t;
        t.flags = v == 0 ? 3 : 2;
        t.node = v;
        w.tracks.push_back(t);
    }
    std::string path =
        (std::filesystem::temp_directory_path() /
         ("zephrun-bench-pcm-" + std::to_string(getpid()) + "-" + std::to_string(voices) + ".mxp4"))
            .string();
    return w.write(path) ? path : std::string();
}

void BM_RenderPcm(benchmark::State& state) {
    std::string path = pcmPackage(static_cast<int>(state.range(0)));
    struct Release {
        void operator()(mxp4_package* p) const { mxp4Release(p); }
    };
    std::unique_ptr<mxp4_package, Release> p(mxp4Loader(path.c_str(), 1));
    if (!p) {
        std::filesystem::remove(path);
        state.SkipWithError("package did not load");
        return;
    }
    std::vector<int16_t> out(2 * 6144);
    mxp4NextBuffer(p.get(), out.data());
    if (p->mix->startedCount != state.range(0)) {
        state.SkipWithError("voices did not start");
        std::filesystem::remove(path);
        return;
    }
    double cpu = 0;
    long buffers = 0;
    for (auto _ : state) {
        mxp4Reset(p.get());
        double t0 = bench::cpuNow();
        for (int k = 0; k < 32; ++k) mxp4NextBuffer(p.get(), out.data());
        cpu += bench::cpuNow() - t0;
        buffers += 32;
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["rt_pct"] = 100.0 * cpu / buffers / kBufferSeconds;
    p.reset();
    std::filesystem::remove(path); // voices read their clips from the package file
}
BENCHMARK(BM_RenderPcm)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_Compressor(benchmark::State& state) {
    mx::CompressorContext c;
    mx::compressorInit(&c, -12.0f, 0.5f, 0.01f, 0.1f, bench::kRate, 0.0f, 1.0f,
                       static_cast<int32_t>(state.range(0)));
    std::vector<int32_t> acc(2 * 6144);
    for (size_t i = 0; i < acc.size(); ++i)
        acc[i] = static_cast<int32_t>(20000 * 256 * std::sin(static_cast<double>(i) * 0.003));
    std::vector<int16_t> out(2 * 6144);
    double cpu = 0;
    long buffers = 0;
    for (auto _ : state) {
        double t0 = bench::cpuNow();
        for (size_t b = 0; b < 48; ++b)
            mx::compressorProcess(&c, out.data() + 256 * b, acc.data() + 256 * b);
        cpu += bench::cpuNow() - t0;
        ++buffers;
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["rt_pct"] = 100.0 * cpu / buffers / kBufferSeconds;
}
BENCHMARK(BM_Compressor)->Arg(8)->Arg(2)->Arg(1);

} // namespace
