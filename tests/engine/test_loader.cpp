// Package loader: every result code, the load rules of the tables, info-only loads, untrusted
// counts and sizes, and the accessors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"
#include "package.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
Bytes le32(int32_t v) {
    Bytes b(4);
    put32(b, 0, v);
    return b;
}
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Offset of the head of the first chunk of `type`, or npos.
size_t chunkAt(const Bytes& b, int type) {
    size_t at = 12;
    while (at + 8 <= b.size()) {
        int32_t size = static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                            static_cast<uint32_t>(b[at + 3]) << 24);
        if ((b[at + 6] | b[at + 7] << 8) == type) return at;
        if (size < 0) break;
        at += 8 + static_cast<size_t>(size);
    }
    return std::string::npos;
}

struct Package {
    mxp4_package* p = nullptr;
    int code = 0;
    Package() = default;
    Package(const Package&) = delete;
    ~Package() { mxp4Release(p); }
};

class LoaderTest : public ::testing::Test {
  protected:
    // Loads raw bytes; `pkg.code` is the loader or validation code.
    void loadBytes(Package& pkg, const Bytes& bytes, int full = 1) {
        std::string path = dir.file("raw" + std::to_string(serial++) + ".mxp4");
        ASSERT_TRUE(ts::writeBytes(path, bytes));
        pkg.p = mxp4LoaderDiag(path.c_str(), full, &pkg.code);
        EXPECT_EQ(pkg.p == nullptr, pkg.code != 0);
    }
    int codeOf(const Bytes& bytes, int full = 1) {
        Package pkg;
        loadBytes(pkg, bytes, full);
        return pkg.code;
    }
    void load(Package& pkg, const mxp4w::PackageWriter& w, int full = 1) {
        std::string path = ts::writePackage(w, dir, "w" + std::to_string(serial++) + ".mxp4");
        pkg.p = mxp4LoaderDiag(path.c_str(), full, &pkg.code);
    }

    ts::TempDir dir;
    int serial = 0;
};

TEST_F(LoaderTest, FileLevelFailures) {
    int code = 0;
    std::string longPath = dir.path() + "/" + std::string(600, 'a');
    EXPECT_EQ(mxp4LoaderDiag(longPath.c_str(), 1, &code), nullptr);
    EXPECT_EQ(code, mx::kLoadPathTooLong);
    EXPECT_EQ(mxp4LoaderDiag(dir.file("absent.mxp4").c_str(), 1, &code), nullptr);
    EXPECT_EQ(code, mx::kLoadCannotOpen);
    EXPECT_EQ(mxp4Loader(nullptr, 1), nullptr);

    Bytes good = ts::makeSimplePackage().build();
    EXPECT_EQ(codeOf(Bytes(good.begin(), good.begin() + 11)), mx::kLoadShortRead);
    Bytes magic = good;
    magic[3] = '5';
    EXPECT_EQ(codeOf(magic), mx::kLoadBadMagic);
    Bytes version = good;
    put32(version, 4, 2);
    EXPECT_EQ(codeOf(version), mx::kLoadBadVersion);
    EXPECT_EQ(codeOf(good), 0);
}

TEST_F(LoaderTest, ChunkLevelFailures) {
    for (int type : {19, 0, -3}) {
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.extraChunks.push_back({static_cast<int16_t>(type), 0, {}});
        Package pkg;
        load(pkg, w);
        EXPECT_EQ(pkg.code, mx::kLoadUnknownChunk) << type;
    }
    {
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.extraChunks.push_back({13, 8, cat({le32(0), le32(4)})}); // a second string offset table
        Package pkg;
        load(pkg, w);
        EXPECT_EQ(pkg.code, mx::kLoadRepeatedChunk);
    }
    {
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.extraChunks.push_back({12, -4, {}});
        Package pkg;
        load(pkg, w);
        EXPECT_EQ(pkg.code, mx::kLoadNegativeSize);
    }
    for (int type = 1; type <= 11; ++type) {
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.omitChunks.insert(type);
        Package pkg;
        load(pkg, w, 0); // an info-only load needs them as much
        EXPECT_EQ(pkg.code, mx::kLoadMissingChunk) << type;
    }
    for (int32_t size : {0, 257, -4}) {
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.recordSize[9] = size;
        Bytes b = w.build();
        put32(b, chunkAt(b, 9) + 12, size); // writer pads to the size; force the field
        EXPECT_EQ(codeOf(b, 0), mx::kLoadBadRecordSize) << size;
    }
}

// Counts and lengths are checked against the chunk body before anything is allocated.
TEST_F(LoaderTest, ForgedCountsAndLengthsAreShortReads) {
    Bytes good = ts::makeSimplePackage({.skins = 1}).build();
    auto patched = [&](int type, size_t field, int32_t v) {
        Bytes b = good;
        put32(b, chunkAt(b, type) + 8 + field, v);
        return b;
    };
    EXPECT_EQ(codeOf(patched(3, 0, 0x7fffffff)), mx::kLoadShortRead); // huge record count
    EXPECT_EQ(codeOf(patched(3, 0, 0x01000001)), mx::kLoadShortRead); // count x size > 2^32
    EXPECT_EQ(codeOf(patched(3, 0, -1)), mx::kLoadShortRead);
    EXPECT_EQ(codeOf(patched(13, 0, 1 << 30), 0), mx::kLoadShortRead); // block-read table
    EXPECT_EQ(codeOf(patched(16, 0, 1 << 30), 0), mx::kLoadShortRead); // pool longer than body
    EXPECT_EQ(codeOf(patched(16, 0, -2), 0), mx::kLoadShortRead);
    EXPECT_EQ(codeOf(patched(12, 0, 0x7ffffffc)), mx::kLoadShortRead);
    // A body that claims more than the file holds: its skip ends the chunk list early.
    EXPECT_EQ(codeOf(patched(9, -8, 1 << 30), 0), mx::kLoadMissingChunk);
    Bytes pool = patched(16, 0, 1 << 20);
    put32(pool, chunkAt(pool, 16), (1 << 20) + 4);
    EXPECT_EQ(codeOf(pool, 0), mx::kLoadShortRead);
    // A body and a count both larger than the file: bounded by the file, not by the body.
    Bytes oversized = patched(9, 0, 0x7fff0000);
    put32(oversized, chunkAt(oversized, 9), 0x7ffffff0);
    put32(oversized, chunkAt(oversized, 9) + 12, 1);
    EXPECT_EQ(codeOf(oversized, 0), mx::kLoadShortRead);
    // A file cut inside a chunk.
    size_t cut = chunkAt(good, 13) + 14;
    EXPECT_EQ(codeOf(Bytes(good.begin(), good.begin() + static_cast<long>(cut)), 0),
              mx::kLoadShortRead);
}

TEST_F(LoaderTest, InfoOnlyLoadSkipsPlaybackChunksButCountsThem) {
    mxp4w::PackageWriter w = ts::makeSimplePackage({.skins = 2});
    Bytes b = w.build();
    put32(b, chunkAt(b, 3) + 12, 0); // a bad clip record size, never parsed info-only
    Package info;
    loadBytes(info, b, 0);
    ASSERT_NE(info.p, nullptr);
    EXPECT_EQ(info.p->full, 0);
    EXPECT_EQ(info.p->mix, nullptr);
    EXPECT_EQ(info.p->clips.count, 0);
    EXPECT_EQ(info.p->options.count, 0);
    EXPECT_EQ(info.p->affinity.data, nullptr);
    EXPECT_EQ(mxp4SkinNb(info.p), 2);
    EXPECT_STREQ(mxp4SkinName(info.p, 1), "Skin 1 FR");
    EXPECT_EQ(info.p->resources.count, w.resources.size());
    mxp4SkinSelect(info.p, 0, 1, 0); // no playback state: ignored
    EXPECT_EQ(info.p->skins.items[0].selected, 0);
    EXPECT_EQ(mxp4Reset(info.p), -1);
    EXPECT_EQ(codeOf(b, 1), mx::kLoadBadRecordSize);
}

TEST_F(LoaderTest, LoadRulesOfTheTables) {
    mxp4w::PackageWriter w = ts::makeSimplePackage({.skins = 1});
    w.header[6] = 0;
    w.header[9] = -4;
    w.header[11] = -1;
    w.header[13] = -7;
    w.options[1].weight = 0;
    w.options[2].weight = 17;
    w.clips[0].sectionLength = -1;
    w.clips[0].startOffset = -300;
    w.clips[0].audioLength = 1000;
    w.clips[1].startOffset = -100;
    w.clips[1].auxResCount = -2;
    w.clips[1].auxTextCount = -3;
    w.clips[1].commentWeight = -4;
    w.clips[2].sectionLength = -5;
    w.clips[2].startOffset = 0x7fffff00; // the sum would overflow 32 bits
    w.clips[2].audioLength = 0x7fffff00;
    w.skins[0].auxResCount = -1;
    w.skins[0].auxTextCount = -9;
    Package pkg;
    load(pkg, w);
    ASSERT_NE(pkg.p, nullptr) << pkg.code;
    mxp4_package* p = pkg.p;
    EXPECT_EQ(mxp4SampleRate(p), 44100);
    EXPECT_EQ(p->header[9], 0);
    EXPECT_EQ(p->header[11], 0);
    EXPECT_EQ(p->header[13], 0);
    EXPECT_EQ(p->options.items[0].weight, 256);
    EXPECT_EQ(p->options.items[1].weight, 256);
    EXPECT_EQ(p->options.items[2].weight, 17);
    EXPECT_EQ(p->clips.items[0].sectionLength, 700);
    EXPECT_EQ(p->clips.items[1].sectionLength, 11025);
    EXPECT_EQ(p->clips.items[2].sectionLength, INT32_MAX);
    EXPECT_EQ(p->clips.items[1].auxResCount, 0);
    EXPECT_EQ(p->clips.items[1].auxTextCount, 0);
    EXPECT_EQ(p->clips.items[1].commentWeight, 0);
    EXPECT_EQ(p->skins.items[0].auxResCount, 0);
    EXPECT_EQ(p->skins.items[0].auxTextCount, 0);
    EXPECT_EQ(p->mix->preRoll, -300);
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        EXPECT_EQ(p->tracks.items[i].volLeft, 256);
        EXPECT_EQ(p->tracks.items[i].volRight, 256);
        EXPECT_EQ(p->tracks.items[i].node, i); // resolved by validation
    }
    EXPECT_EQ(p->version, 1);
}

TEST_F(LoaderTest, RecordsLongerOrShorterThanTheKnownFields) {
    mxp4w::PackageWriter ref = ts::makeSimplePackage({.skins = 2});
    ref.options[0].weight = 99;
    mxp4w::PackageWriter longer = ref;
    for (int type = 2; type <= 11; ++type) longer.recordSize[type] = 256;
    longer.recordSize[13] = 9;
    longer.recordSize[15] = 40;
    Package a, b;
    load(a, ref);
    load(b, longer);
    ASSERT_NE(a.p, nullptr);
    ASSERT_NE(b.p, nullptr) << b.code;
    ASSERT_EQ(a.p->clips.count, b.p->clips.count);
    EXPECT_EQ(0, std::memcmp(a.p->clips.items, b.p->clips.items,
                             sizeof(mx::Clip) * static_cast<size_t>(a.p->clips.count)));
    EXPECT_EQ(0, std::memcmp(a.p->resources.items, b.p->resources.items,
                             sizeof(mx::Resource) * static_cast<size_t>(a.p->resources.count)));
    EXPECT_EQ(b.p->options.items[0].weight, 99);
    EXPECT_STREQ(mxp4String(b.p, 3), mxp4String(a.p, 3));
    EXPECT_STREQ(mxp4SkinName(b.p, 1), "Skin 1 FR");

    // Fields a short record does not reach read as 0, not as bytes of an earlier record.
    mxp4w::PackageWriter shorter = ref;
    shorter.recordSize[5] = 8;  // options without weight
    shorter.recordSize[9] = 16; // skins without display name and ranges
    shorter.recordSize[1] = 24; // header up to H5: sample rate missing
    Package c;
    load(c, shorter);
    ASSERT_NE(c.p, nullptr) << c.code;
    for (int32_t i = 0; i < c.p->options.count; ++i) EXPECT_EQ(c.p->options.items[i].weight, 256);
    EXPECT_EQ(c.p->skins.items[1].displayName, 0);
    EXPECT_EQ(c.p->skins.items[1].auxTextCount, 0);
    EXPECT_EQ(mxp4SampleRate(c.p), 44100);
}

TEST_F(LoaderTest, EndMarkerPlacesTheDataArea) {
    mxp4w::PackageWriter w = ts::makeSimplePackage();
    Bytes bytes = w.build();
    size_t end = chunkAt(bytes, 18);
    ASSERT_NE(end, std::string::npos);
    Package embedded;
    loadBytes(embedded, bytes);
    ASSERT_NE(embedded.p, nullptr);
    EXPECT_EQ(embedded.p->dataArea, static_cast<int64_t>(end + 8));

    // The end marker's size is not a body: even a negative one is accepted.
    put32(bytes, end, -1000);
    Package negative;
    loadBytes(negative, bytes);
    ASSERT_NE(negative.p, nullptr) << negative.code;
    EXPECT_EQ(negative.p->dataArea, static_cast<int64_t>(end + 8));

    // Chunks after the end marker are never read.
    Bytes trailing = w.build();
    Bytes junk = cat({le32(-5), Bytes{0, 0, 99, 0}});
    trailing.insert(trailing.begin() + static_cast<long>(end + 8), junk.begin(), junk.end());
    EXPECT_EQ(codeOf(trailing), 0);
}

TEST_F(LoaderTest, WithoutEndMarkerResourcesAreSeparateFiles) {
    mxp4w::PackageWriter w = ts::makeSimplePackage({.embed = false});
    Package pkg;
    load(pkg, w);
    ASSERT_NE(pkg.p, nullptr) << pkg.code;
    EXPECT_EQ(pkg.p->dataArea, 0);
    const mx::Resource& r = pkg.p->resources.items[0];
    std::string beside = dir.path() + "/" + mxp4String(pkg.p, r.name);
    EXPECT_EQ(ts::readBytes(beside), w.resources[0].data);
}

TEST_F(LoaderTest, PoolsAreTerminatedInMemory) {
    mxp4w::PackageWriter w = ts::makeSimplePackage();
    int32_t s = w.addString("ab");
    w.addString("c");
    Bytes bytes = w.build();
    size_t pool = chunkAt(bytes, 16);
    int32_t length = static_cast<int32_t>(bytes[pool + 8] | bytes[pool + 9] << 8);
    // Drop the pool's final NUL: the last string then ends at the pool's last byte.
    bytes.erase(bytes.begin() + static_cast<long>(pool + 12 + length - 1));
    put32(bytes, pool, length + 3);
    put32(bytes, pool + 8, length - 1);
    Package pkg;
    loadBytes(pkg, bytes);
    ASSERT_NE(pkg.p, nullptr) << pkg.code;
    EXPECT_STREQ(mxp4String(pkg.p, s), "ab");
    EXPECT_STREQ(mxp4String(pkg.p, s + 1), "c");
    EXPECT_EQ(pkg.p->stringPool.data[pkg.p->stringPool.length], 0);
}

TEST_F(LoaderTest, TrailingBytesOfAChunkBodyAreSkipped) {
    mxp4w::PackageWriter w = ts::makeSimplePackage();
    Bytes bytes = w.build();
    size_t at = chunkAt(bytes, 10);
    int32_t size = static_cast<int32_t>(bytes[at]);
    Bytes extra(37, 0xAB);
    bytes.insert(bytes.begin() + static_cast<long>(at + 8 + size), extra.begin(), extra.end());
    put32(bytes, at, size + 37);
    EXPECT_EQ(codeOf(bytes), 0);
}

TEST_F(LoaderTest, StringAndTrackAccessors) {
    mxp4w::PackageWriter w = ts::makeSimplePackage({.userTracks = 3});
    w.tracks[2].name = 9999; // bad reference: "" rather than a failure, once past validation
    Package bad;
    load(bad, w);
    EXPECT_EQ(bad.code, 111);

    w = ts::makeSimplePackage({.userTracks = 3});
    w.tracks[2].name = -1;
    Package pkg;
    load(pkg, w);
    mxp4_package* p = pkg.p;
    ASSERT_NE(p, nullptr) << pkg.code;
    EXPECT_STREQ(mxp4String(p, -1), "");
    EXPECT_STREQ(mxp4String(p, p->stringOffsets.count), "");
    EXPECT_STREQ(mxp4String(p, 0), "master");
    EXPECT_STREQ(mxp4String(nullptr, 0), "");

    EXPECT_EQ(mxp4AudiotrackNb(p), 3); // the master track is not a user track
    EXPECT_STREQ(mxp4AudiotrackName(p, 0), "track0");
    EXPECT_STREQ(mxp4AudiotrackName(p, 1), "");
    EXPECT_STREQ(mxp4AudiotrackName(p, 2), "track2");
    EXPECT_EQ(mxp4AudiotrackName(p, 3), nullptr);
    EXPECT_EQ(mxp4AudiotrackName(p, -1), nullptr);

    EXPECT_EQ(mxp4AudiotrackVol(p, 1, 300, -5), 0);
    EXPECT_EQ(p->tracks.items[2].volLeft, 256);
    EXPECT_EQ(p->tracks.items[2].volRight, 0);
    EXPECT_EQ(mxp4AudiotrackVol(p, 0, 128, 64), 0);
    EXPECT_EQ(p->tracks.items[1].volLeft, 128);
    EXPECT_EQ(p->tracks.items[1].volRight, 64);
    EXPECT_EQ(p->tracks.items[0].volLeft, 256); // master untouched
    EXPECT_EQ(mxp4AudiotrackVol(p, 3, 1, 1), -1);
    EXPECT_EQ(mxp4AudiotrackVol(p, -1, 1, 1), -1);

    EXPECT_EQ(mxp4AudiotrackNb(nullptr), 0);
    EXPECT_EQ(mxp4AudiotrackName(nullptr, 0), nullptr);
    EXPECT_EQ(mxp4AudiotrackVol(nullptr, 0, 1, 1), -1);
    EXPECT_EQ(mxp4SkinNb(nullptr), 0);
    EXPECT_STREQ(mxp4SkinName(nullptr, 0), "");
    mxp4SkinSelect(nullptr, 0, 1, 1);
    mxp4Release(nullptr);
}

TEST_F(LoaderTest, SkinNamesAndSelection) {
    mxp4w::PackageWriter w = ts::makeSimplePackage({.skins = 3});
    w.skins[2].displayName = -1;
    Package pkg;
    load(pkg, w);
    mxp4_package* p = pkg.p;
    ASSERT_NE(p, nullptr) << pkg.code;
    EXPECT_EQ(mxp4SkinNb(p), 3);
    EXPECT_STREQ(mxp4SkinName(p, 0), "Skin 0 FR"); // variant 0 only
    EXPECT_STREQ(mxp4SkinName(p, 2), "");
    EXPECT_STREQ(mxp4SkinName(p, 3), "");
    EXPECT_STREQ(mxp4SkinName(p, -1), "");

    mxp4SkinSelect(p, 0, 1, 0);
    mxp4SkinSelect(p, 2, 1, 0);
    EXPECT_EQ(p->skins.items[0].selected, 1);
    mxp4SkinSelect(p, 1, 1, 1); // clean first
    EXPECT_EQ(p->skins.items[0].selected, 0);
    EXPECT_EQ(p->skins.items[1].selected, 1);
    EXPECT_EQ(p->skins.items[2].selected, 0);
    mxp4SkinSelect(p, 7, 1, 0);
    EXPECT_EQ(p->skins.items[1].selected, 1);
}

// A datasource over bytes that counts its close calls and may refuse to seek, as a stream being
// received would.
struct ByteStream {
    Bytes bytes;
    size_t at = 0;
    int closes = 0;

    static size_t read(void* ptr, size_t size, size_t n, void* user) {
        auto* s = static_cast<ByteStream*>(user);
        size_t count = std::min(n, (s->bytes.size() - s->at) / size);
        std::memcpy(ptr, s->bytes.data() + s->at, count * size);
        s->at += count * size;
        return count;
    }
    static int seek(void* user, int64_t offset, int whence) {
        auto* s = static_cast<ByteStream*>(user);
        int64_t base = whence == SEEK_END   ? static_cast<int64_t>(s->bytes.size())
                       : whence == SEEK_CUR ? static_cast<int64_t>(s->at)
                                            : 0;
        if (base + offset < 0) return -1;
        s->at = static_cast<size_t>(base + offset);
        return 0;
    }
    static int64_t tell(void* user) {
        return static_cast<int64_t>(static_cast<ByteStream*>(user)->at);
    }
    static int close(void* user) { return ++static_cast<ByteStream*>(user)->closes, 0; }
    mxp4_callbacks callbacks(bool seekable) const {
        return {read, seekable ? seek : nullptr, seekable ? tell : nullptr, close};
    }
};

std::vector<int16_t> renderBuffers(mxp4_package* p, int buffers) {
    std::vector<int16_t> out(size_t(buffers) * 2 * MXP4_BUFFER_FRAMES);
    for (int b = 0; b < buffers; ++b)
        mxp4NextBuffer(p, out.data() + size_t(b) * 2 * MXP4_BUFFER_FRAMES);
    return out;
}

// A package in memory or behind callbacks loads, is judged and plays as the same file would.
TEST_F(LoaderTest, MemoryAndCallbackLoadsMatchFileLoads) {
    for (bool ogg : {false, true}) {
        SCOPED_TRACE(ogg ? "ogg" : "wav");
        Bytes bytes = ts::makeSimplePackage({.ogg = ogg}).build();
        Package file;
        loadBytes(file, bytes);
        ASSERT_NE(file.p, nullptr) << file.code;
        Package memory;
        memory.p = mxp4LoaderMemory(bytes.data(), bytes.size(), 1, &memory.code);
        ASSERT_NE(memory.p, nullptr) << memory.code;
        EXPECT_EQ(memory.p->mix->freq, file.p->mix->freq);
        ByteStream stream{bytes};
        Package callbacks;
        callbacks.p = mxp4LoaderCallbacks(&stream, stream.callbacks(true), 1, &callbacks.code);
        ASSERT_NE(callbacks.p, nullptr) << callbacks.code;

        const std::vector<int16_t> expected = renderBuffers(file.p, 6);
        ASSERT_NE(std::count(expected.begin(), expected.end(), 0), std::ssize(expected));
        EXPECT_EQ(renderBuffers(memory.p, 6), expected);
        EXPECT_EQ(renderBuffers(callbacks.p, 6), expected);
    }

    Bytes good = ts::makeSimplePackage().build();
    Bytes magic = good;
    magic[0] = 'x';
    Bytes forged = good;
    put32(forged, chunkAt(forged, 3) + 8, 0x7fffffff); // bounded by the size the stream tells
    for (const auto& [bytes, code] :
         {std::pair{magic, int(mx::kLoadBadMagic)}, std::pair{forged, int(mx::kLoadShortRead)}}) {
        int got = 0;
        EXPECT_EQ(mxp4LoaderMemory(bytes.data(), bytes.size(), 1, &got), nullptr);
        EXPECT_EQ(got, code);
    }
    int got = 0;
    EXPECT_EQ(mxp4LoaderMemory(nullptr, 10, 1, &got), nullptr);
    EXPECT_EQ(got, mx::kLoadCannotOpen);
}

TEST_F(LoaderTest, CallbacksAreClosedOnceWhateverTheOutcome) {
    ByteStream refused{Bytes{'m', 'x', 'p', '5'}};
    int code = 0;
    EXPECT_EQ(mxp4LoaderCallbacks(&refused, refused.callbacks(true), 1, &code), nullptr);
    EXPECT_EQ(refused.closes, 1);

    // A stream that cannot seek still loads; resources it has read past stay silent.
    ByteStream forward{ts::makeSimplePackage({.skins = 2}).build()};
    mxp4_package* p = mxp4LoaderCallbacks(&forward, forward.callbacks(false), 1, &code);
    ASSERT_NE(p, nullptr) << code;
    EXPECT_EQ(mxp4SkinNb(p), 2);
    renderBuffers(p, 4);
    EXPECT_EQ(forward.closes, 0);
    mxp4Release(p);
    EXPECT_EQ(forward.closes, 1);
}

TEST_F(LoaderTest, CompressorFollowsTheHeader) {
    mxp4w::PackageWriter w = ts::makeSimplePackage();
    Package off;
    load(off, w);
    ASSERT_NE(off.p, nullptr);
    EXPECT_EQ(off.p->mix->compressor.mode, 0);
    EXPECT_FALSE(off.p->mix->freq); // PCM resources: sample mixing
    w.header[4] = 2;
    w.header[14] = -10 << 16;
    w.header[15] = 1 << 15;
    w.header[16] = 655;
    w.header[17] = 6553;
    w.header[19] = 1 << 16;
    Package on;
    load(on, w);
    ASSERT_NE(on.p, nullptr);
    EXPECT_EQ(on.p->mix->compressor.mode, 2);
}

} // namespace
