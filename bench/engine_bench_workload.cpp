// Workloads of the engine benchmarks: synthesized clips, short-block encoding, package files.
#include "engine_bench_workload.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

#include "mxp4writer/writer.h"
#include "voice_arena.h"
#include "vorbis_short/encoder.h"

namespace bench {
namespace {

// Distinct streams, reused round-robin by the voices: decoding cost does not depend on which.
constexpr int kDistinctStreams = 4;

// A music-like clip: a few decaying partials over a soft noise bed, quiet enough that twenty of
// them rarely clip.
std::vector<int16_t> clipAudio(int frames, int index) {
    std::vector<int16_t> pcm(2 * static_cast<size_t>(frames));
    uint32_t seed = 12345u + 977u * static_cast<uint32_t>(index);
    const double base = 110.0 * (1 + index % 5);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double beat = std::fmod(t, 0.25);
        double v = 0;
        for (int h = 1; h <= 4; ++h)
            v += std::sin(2 * M_PI * base * h * t) * std::exp(-beat * 6.0 * h) / h;
        seed = seed * 1664525u + 1013904223u;
        const double n = (double(seed >> 8) / 16777216.0 - 0.5) * 0.1;
        const double l = 0.05 * (v + n), r = 0.05 * (0.8 * v - n);
        pcm[2 * i] = static_cast<int16_t>(std::lround(l * 32767));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(r * 32767));
    }
    return pcm;
}

struct Store {
    std::map<int, std::unique_ptr<Workload>> byVoices;
    std::vector<std::vector<uint8_t>> distinct;
    ~Store() {
        for (auto& [v, w] : byVoices) {
            std::error_code ec;
            std::filesystem::remove_all(w->dir, ec);
        }
    }
};

Store& store() {
    static Store s;
    return s;
}

const std::vector<uint8_t>& distinctStream(int i) {
    Store& s = store();
    if (s.distinct.empty()) {
        for (int k = 0; k < kDistinctStreams; ++k) {
            std::vector<int16_t> pcm = clipAudio(kClipFrames, k);
            s.distinct.push_back(vshort::encodeStereo(pcm.data(), kClipFrames));
            if (s.distinct.back().empty()) {
                std::fprintf(stderr, "short-block encoder failed\n");
                std::abort();
            }
        }
    }
    return s.distinct[static_cast<size_t>(i % kDistinctStreams)];
}

std::unique_ptr<Workload> build(int voices) {
    auto w = std::make_unique<Workload>();
    w->voices = voices;
    char tmpl[] = "/tmp/zephrun_bench_XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    w->dir = tmpl;
    w->path = w->dir + "/bench.mxp4";

    mxp4w::PackageWriter pw;
    pw.header[2] = pw.header[3] = -1;
    pw.header[6] = kRate;
    pw.header[12] = -1;
    // RMS compressor, -18 dB threshold, ratio 4, 5 ms attack, 200 ms release, ceiling 1.
    pw.header[4] = 8;
    pw.header[14] = -18 * 65536;
    pw.header[15] = 65536 / 4;
    pw.header[16] = 65536 / 200;
    pw.header[17] = 65536 / 5;
    pw.header[18] = 0;
    pw.header[19] = 65536;
    for (int v = 0; v < voices; ++v) {
        w->streams.push_back(distinctStream(v));
        mxp4w::Resource r;
        r.kind = 1;
        r.name = pw.addString("clip" + std::to_string(v) + ".ogg");
        r.data = w->streams.back();
        pw.resources.push_back(std::move(r));
        mxp4w::Clip c;
        c.sectionLength = kSectionFrames;
        c.audioLength = kClipFrames;
        c.option = v;
        c.resource = v;
        pw.clips.push_back(c);
        mxp4w::Option o;
        o.clip = v;
        o.weight = 256;
        pw.options.push_back(o);
        mxp4w::Node n;
        n.optionFirst = v;
        n.optionCount = 1;
        pw.nodes.push_back(n);
        mxp4w::Track t;
        t.flags = v == 0 ? 3 : 2; // every track plays; the first sets the sections
        t.keepPriority = 100;
        t.node = v;
        pw.tracks.push_back(t);
    }
    std::string error;
    if (!pw.write(w->path, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", w->path.c_str(), error.c_str());
        std::abort();
    }
    return w;
}

struct MemStream {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

size_t memRead(void* ptr, size_t size, size_t nmemb, void* ds) {
    auto* m = static_cast<MemStream*>(ds);
    if (size == 0) return 0;
    size_t n = std::min(size * nmemb, m->bytes->size() - m->pos);
    std::memcpy(ptr, m->bytes->data() + m->pos, n);
    m->pos += n;
    return n / size;
}
int memSeek(void*, ogg_int64_t, int) {
    return -1;
}
long memTell(void*) {
    return -1;
}
int memClose(void*) {
    return 0;
}

} // namespace

double cpuNow() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

const Workload& workload(int voices) {
    auto& slot = store().byVoices[voices];
    if (!slot) slot = build(voices);
    return *slot;
}

long decodeFrames(const std::vector<uint8_t>& stream, long frames, double* openSeconds) {
    // The decoder allocates from an arena, as the engine's voices do.
    static thread_local mx::VoiceArena* arena = mx::arenaCreate(mx::kVoiceArenaBytes);
    mx::ArenaScope scope(arena);
    MemStream m{&stream, 0};
    OggVorbis_File vf;
    ov_callbacks cb = {memRead, memSeek, memClose, memTell};
    const double t0 = cpuNow();
    if (ov_open_callbacks(&m, &vf, nullptr, 0, cb) != 0) return 0;
    if (openSeconds) *openSeconds += cpuNow() - t0;
    static thread_local char buffer[4 * 6144];
    long want = frames * 4, got = 0;
    int bitstream = 0;
    while (got < want) {
        long n = ov_read(&vf, buffer, static_cast<int>(std::min<long>(want - got, sizeof buffer)),
                         &bitstream);
        if (n <= 0) break;
        got += n;
    }
    ov_clear(&vf);
    mx::arenaReset(arena);
    return got / 4;
}

} // namespace bench
