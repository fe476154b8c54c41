// Player benchmarks: the mix player's CPU while it plays each demo package, the stream
// decoder's CPU for a preview, and the output callback's longest pull while a release runs.
// CPU figures are reported as the share of one core that real-time playback needs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/audio/music_volume.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/media/audio_decoder.h"
#include "platform/media/video_decoder.h"
#include "player/mxp4reader.h"

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::shared_ptr<zplatform::RecordingAudioBackend> installRecording() {
    auto backend = std::make_shared<zplatform::RecordingAudioBackend>();
    zplatform::AudioSession::setBackend(backend);
    zplatform::MusicVolume::shared().setVolume(1.0f);
    return backend;
}

// 30 seconds of a demo package through the player and the output's pull, in 8820-frame pulls
// as the device asks. "core_share" is CPU time over audio time.
void BM_MixPlayerPlaysDemoPackage(benchmark::State& state, const char* name) {
    const std::string path = std::string(ZEPHRUN_DEMO_DIR) + "/" + name + ".mxp4";
    double cpu = 0, audio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto backend = installRecording();
        auto player = zplayer::mxp4reader::initWithFilename(path, nullptr);
        if (!player) {
            state.SkipWithError("demo package missing (build target demo_packages)");
            return;
        }
        player->start();
        state.ResumeTiming();
        const double before = threadCpuSeconds();
        for (int i = 0; i < 150; ++i) backend->pumpFrames(zplayer::mxp4reader::kPullFrames);
        cpu += threadCpuSeconds() - before;
        audio += 150.0 * zplayer::mxp4reader::kPullFrames / backend->recordingRate();
        state.PauseTiming();
        backend->takeRecording();
        player.reset();
        zplatform::AudioSession::setBackend(nullptr);
        state.ResumeTiming();
    }
    state.counters["core_share"] = cpu / audio;
}
BENCHMARK_CAPTURE(BM_MixPlayerPlaysDemoPackage, home_2010, "home_2010")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_MixPlayerPlaysDemoPackage, home, "home")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_MixPlayerPlaysDemoPackage, mxt_2010, "mxt_2010")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

class MemoryInput : public zplatform::MediaInput {
  public:
    explicit MemoryInput(const std::string& bytes) : bytes_(bytes) {}
    int read(uint8_t* out, int size) override {
        const size_t n = std::min(bytes_.size() - at_, static_cast<size_t>(size));
        std::memcpy(out, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<int>(n);
    }

  private:
    const std::string& bytes_;
    size_t at_ = 0;
};

// A whole preview through the stream player's decoder (probe, demux, decode, conversion).
void BM_StreamDecodesPreview(benchmark::State& state, const char* file) {
    std::ifstream in(std::string(ZEPHRUN_TEST_DATA_DIR) + "/" + file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        state.SkipWithError("fixture missing (build target media_fixtures / ogg_fixtures)");
        return;
    }
    double cpu = 0, audio = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        MemoryInput input(bytes);
        zplatform::AudioDecoder decoder;
        if (decoder.open(input) != zplatform::AudioDecoder::Status::kOk) {
            state.SkipWithError("does not decode");
            return;
        }
        std::vector<int16_t> pcm;
        size_t frames = 0;
        while (decoder.decode(pcm) == zplatform::AudioDecoder::Status::kOk) {
            frames += pcm.size() / 2;
            pcm.clear();
        }
        frames += pcm.size() / 2;
        cpu += threadCpuSeconds() - before;
        audio += static_cast<double>(frames) / decoder.sampleRate();
    }
    state.counters["core_share"] = cpu / audio;
}
BENCHMARK_CAPTURE(BM_StreamDecodesPreview, ogg, "stereo_44k.ogg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StreamDecodesPreview, mp3, "tone.mp3")->Unit(benchmark::kMillisecond);

// A whole clip through the web view's video decoder (demux, VP8 and Vorbis decoding, pictures
// converted to RGBA, sound to 16-bit stereo); "core_share" is CPU time over the clip's length.
void BM_VideoDecodesClip(benchmark::State& state, const char* file) {
    std::ifstream in(std::string(ZEPHRUN_TEST_DATA_DIR) + "/" + file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        state.SkipWithError("fixture missing (build target media_fixtures)");
        return;
    }
    double cpu = 0, clip = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        MemoryInput input(bytes);
        zplatform::VideoDecoder decoder;
        if (decoder.open(input) != zplatform::VideoDecoder::Status::kOk) {
            state.SkipWithError("does not decode");
            return;
        }
        std::vector<zplatform::VideoPicture> pictures;
        std::vector<int16_t> pcm;
        double last = 0;
        while (decoder.decode(pictures, pcm) == zplatform::VideoDecoder::Status::kOk) {
            for (const auto& p : pictures) last = std::max(last, p.time);
            pictures.clear();
        }
        cpu += threadCpuSeconds() - before;
        clip += std::max(last + 0.1, static_cast<double>(pcm.size()) / 2.0 / decoder.sampleRate());
    }
    state.counters["core_share"] = cpu / clip;
}
BENCHMARK_CAPTURE(BM_VideoDecodesClip, webm_64x48, "clip.webm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VideoDecodesClip, webm_320x240, "clip_qvga.webm")
    ->Unit(benchmark::kMillisecond);

// The longest single pull of the output while a release holds the render lock (the player's
// one-second hold), against the longest pull while it renders, in thread CPU time (what the
// callback costs) and in wall time (which also shows any wait, and the machine's preemption).
// The goal: under 1 ms during a release, because the callback never waits.
void BM_CallbackDuringRelease(benchmark::State& state) {
    const std::string path = std::string(ZEPHRUN_DEMO_DIR) + "/mxt_2010.mxp4";
    double releaseCpu = 0, releaseWall = 0, renderCpu = 0, renderWall = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto backend = installRecording();
        auto player = zplayer::mxp4reader::initWithFilename(path, nullptr);
        if (!player) {
            state.SkipWithError("demo package missing (build target demo_packages)");
            return;
        }
        player->start();
        auto pullOnce = [&](double& cpuMax, double& wallMax) {
            const auto t0 = Clock::now();
            const double c0 = threadCpuSeconds();
            backend->pumpFrames(zplayer::mxp4reader::kPullFrames);
            cpuMax = std::max(cpuMax, (threadCpuSeconds() - c0) * 1e3);
            wallMax = std::max(
                wallMax, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            backend->takeRecording(); // the recording must not grow through the measure
        };
        for (int i = 0; i < 20; ++i) pullOnce(renderCpu, renderWall);
        player->audioRelease();
        player.reset();
        // Pull as fast as the device could ask during the hold.
        while (backend->openOutputs() > 0) pullOnce(releaseCpu, releaseWall);
        zplayer::mxp4reader::waitForReleases(5);
        backend->takeRecording();
        zplatform::AudioSession::setBackend(nullptr);
    }
    state.counters["release_cpu_ms"] = releaseCpu;
    state.counters["release_wall_ms"] = releaseWall;
    state.counters["render_cpu_ms"] = renderCpu;
    state.counters["render_wall_ms"] = renderWall;
}
BENCHMARK(BM_CallbackDuringRelease)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
