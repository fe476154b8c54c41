// Audio sources: resource location and bounded reads, the WAV scan and PCM reads, Ogg Vorbis
// opening and decoding through the package, frequency-path eligibility and the decoder arenas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "sources_fixture.h"
#include "voice_arena.h"
#include "vorbis_short/encoder.h"

namespace {

using srct::openVoice;
using srct::resource;

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void tag(std::vector<uint8_t>& b, const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
}

void fmtChunk(std::vector<uint8_t>& b, int channels) {
    tag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, static_cast<uint16_t>(channels));
    put32(b, 44100);
    put32(b, 44100u * 2 * static_cast<uint32_t>(channels));
    put16(b, static_cast<uint16_t>(2 * channels));
    put16(b, 16);
}
void dataChunk(std::vector<uint8_t>& b, const std::vector<int16_t>& s) {
    tag(b, "data");
    put32(b, static_cast<uint32_t>(s.size() * 2));
    for (int16_t v : s) put16(b, static_cast<uint16_t>(v));
}

// A WAV whose "data" tag starts exactly at byte `dataAt` (>= 44), pushed there by a filler chunk.
std::vector<uint8_t> wavWithDataAt(size_t dataAt, const std::vector<int16_t>& s, int channels = 2) {
    std::vector<uint8_t> b;
    tag(b, "RIFF");
    put32(b, 0);
    tag(b, "WAVE");
    fmtChunk(b, channels);
    tag(b, "junk");
    put32(b, static_cast<uint32_t>(dataAt - 44));
    b.resize(dataAt, 0);
    dataChunk(b, s);
    return b;
}

std::vector<int16_t> ramp(size_t n) {
    std::vector<int16_t> s(n);
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>(i * 37 - 9000);
    return s;
}

std::string dataDir() {
    const char* env = std::getenv("ZEPHRUN_TEST_DATA");
    return env ? env : ZEPHRUN_TEST_DATA_DIR;
}

std::vector<uint8_t> fixture(const std::string& name) {
    auto bytes = ts::readBytes(dataDir() + "/" + name);
    EXPECT_FALSE(bytes.empty()) << "missing fixture " << name;
    return bytes;
}

std::vector<int16_t> fixturePcm(const std::string& name) {
    auto bytes = fixture(name);
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

// Signal-to-noise ratio in dB of `got` against `ref`, channel `c` of `stride`-interleaved data.
double snr(const std::vector<int16_t>& ref, const std::vector<int16_t>& got, int c, int stride,
           int gotC, int gotStride) {
    double sig = 0, err = 0;
    size_t frames = std::min(ref.size() / stride, got.size() / gotStride);
    for (size_t i = 0; i < frames; ++i) {
        double r = ref[i * stride + c], g = got[i * gotStride + gotC];
        sig += r * r;
        err += (r - g) * (r - g);
    }
    return 10 * std::log10(sig / std::max(err, 1.0));
}

// --- Resource files ---------------------------------------------------------------------------

TEST(ResourceFile, IndexAndLengthChecks) {
    ts::TempDir dir;
    mxp4w::Resource unavailable = resource(2, wavWithDataAt(44, ramp(400)));
    unavailable.length = -1;
    auto p =
        srct::load(srct::writerWith({unavailable, resource(2, wavWithDataAt(44, ramp(400)))}), dir);
    ASSERT_TRUE(p);
    mx::VoiceSource& s = p->mix->voices[0].src;
    EXPECT_EQ(mx::rscFileOpen(p.get(), 0, &s), 0) << "negative length never opens";
    EXPECT_EQ(mx::rscFileOpen(p.get(), -1, &s), 0);
    EXPECT_EQ(mx::rscFileOpen(p.get(), 2, &s), 0);
    EXPECT_FALSE(s.fileOpen);
    EXPECT_EQ(openVoice(p.get(), 0), 0);
    EXPECT_EQ(openVoice(p.get(), 1), 1);
}

TEST(ResourceFile, ReadsStopAtTheResourceLength) {
    ts::TempDir dir;
    std::vector<uint8_t> a(3000), b(500, 0xee);
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(i * 7);
    mxp4w::Resource shortA = resource(2, a);
    shortA.length = 2000; // the next 1000 bytes of the data area are not this resource's
    auto p = srct::load(srct::writerWith({shortA, resource(2, b)}), dir);
    ASSERT_TRUE(p);
    mx::VoiceSource& s = p->mix->voices[0].src;
    ASSERT_EQ(mx::rscFileOpen(p.get(), 0, &s), 1);
    std::vector<uint8_t> got(5000, 0);
    EXPECT_EQ(mx::rscFileRead(&s, got.data(), 100), 100);
    EXPECT_EQ(mx::rscFileRead(&s, got.data() + 100, 5000 - 100), 1900);
    EXPECT_EQ(mx::rscFileRead(&s, got.data(), 10), 0);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 2000, got.begin()));
    mx::rscFileClose(&s);

    // The second resource starts after the first one's full data.
    ASSERT_EQ(mx::rscFileOpen(p.get(), 1, &s), 1);
    EXPECT_EQ(mx::rscFileRead(&s, got.data(), 5000), 500);
    EXPECT_EQ(got[0], 0xee);
    EXPECT_EQ(got[499], 0xee);
    mx::rscFileClose(&s);
}

TEST(ResourceFile, ExternalResourcesLieBesideThePackage) {
    ts::TempDir dir;
    std::filesystem::create_directories(dir.file("pkg/audio"));
    std::vector<int16_t> pcm = ramp(1000);
    std::vector<uint8_t> wav = wavWithDataAt(44, pcm);
    auto w = srct::writerWith(
        {resource(2, {}), resource(2, {}), resource(2, {}), resource(2, {}), resource(2, {})});
    w.embedResources = false;
    const std::string outside = dir.file("outside.wav");
    const char* names[] = {"a.wav", "audio/b.wav", "missing.wav", "../outside.wav",
                           outside.c_str()};
    for (int i = 0; i < 5; ++i) {
        w.resources[i].name = w.addString(names[i]);
        w.resources[i].length = static_cast<int32_t>(wav.size());
    }
    ASSERT_TRUE(ts::writeBytes(dir.file("pkg/test.mxp4"), w.build()));
    ASSERT_TRUE(ts::writeBytes(dir.file("pkg/a.wav"), wav));
    ASSERT_TRUE(ts::writeBytes(dir.file("pkg/audio/b.wav"), wav));
    // Present, but outside the package's directory: must not be reachable.
    ASSERT_TRUE(ts::writeBytes(outside, wav));
    srct::PackagePtr p(mxp4Loader(dir.file("pkg/test.mxp4").c_str(), 1));
    ASSERT_TRUE(p);
    ASSERT_EQ(p->dataArea, 0);

    for (int clip : {0, 1}) {
        int32_t ch = -1;
        ASSERT_EQ(openVoice(p.get(), clip, 0, &ch), 1) << clip;
        EXPECT_EQ(ch, 1);
        EXPECT_EQ(srct::readAll(p.get(), 0, 256, 2), pcm);
        srct::closeVoice(p.get());
    }
    EXPECT_EQ(openVoice(p.get(), 2), 0);
    EXPECT_EQ(openVoice(p.get(), 3), 0);
    EXPECT_EQ(openVoice(p.get(), 4), 0);
}

// --- WAV --------------------------------------------------------------------------------------

TEST(Wav, ScanFindsDataWithinTheWindows) {
    ts::TempDir dir;
    std::vector<int16_t> pcm = ramp(600);
    // Window k covers bytes 240k .. 240k + 255; the last of 256 windows ends at byte 61455.
    const size_t lastTag = 240 * 255 + 252;
    auto p = srct::load(srct::writerWith({
                            resource(2, wavWithDataAt(253, pcm)),         // across a seam
                            resource(2, wavWithDataAt(lastTag, pcm)),     // last chance
                            resource(2, wavWithDataAt(lastTag + 1, pcm)), // one byte too far
                            resource(2, wavWithDataAt(70000, pcm)),
                        }),
                        dir);
    ASSERT_TRUE(p);
    for (int clip : {0, 1}) {
        ASSERT_EQ(openVoice(p.get(), clip), 1) << clip;
        EXPECT_EQ(srct::readAll(p.get(), 0, 100, 2), pcm) << clip;
        srct::closeVoice(p.get());
    }
    EXPECT_EQ(openVoice(p.get(), 2), 0);
    EXPECT_EQ(openVoice(p.get(), 3), 0);
}

TEST(Wav, FormatMustComeFirstWithOneOrTwoChannels) {
    ts::TempDir dir;
    std::vector<int16_t> pcm = ramp(400);
    std::vector<uint8_t> dataFirst;
    tag(dataFirst, "RIFF");
    put32(dataFirst, 0);
    tag(dataFirst, "WAVE");
    dataChunk(dataFirst, pcm);
    fmtChunk(dataFirst, 2);
    auto p = srct::load(srct::writerWith({
                            resource(2, dataFirst),
                            resource(2, wavWithDataAt(44, pcm, 1)),
                            resource(2, wavWithDataAt(44, pcm, 0)),
                            resource(2, wavWithDataAt(44, pcm, 3)),
                        }),
                        dir);
    ASSERT_TRUE(p);
    EXPECT_EQ(openVoice(p.get(), 0), 0) << "\"fmt \" after \"data\"";
    int32_t ch = -1;
    ASSERT_EQ(openVoice(p.get(), 1, 0, &ch), 1);
    EXPECT_EQ(ch, 0);
    // Mono frames come out one sample each, in the file's own layout.
    std::vector<int16_t> buf(2 * 1000, 0);
    EXPECT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf.data(), 1000), 400);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), buf.begin()));
    srct::closeVoice(p.get());
    EXPECT_EQ(openVoice(p.get(), 2), 0) << "zero channels";
    EXPECT_EQ(openVoice(p.get(), 3), 0) << "more channels than a voice holds";
}

TEST(Wav, ShortResourcesAndSeekClamp) {
    ts::TempDir dir;
    // 40 stereo frames: 204 bytes in all, short of one window.
    std::vector<uint8_t> tiny = wavWithDataAt(44, ramp(80));
    ASSERT_LT(tiny.size(), 256u);
    // Exactly one window with "data" at its end: the samples would start past the resource.
    std::vector<uint8_t> clamped = wavWithDataAt(248, {});
    clamped.resize(256);
    // A whole file whose resource length cuts the first window short.
    mxp4w::Resource cut = resource(2, wavWithDataAt(44, ramp(1000)));
    cut.length = 200;
    auto p = srct::load(srct::writerWith({resource(2, tiny), resource(2, clamped), cut}), dir);
    ASSERT_TRUE(p);
    EXPECT_EQ(openVoice(p.get(), 0), 0);
    ASSERT_EQ(openVoice(p.get(), 1), 1);
    EXPECT_EQ(p->mix->voices[0].src.pos, 256);
    int16_t buf[8];
    EXPECT_EQ(mx::rscAudioRead(p.get(), &p->mix->voices[0], buf, 2), 0);
    srct::closeVoice(p.get());
    EXPECT_EQ(openVoice(p.get(), 2), 0);
}

TEST(Wav, PcmReadsWholeFramesUpToTheEnd) {
    ts::TempDir dir;
    std::vector<int16_t> pcm = ramp(2 * 1500);
    std::vector<uint8_t> bytes = wavWithDataAt(44, pcm);
    mxp4w::Resource r = resource(2, bytes);
    r.length = static_cast<int32_t>(bytes.size()) - 3; // last frame incomplete
    auto p = srct::load(srct::writerWith({r}), dir);
    ASSERT_TRUE(p);
    ASSERT_EQ(openVoice(p.get(), 0), 1);
    std::vector<int16_t> buf(2 * 1000);
    mx::Voice* v = &p->mix->voices[0];
    EXPECT_EQ(mx::rscAudioRead(p.get(), v, buf.data(), 1000), 1000);
    EXPECT_TRUE(std::equal(buf.begin(), buf.end(), pcm.begin()));
    EXPECT_EQ(mx::rscAudioRead(p.get(), v, buf.data(), 1000), 499);
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 998, pcm.begin() + 2000));
    EXPECT_EQ(mx::rscAudioRead(p.get(), v, buf.data(), 1000), 0);
}

// --- Ogg Vorbis -------------------------------------------------------------------------------

TEST(Ogg, DecodesTheEncodedSignal) {
    ts::TempDir dir;
    auto p = srct::load(srct::writerWith({resource(1, fixture("stereo_44k.ogg"))}, 44100, 200, 100),
                        dir);
    ASSERT_TRUE(p);
    int32_t ch = -1;
    ASSERT_EQ(openVoice(p.get(), 0, 3, &ch), 1);
    EXPECT_EQ(ch, 1);
    mx::VoiceSource& s = p->mix->voices[3].src;
    EXPECT_EQ(s.mixGainLeft, 200);
    EXPECT_EQ(s.mixGainRight, 100);

    std::vector<int16_t> ref = fixturePcm("stereo_44k.raw");
    std::vector<int16_t> got = srct::readAll(p.get(), 3, 1000, 2);
    EXPECT_EQ(got.size(), ref.size());
    EXPECT_GT(snr(ref, got, 0, 2, 0, 2), 20.0);
    EXPECT_GT(snr(ref, got, 1, 2, 1, 2), 20.0);
    EXPECT_LT(snr(ref, got, 0, 2, 1, 2), 3.0) << "channels swapped";
    srct::closeVoice(p.get(), 3);
    EXPECT_FALSE(s.oggOpen);
    EXPECT_FALSE(s.fileOpen) << "clearing the decoder closes the file";
}

TEST(Ogg, MonoAtThePackageRateReadsAsStereo) {
    ts::TempDir dir;
    auto p = srct::load(srct::writerWith({resource(1, fixture("mono_44k.ogg"))}), dir);
    ASSERT_TRUE(p);
    int32_t ch = -1;
    ASSERT_EQ(openVoice(p.get(), 0, 0, &ch), 1);
    EXPECT_EQ(ch, 1);
    std::vector<int16_t> ref = fixturePcm("mono_44k.raw");
    // An odd chunk size keeps the widening honest at the buffer's end.
    std::vector<int16_t> got = srct::readAll(p.get(), 0, 777, 2);
    ASSERT_EQ(got.size(), 2 * ref.size());
    for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(got[2 * i], got[2 * i + 1]) << i;
    EXPECT_GT(snr(ref, got, 0, 1, 0, 2), 20.0);
}

TEST(Ogg, AcceptsStereoAtAnyRateAndMonoOnlyAtThePackageRate) {
    ts::TempDir dir;
    auto p = srct::load(srct::writerWith({resource(1, fixture("stereo_22k.ogg")),
                                          resource(1, fixture("mono_22k.ogg")),
                                          resource(1, fixture("three_44k.ogg")),
                                          resource(1, std::vector<uint8_t>(5000, 0x4f))}),
                        dir);
    ASSERT_TRUE(p);
    EXPECT_EQ(openVoice(p.get(), 0), 1);
    srct::closeVoice(p.get());
    EXPECT_EQ(openVoice(p.get(), 1), 0);
    // Three channels at the package rate would be read as garbled stereo.
    EXPECT_EQ(openVoice(p.get(), 2), 0);
    EXPECT_EQ(openVoice(p.get(), 3), 0) << "not a Vorbis stream";
    for (const mx::Voice& v : p->mix->voices) {
        EXPECT_FALSE(v.src.oggOpen);
        EXPECT_FALSE(v.src.fileOpen);
    }
}

TEST(Ogg, TruncatedStreamEndsEarly) {
    ts::TempDir dir;
    std::vector<uint8_t> bytes = fixture("stereo_44k.ogg");
    mxp4w::Resource r = resource(1, bytes);
    // Cut at the start of the last page: the earlier pages still decode.
    const uint8_t capture[] = {'O', 'g', 'g', 'S'};
    auto last = std::find_end(bytes.begin(), bytes.end(), capture, capture + 4);
    ASSERT_GT(last - bytes.begin(), 4096);
    r.length = static_cast<int32_t>(last - bytes.begin());
    auto p = srct::load(srct::writerWith({r}), dir);
    ASSERT_TRUE(p);
    ASSERT_EQ(openVoice(p.get(), 0), 1);
    std::vector<int16_t> got = srct::readAll(p.get(), 0, 1024, 2);
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), fixturePcm("stereo_44k.raw").size());
}

// --- Frequency-path eligibility ---------------------------------------------------------------

std::vector<uint8_t> shortBlockStream() {
    std::vector<int16_t> pcm = ts::sineStereo(4096, 300, 450, 0.4);
    return vshort::encodeStereo(pcm.data(), 4096);
}

TEST(FreqEligibility, ResourceKinds) {
    ts::TempDir dir;
    auto none = srct::load(srct::writerWith({}), dir, "none.mxp4");
    ASSERT_TRUE(none);
    EXPECT_EQ(mx::rscMixFreqAvailable(none.get()), 1);
    auto ogg =
        srct::load(srct::writerWith({resource(1, fixture("stereo_44k.ogg"))}), dir, "o.mxp4");
    ASSERT_TRUE(ogg);
    EXPECT_EQ(mx::rscMixFreqAvailable(ogg.get()), 1);
    for (int16_t kind : {2, 4}) {
        auto mixed = srct::load(srct::writerWith({resource(1, fixture("stereo_44k.ogg")),
                                                  resource(kind, wavWithDataAt(44, ramp(10)))}),
                                dir, "m.mxp4");
        ASSERT_TRUE(mixed);
        EXPECT_EQ(mx::rscMixFreqAvailable(mixed.get()), 0) << kind;
        EXPECT_FALSE(mixed->mix->freq);
    }
}

TEST(FreqEligibility, StreamsMustBeShortBlockStereo) {
    ts::TempDir dir;
    std::vector<uint8_t> shortStream = shortBlockStream();
    ASSERT_FALSE(shortStream.empty()) << "the short-block encoder wrote nothing";
    mxp4w::Resource gone = resource(1, fixture("stereo_44k.ogg"));
    gone.length = -1; // never plays, so it does not count

    auto good = srct::load(srct::writerWith({resource(1, shortStream), gone}), dir, "g.mxp4");
    ASSERT_TRUE(good);
    EXPECT_EQ(mx::rscFreqStreamsCompatible(good.get()), 1);
    EXPECT_TRUE(good->mix->freq);

    // Standard encoder output uses 2048-sample long blocks: the package falls back to sample
    // mixing instead of mixing garbage spectra.
    auto longBlocks = srct::load(
        srct::writerWith({resource(1, shortStream), resource(1, fixture("stereo_44k.ogg"))}), dir,
        "l.mxp4");
    ASSERT_TRUE(longBlocks);
    EXPECT_EQ(mx::rscFreqStreamsCompatible(longBlocks.get()), 0);
    EXPECT_FALSE(longBlocks->mix->freq);

    auto mono = srct::load(
        srct::writerWith({resource(1, shortStream), resource(1, fixture("mono_44k.ogg"))}), dir,
        "m.mxp4");
    ASSERT_TRUE(mono);
    EXPECT_EQ(mx::rscFreqStreamsCompatible(mono.get()), 0);
}

// --- Decoder arenas ---------------------------------------------------------------------------

TEST(VoiceArena, OpeningAndClosingOggVoicesNeverFallsBack) {
    ts::TempDir dir;
    std::vector<mxp4w::Resource> rs = {resource(1, fixture("stereo_44k.ogg")),
                                       resource(1, fixture("stereo_44k_q10.ogg")),
                                       resource(1, fixture("mono_44k.ogg"))};
    std::vector<uint8_t> shortStream = shortBlockStream();
    if (!shortStream.empty()) rs.push_back(resource(1, shortStream));
    auto p = srct::load(srct::writerWith(rs), dir);
    ASSERT_TRUE(p);
    std::vector<int16_t> buf(2 * 2048);
    // Peaks measured one stream per fresh arena (the size of kVoiceArenaBytes comes from these).
    for (size_t clip = 0; clip < rs.size(); ++clip) {
        int v = static_cast<int>(clip);
        ASSERT_EQ(openVoice(p.get(), v, v), 1);
        while (mx::rscAudioRead(p.get(), &p->mix->voices[v], buf.data(), 2048) > 0) {
        }
        srct::closeVoice(p.get(), v);
        size_t peak = mx::arenaPeak(p->mix->voices[v].src.arena);
        std::printf("decoder arena peak, resource %zu: %zu bytes\n", clip, peak);
        EXPECT_LT(peak, mx::kVoiceArenaBytes);
    }
    uint64_t before = mx::arenaFallbackCount();
    for (int round = 0; round < 100; ++round) {
        int clip = round % static_cast<int>(rs.size());
        int v = round % mx::kMaxVoices;
        ASSERT_EQ(openVoice(p.get(), clip, v), 1);
        // Decode past the first pages so that paging and block storage reach their size.
        for (int i = 0; i < 4; ++i) mx::rscAudioRead(p.get(), &p->mix->voices[v], buf.data(), 2048);
        srct::closeVoice(p.get(), v);
        EXPECT_EQ(mx::arenaInUse(p->mix->voices[v].src.arena), 0u);
    }
    EXPECT_EQ(mx::arenaFallbackCount(), before);
}

TEST(VoiceArena, AllocatorServesRecyclesAndFallsBack) {
    mx::VoiceArena* a = mx::arenaCreate(4096);
    ASSERT_NE(a, nullptr);
    uint64_t before = mx::arenaFallbackCount();
    {
        mx::ArenaScope scope(a);
        void* x = mx_vorbis_malloc(100);
        auto* y = static_cast<uint8_t*>(mx_vorbis_calloc(10, 10));
        ASSERT_NE(x, nullptr);
        ASSERT_NE(y, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(x) % 16, 0u);
        for (int i = 0; i < 100; ++i) EXPECT_EQ(y[i], 0);
        std::memset(y, 0x5a, 100);
        // The top block grows in place; a lower block moves and keeps its bytes.
        EXPECT_EQ(mx_vorbis_realloc(y, 300), y);
        auto* x2 = static_cast<uint8_t*>(mx_vorbis_realloc(x, 200));
        EXPECT_NE(x2, x);
        EXPECT_EQ(y[99], 0x5a);
        EXPECT_EQ(mx::arenaFallbackCount(), before);

        // Exhausted: served by the heap, counted, and freed back to the heap.
        void* big = mx_vorbis_malloc(8192);
        ASSERT_NE(big, nullptr);
        EXPECT_EQ(mx::arenaFallbackCount(), before + 1);
        void* big2 = mx_vorbis_realloc(big, 16384);
        mx_vorbis_free(big2);

        // Freeing the top block gives its space back; freeing everything empties the arena.
        size_t used = mx::arenaInUse(a);
        void* t = mx_vorbis_malloc(64);
        mx_vorbis_free(t);
        EXPECT_EQ(mx::arenaInUse(a), used);
        mx_vorbis_free(y);
        mx_vorbis_free(x2);
        EXPECT_EQ(mx::arenaInUse(a), 0u);
    }
    // Without a current arena every allocation is a counted fallback.
    uint64_t mid = mx::arenaFallbackCount();
    void* h = mx_vorbis_malloc(10);
    mx_vorbis_free(h);
    EXPECT_EQ(mx::arenaFallbackCount(), mid + 1);
    mx::arenaDestroy(a);
}

TEST(VoiceArena, InPlaceSortOrdersLikeStdSort) {
    auto cmp = [](const void* a, const void* b) {
        uint64_t x = *static_cast<const uint64_t*>(a), y = *static_cast<const uint64_t*>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    };
    std::mt19937_64 rng(3);
    for (size_t n : {0u, 1u, 2u, 3u, 128u, 625u, 4096u}) {
        std::vector<uint64_t> v(n);
        for (auto& x : v) x = rng() % 1000; // duplicates too
        std::vector<uint64_t> want = v;
        std::sort(want.begin(), want.end());
        mx_vorbis_qsort(v.data(), v.size(), sizeof(uint64_t), cmp);
        EXPECT_EQ(v, want) << n;
    }
}

} // namespace
