// Encoding speed of the short-block Vorbis encoder (build-time encoding of demo packages).
#include "vorbis_short/encoder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Ten seconds of tones over a noise bed: busy enough to exercise every residue class.
std::vector<int16_t> material() {
    constexpr int kRate = 44100;
    std::vector<int16_t> pcm(static_cast<size_t>(kRate) * 10 * 2);
    uint32_t state = 7;
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const double t = static_cast<double>(i) / kRate;
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 16) - 32768.0) / 32768.0;
        const double tone = std::sin(2 * M_PI * 220 * t) + 0.5 * std::sin(2 * M_PI * 1375 * t);
        pcm[2 * i] = static_cast<int16_t>(6000 * tone + 800 * noise);
        pcm[2 * i + 1] = static_cast<int16_t>(5000 * tone - 800 * noise);
    }
    return pcm;
}

void BM_VorbisShortEncode(benchmark::State& state) {
    const std::vector<int16_t> pcm = material();
    for (auto _ : state) {
        std::vector<uint8_t> out = vshort::encodeStereo(pcm.data(), pcm.size() / 2);
        benchmark::DoNotOptimize(out.data());
    }
    // Items = seconds of audio, so the reported rate reads as seconds encoded per second.
    state.SetItemsProcessed(state.iterations() * 10);
}
BENCHMARK(BM_VorbisShortEncode)->Unit(benchmark::kMillisecond);

} // namespace
