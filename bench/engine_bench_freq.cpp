// Frequency path against sample path and against Tremor alone, measured side by side in one run
// on the same short-block packages; every figure is a ratio reported as a counter.
//
//   f               share of Tremor's decode time spent in inverse MDCT + windowing
//   ceiling         S(V) = V / (V(1 - f) + f), the best speed-up summing spectra can give
//   sample_vs_dec   sample path (decode, mix, compressor) / the voices decoded alone (<= 1.10)
//   freq_speedup    voices decoded alone / frequency path
//   freq_of_ceil    freq_speedup / ceiling (>= 0.90)
//   freq_vs_sample  frequency path / sample path (<= 1 with one voice)
//   worst_pct       slowest 6144-frame render of the frequency path, % of its real-time period
//                   (< 25 at 20 voices); worst_sample_pct the same for the sample path
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine_bench_workload.h"
#include "freq/tremor_hooks.h"
#include "mxp4/mxp4.h"
#include "package.h"

namespace {

using bench::cpuNow;

// Every voice decodes its clip, as the mix plays it.
double decodeAll(const bench::Workload& w, bool bypass, double* openSeconds = nullptr) {
    mx::vorbisFreqSetBypass(bypass);
    const double t0 = cpuNow();
    long frames = 0;
    for (const auto& stream : w.streams)
        frames += bench::decodeFrames(stream, bench::kClipFrames, openSeconds);
    const double t1 = cpuNow();
    mx::vorbisFreqSetBypass(false);
    benchmark::DoNotOptimize(frames);
    return t1 - t0;
}

struct RenderTime {
    double total = 0;
    double worst = 0;
};

// Loaded once per workload and path and kept warm, as a player keeps its package: every
// measurement starts from mxp4Reset.
mxp4_package* package(const bench::Workload& w, bool samplePath) {
    struct Release {
        void operator()(mxp4_package* p) const { mxp4Release(p); }
    };
    static std::map<std::pair<int, bool>, std::unique_ptr<mxp4_package, Release>> loaded;
    auto& slot = loaded[{w.voices, samplePath}];
    if (!slot) {
        slot.reset(mxp4Loader(w.path.c_str(), 1));
        if (!slot || !slot->mix->freq) return nullptr;
        slot->mix->forcePath = samplePath ? 1 : 0;
    }
    return slot.get();
}

RenderTime render(const bench::Workload& w, bool samplePath) {
    RenderTime r;
    mxp4_package* p = package(w, samplePath);
    if (!p) return r;
    mxp4Reset(p);
    static thread_local int16_t out[2 * MXP4_BUFFER_FRAMES];
    for (int b = 0; b < bench::kBuffers; ++b) {
        const double t0 = cpuNow();
        mxp4NextBuffer(p, out);
        const double t = cpuNow() - t0;
        benchmark::DoNotOptimize(out[0]);
        r.total += t;
        r.worst = std::max(r.worst, t);
    }
    return r;
}

// Interference from other processes only ever adds time: the fastest of the repetitions is the
// best estimate of each figure.
void BM_FreqRatios(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    const bench::Workload& w = bench::workload(voices);
    double openShare = 0;
    double dec = 1e30, byp = 1e30, smp = 1e30, frq = 1e30, worstF = 1e30, worstS = 1e30;
    bool failed = false;
    // One untimed round first: arenas and caches warm, as in a player that has been running.
    decodeAll(w, false);
    decodeAll(w, true);
    render(w, true);
    render(w, false);
    for (auto _ : state) {
        double open = 0;
        const double d = decodeAll(w, false, &open);
        if (d < dec) {
            dec = d;
            openShare = open / d;
        }
        byp = std::min(byp, decodeAll(w, true));
        RenderTime s = render(w, true);
        RenderTime f = render(w, false);
        if (s.total == 0 || f.total == 0) failed = true;
        smp = std::min(smp, s.total);
        frq = std::min(frq, f.total);
        worstS = std::min(worstS, s.worst);
        worstF = std::min(worstF, f.worst);
    }
    if (failed) {
        state.SkipWithError("the workload package did not load for frequency mixing");
        return;
    }
    const double f = std::clamp(1.0 - byp / dec, 0.0, 1.0);
    const double ceiling = voices / (voices * (1 - f) + f);
    const double period = double(MXP4_BUFFER_FRAMES) / bench::kRate;
    const double speedup = dec / frq;
    state.counters["f"] = f;
    state.counters["open_share"] = openShare;
    state.counters["ceiling"] = ceiling;
    state.counters["sample_vs_dec"] = smp / dec;
    state.counters["freq_speedup"] = speedup;
    state.counters["freq_of_ceil"] = speedup / ceiling;
    state.counters["freq_vs_sample"] = frq / smp;
    state.counters["worst_pct"] = 100 * worstF / period;
    state.counters["worst_sample_pct"] = 100 * worstS / period;
    state.counters["rt_x"] = (double(bench::kBuffers) * period) / frq; // real-time multiple
}

} // namespace

BENCHMARK(BM_FreqRatios)->Arg(1)->Arg(5)->Arg(20)->Iterations(8)->Unit(benchmark::kMillisecond);
