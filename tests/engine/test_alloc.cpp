// Rendering allocates nothing: heap calls are counted across many sections of PCM, ADPCM and
// Vorbis packages (both mixing paths), with embedded and external resources, together with the
// decoder arenas' fallbacks to the heap.
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "render_fixture.h"
#include "voice_arena.h"
#include "vorbis_short/encoder.h"

namespace {

bool gArmed = false;
long gHeapCalls = 0;

void count() {
    if (gArmed) ++gHeapCalls;
}

} // namespace

// Every C++ allocation of the process goes through these while the counter is armed.
void* operator new(std::size_t n) {
    count();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    count();
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p) noexcept {
    if (p) count();
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}

// The C heap too (file handles, stdio, decoder internals outside the arenas). AddressSanitizer
// owns malloc itself, so this part only counts in regular builds.
#if !defined(__SANITIZE_ADDRESS__)
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    count();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t s) {
    count();
    return __libc_calloc(n, s);
}
void* realloc(void* p, size_t n) {
    count();
    return __libc_realloc(p, n);
}
void free(void* p) {
    if (p) count();
    __libc_free(p);
}
}
#endif

namespace {

// Renders `calls` player-sized pieces and returns the heap calls and arena fallbacks they made.
struct Counts {
    long heap;
    uint64_t fallbacks;
};

Counts render(mxp4_package* p, int calls, int frames = 8820) {
    std::vector<int16_t> out(2 * static_cast<size_t>(frames));
    uint64_t before = mx::arenaFallbackCount();
    gHeapCalls = 0;
    gArmed = true;
    for (int k = 0; k < calls; ++k) mxp4NextBufferN(p, out.data(), frames);
    gArmed = false;
    return {gHeapCalls, mx::arenaFallbackCount() - before};
}

// Voices must really have played: count the clips started over the run.
int startsOver(mxp4_package* p, int calls) {
    int starts = 0;
    std::vector<int16_t> out(2 * 6144);
    for (int k = 0; k < calls; ++k) {
        mxp4NextBuffer(p, out.data());
        starts += p->mix->startedCount;
    }
    return starts;
}

TEST(RenderAllocation, PcmPackages) {
    for (bool embed : {true, false}) {
        ts::TempDir dir;
        ts::SimplePackage shape;
        shape.userTracks = 4;
        shape.options = 3;
        shape.clipFrames = 9000;
        shape.sectionFrames = 8000;
        shape.embed = embed;
        std::string path = ts::writeSimplePackage(dir, shape);
        rt::Package p(mxp4Loader(path.c_str(), 1));
        ASSERT_TRUE(p);
        Counts c = render(p.get(), 300);
        EXPECT_EQ(c.heap, 0) << "embedded " << embed;
        EXPECT_EQ(c.fallbacks, 0u);
        EXPECT_GT(startsOver(p.get(), 20), 20);
    }
}

TEST(RenderAllocation, AdpcmPackage) {
    ts::TempDir dir;
    rt::Builder b;
    b.masterTrack(b.emptyClip(7000));
    for (int t = 0; t < 3; ++t) {
        auto pcm = ts::sineStereo(8000, 220.0 * (t + 1), 330.0, 0.3);
        b.userTrack(b.rawClip(4, ts::adpcmEncode(pcm), 8000, 7000));
    }
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    Counts c = render(p.get(), 300);
    EXPECT_EQ(c.heap, 0);
    EXPECT_EQ(c.fallbacks, 0u);
    EXPECT_GT(startsOver(p.get(), 20), 20);
}

TEST(RenderAllocation, VorbisPackageBothPaths) {
    ts::TempDir dir;
    rt::Builder b;
    b.masterTrack(b.emptyClip(7040));
    for (int t = 0; t < 3; ++t) {
        auto pcm = ts::sineStereo(8000, 220.0 * (t + 1), 330.0, 0.3);
        b.userTrack(b.rawClip(1, vshort::encodeStereo(pcm.data(), 8000), 8000, 7040));
    }
    auto p = b.load(dir);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->mix->freq);
    for (int path : {0, 1}) {
        ASSERT_EQ(mxp4Reset(p.get()), 0);
        p->mix->forcePath = path;
        Counts c = render(p.get(), 200);
        EXPECT_EQ(c.heap, 0) << "path " << path;
        EXPECT_EQ(c.fallbacks, 0u) << "path " << path;
        EXPECT_GT(startsOver(p.get(), 20), 20);
    }
}

} // namespace
