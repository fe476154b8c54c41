// Package loading: the chunk reader, the load rules of each table, the full-load set-up and
// release.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>

#include "compressor.h"
#include "fixed.h"
#include "freq/vorbis_freq.h"
#include "loader.h"
#include "mixcalc.h"
#include "render.h"
#include "rsc.h"

namespace mx {
namespace {

// Validation code of a package whose nodes cannot be put in a solving order.
constexpr int32_t kCyclicPackage = 134;

int32_t le32(const uint8_t* b) {
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 |
                                static_cast<uint32_t>(b[3]) << 24);
}
int16_t le16(const uint8_t* b) {
    return static_cast<int16_t>(static_cast<uint16_t>(b[0] | b[1] << 8));
}
int32_t clampZero(int32_t v) {
    return v < 0 ? 0 : v;
}

struct SourceCloser {
    FileSource* src;
    ~SourceCloser() { fsrcclose(src); }
};

// Reads inside one chunk body. The limit is the body size or the bytes the file still holds,
// whichever is smaller, so that a count checked against it never claims data that is not there.
class BodyReader {
  public:
    BodyReader(FileSource* src, int64_t size, int64_t fileLeft)
        : src_(src), size_(size), left_(size < fileLeft ? size : fileLeft) {
        if (left_ < 0) left_ = 0;
    }
    bool read(void* dst, int64_t n) {
        if (n < 0 || n > left_) return false;
        if (n == 0) return true;
        size_t got = fsrcread(dst, 1, static_cast<size_t>(n), src_);
        left_ -= static_cast<int64_t>(got);
        consumed_ += static_cast<int64_t>(got);
        return got == static_cast<size_t>(n);
    }
    bool readInt(int32_t* v) {
        uint8_t b[4];
        if (!read(b, 4)) return false;
        *v = le32(b);
        return true;
    }
    int64_t left() const { return left_; }
    // Bytes of the body after what was read (may lie past the end of the file).
    int64_t unread() const { return size_ - consumed_; }

  private:
    FileSource* src_;
    int64_t size_;
    int64_t left_;
    int64_t consumed_ = 0;
};

// Fields of one record in the zeroed scratch: missing fields of a short record read as 0.
struct Record {
    uint8_t bytes[kMaxRecordSize];
    int32_t w(int i) const { return le32(bytes + 4 * static_cast<size_t>(i)); }
};

template <typename T> void tableFree(Table<T>& t) {
    std::free(t.items);
    t.items = nullptr;
    t.count = 0;
}
void blobFree(Blob& b) {
    std::free(b.data);
    b.data = nullptr;
    b.length = 0;
}

// Reads a table body (count, record size, records) and fills `out` through `fill`.
template <typename T, typename Fill> int readTable(BodyReader& in, Table<T>& out, Fill fill) {
    int32_t count, size;
    if (!in.readInt(&count) || !in.readInt(&size)) return kLoadShortRead;
    if (size < 1 || size > kMaxRecordSize) return kLoadBadRecordSize;
    // Checked before allocating, so that a forged count cannot claim more than the file holds.
    if (count < 0 || static_cast<int64_t>(count) * size > in.left()) return kLoadShortRead;
    if (count == 0) return kLoadOk;
    auto* items = static_cast<T*>(std::calloc(static_cast<size_t>(count), sizeof(T)));
    if (!items) return kLoadNoMemory;
    out.items = items;
    out.count = count;
    Record rec;
    for (int32_t i = 0; i < count; ++i) {
        std::memset(rec.bytes, 0, sizeof(rec.bytes));
        if (!in.read(rec.bytes, size)) return kLoadShortRead;
        fill(items[i], rec);
    }
    return kLoadOk;
}

// Offset tables of single int32 records, read in one block when the records are exactly 4 bytes.
int readOffsets(BodyReader& in, Table<int32_t>& out) {
    int32_t count, size;
    if (!in.readInt(&count) || !in.readInt(&size)) return kLoadShortRead;
    if (size < 1 || size > kMaxRecordSize) return kLoadBadRecordSize;
    if (count < 0 || static_cast<int64_t>(count) * size > in.left()) return kLoadShortRead;
    if (count == 0) return kLoadOk;
    auto* items = static_cast<int32_t*>(std::calloc(static_cast<size_t>(count), sizeof(int32_t)));
    if (!items) return kLoadNoMemory;
    out.items = items;
    out.count = count;
    if (size == 4) {
        if (!in.read(items, static_cast<int64_t>(count) * 4)) return kLoadShortRead;
        for (int32_t i = 0; i < count; ++i)
            items[i] = le32(reinterpret_cast<const uint8_t*>(items + i));
        return kLoadOk;
    }
    Record rec;
    for (int32_t i = 0; i < count; ++i) {
        std::memset(rec.bytes, 0, sizeof(rec.bytes));
        if (!in.read(rec.bytes, size)) return kLoadShortRead;
        items[i] = rec.w(0);
    }
    return kLoadOk;
}

// Blob body: length, then the bytes; pools get a NUL so that every string ends inside the buffer.
int readBlob(BodyReader& in, Blob& out, bool terminate) {
    int32_t length;
    if (!in.readInt(&length)) return kLoadShortRead;
    if (length < 0 || length > in.left()) return kLoadShortRead;
    size_t bytes = static_cast<size_t>(length) + (terminate ? 1 : 0);
    if (bytes == 0) return kLoadOk;
    auto* data = static_cast<uint8_t*>(std::malloc(bytes));
    if (!data) return kLoadNoMemory;
    out.data = data;
    out.length = length;
    if (terminate) data[length] = 0;
    return in.read(data, length) ? kLoadOk : kLoadShortRead;
}

int readHeader(BodyReader& in, mxp4_package* p) {
    Record rec;
    std::memset(rec.bytes, 0, sizeof(rec.bytes));
    int64_t n = in.left() < kMaxRecordSize ? in.left() : kMaxRecordSize;
    if (!in.read(rec.bytes, n)) return kLoadShortRead;
    for (int i = 0; i < 20; ++i) p->header[i] = rec.w(i);
    if (p->header[kHSampleRate] == 0) p->header[kHSampleRate] = 44100;
    p->header[kHAuxResCount] = clampZero(p->header[kHAuxResCount]);
    p->header[kHAuxTextCount] = clampZero(p->header[kHAuxTextCount]);
    p->header[kHCommentWeight] = clampZero(p->header[kHCommentWeight]);
    return kLoadOk;
}

int readChunk(int type, BodyReader& in, mxp4_package* p) {
    switch (type) {
    case kChunkHeader:
        return readHeader(in, p);
    case kChunkTracks:
        return readTable(in, p->tracks, [](AudioTrack& t, const Record& r) {
            t.flags = r.w(0);
            t.keepPriority = r.w(1);
            t.nodeRef = r.w(2);
            t.name = r.w(3);
            t.volLeft = t.volRight = 256;
            t.node = -1;
        });
    case kChunkClips:
        return readTable(in, p->clips, [p](Clip& c, const Record& r) {
            c.flags = r.w(0);
            c.gainLeft = r.w(1);
            c.gainRight = r.w(2);
            c.sectionLength = r.w(3);
            c.audioLength = r.w(4);
            c.startOffset = r.w(5);
            c.keepMin = r.w(6);
            c.keepMax = r.w(7);
            c.option = r.w(8);
            c.auxResFirst = r.w(9);
            c.auxResCount = r.w(10);
            c.auxTextFirst = r.w(11);
            c.auxTextCount = r.w(12);
            c.commentFirst = r.w(13);
            c.commentWeight = r.w(14);
            c.name = r.w(15);
            c.resource = r.w(16);
            if (c.sectionLength < 0) {
                c.sectionLength = sat32(static_cast<int64_t>(c.startOffset) + c.audioLength);
            }
            c.auxResCount = clampZero(c.auxResCount);
            c.auxTextCount = clampZero(c.auxTextCount);
            c.commentWeight = clampZero(c.commentWeight);
            if (c.startOffset < p->mix->preRoll) p->mix->preRoll = c.startOffset;
        });
    case kChunkNodes:
        return readTable(in, p->nodes, [](Node& n, const Record& r) {
            n.word0 = r.w(0);
            n.optionFirst = r.w(1);
            n.optionCount = r.w(2);
            n.relationFirst = r.w(3);
            n.relationCount = r.w(4);
            n.condFirst = r.w(5);
            n.condCount = r.w(6);
            n.name = r.w(7);
            // A negative count is an empty range; the affinity rows of the other node are
            // indexed by its option count, which must never be negative.
            n.optionCount = clampZero(n.optionCount);
            n.relationCount = clampZero(n.relationCount);
            n.condCount = clampZero(n.condCount);
            n.previous = n.current = n.tried = n.saved = n.forced = -1;
            n.orderPos = -1;
        });
    case kChunkOptions:
        return readTable(in, p->options, [](Option& o, const Record& r) {
            o.clip = r.w(0);
            o.name = r.w(1);
            o.weight = r.w(2) == 0 ? 256 : r.w(2);
            o.index = -1;
            o.owner = -1;
            o.link = -1;
        });
    case kChunkRelations:
        return readTable(in, p->relations, [](Relation& x, const Record& r) {
            x.flags = r.w(0);
            x.other = r.w(1);
            x.priority = r.w(2);
            x.matrixOffset = r.w(3);
            x.condFirst = r.w(4);
            x.condCount = r.w(5);
            x.name = r.w(6);
            x.condCount = clampZero(x.condCount);
            x.owner = -1;
            x.link = -1;
        });
    case kChunkConditions:
        return readTable(in, p->conditions, [](Condition& c, const Record& r) {
            c.word0 = r.w(0);
            c.option = r.w(1);
        });
    case kChunkPresets:
        return readTable(in, p->presets, [](Preset& x, const Record& r) {
            x.flags = r.w(0);
            x.option = r.w(1);
            x.priority = r.w(2);
            x.name = r.w(3);
        });
    case kChunkSkins:
        return readTable(in, p->skins, [](Skin& s, const Record& r) {
            s.word0 = r.w(0);
            s.option = r.w(1);
            s.priority = r.w(2);
            s.string = r.w(3);
            s.displayName = r.w(4);
            s.auxResFirst = r.w(5);
            s.auxResCount = r.w(6);
            s.auxTextFirst = r.w(7);
            s.auxTextCount = r.w(8);
            s.auxResCount = clampZero(s.auxResCount);
            s.auxTextCount = clampZero(s.auxTextCount);
            s.selected = 0;
        });
    case kChunkAuxTexts:
        return readTable(in, p->auxTexts, [](AuxText& a, const Record& r) {
            a.flags = r.w(0);
            a.first = r.w(1);
            a.second = r.w(2);
        });
    case kChunkAuxResources:
        return readTable(in, p->auxResources, [](AuxResource& a, const Record& r) {
            for (int i = 0; i < 4; ++i) a.w[i] = r.w(i);
        });
    case kChunkAffinity:
        return readBlob(in, p->affinity, false);
    case kChunkStringOffsets:
        return readOffsets(in, p->stringOffsets);
    case kChunkTextOffsets:
        return readOffsets(in, p->textOffsets);
    case kChunkResources:
        return readTable(in, p->resources, [](Resource& x, const Record& r) {
            x.name = le32(r.bytes);
            x.kind = le16(r.bytes + 4);
            x.offset = le32(r.bytes + 6);
            x.length = le32(r.bytes + 12);
        });
    case kChunkStringPool:
        return readBlob(in, p->stringPool, true);
    case kChunkTextPool:
        return readBlob(in, p->textPool, true);
    default:
        return kLoadUnknownChunk;
    }
}

// Types parsed only for playback; an info-only load skips them but counts them as present.
bool fullOnly(int type) {
    return (type >= kChunkTracks && type <= kChunkPresets) || type == kChunkAffinity;
}

// The file header, then chunks until the end marker or a head that cannot be read in full.
// `fileSize` bounds what a table may claim; -1 when the datasource cannot tell its size.
int readChunks(FileSource* src, int64_t fileSize, mxp4_package* p) {
    if (fileSize < 0) fileSize = INT64_MAX;
    uint8_t head[12];
    if (fsrcread(head, 1, 12, src) != 12) return kLoadShortRead;
    if (std::memcmp(head, "mxp4", 4) != 0) return kLoadBadMagic;
    p->version = le32(head + 4);
    p->headerWord2 = le32(head + 8);
    if (p->version != 1) return kLoadBadVersion;

    int64_t pos = 12;
    uint32_t seen = 0;
    for (;;) {
        if (fsrcread(head, 1, 8, src) != 8) break;
        pos += 8;
        int32_t size = le32(head);
        int type = le16(head + 6);
        if (size < 0 && type != kChunkEnd) return kLoadNegativeSize;
        if (type < kChunkHeader || type > kChunkEnd) return kLoadUnknownChunk;
        if (seen & (1u << type)) return kLoadRepeatedChunk;
        seen |= 1u << type;
        if (type == kChunkEnd) {
            p->dataArea = pos;
            break;
        }
        BodyReader in(src, size, fileSize - pos);
        if (p->full || !fullOnly(type)) {
            int rc = readChunk(type, in, p);
            if (rc != kLoadOk) return rc;
        }
        // Bodies may carry data the handler does not know.
        if (in.unread() > 0) fsrcskip(src, in.unread());
        pos += size;
    }
    constexpr uint32_t kRequired = ((1u << (kChunkAuxResources + 1)) - 1) & ~1u;
    return (seen & kRequired) == kRequired ? kLoadOk : kLoadMissingChunk;
}

// Solver, voices and renderer set-up of a validated full load; a loader or validation code.
int fullSetup(mxp4_package* p) {
    MixState* m = p->mix;
    m->freq = rscMixFreqAvailable(p) && rscFreqStreamsCompatible(p);
    const int32_t* h = p->header;
    if (h[kHCompressorMode] != 0) {
        auto f = [](int32_t v) { return static_cast<float>(v) / 65536.0f; };
        compressorInit(&m->compressor, f(h[kHCompThreshold]), f(h[kHCompRatio]), f(h[kHCompAttack]),
                       f(h[kHCompRelease]), h[kHSampleRate], f(h[kHCompMakeup]),
                       f(h[kHCompCeiling]), h[kHCompressorMode]);
    } else {
        compressorDisable(&m->compressor);
    }
    if (mxcAlloc(p) != 0) return kLoadNoMemory;
    if (_mixStateInit(p) != 0) return kLoadNoMemory;
    if (rscVoicesInit(p) != 0) return kLoadNoMemory;
    if (m->freq && BufferMixedOGGInit(&m->spectrum) != 0) return kLoadNoMemory;
    if (mxcPrecalc(p) != 0) return kCyclicPackage;
    mxp4Reset(p);
    return kLoadOk;
}

// Allocates the package object (and the mix state of a full load); null when memory runs out.
mxp4_package* newPackage(int full) {
    auto* p = new (std::nothrow) mxp4_package;
    if (!p) return nullptr;
    p->full = full ? 1 : 0;
    if (p->full) {
        p->mix = new (std::nothrow) MixState();
        if (!p->mix) {
            mxp4Release(p);
            return nullptr;
        }
    }
    return p;
}

// Reads, validates and sets up a package whose source is open; releases it on failure.
int loadFrom(FileSource* src, int64_t fileSize, mxp4_package* p, mxp4_package** out) {
    int rc = readChunks(src, fileSize, p);
    if (rc == kLoadOk) rc = _mxp4check(p);
    if (rc == kLoadOk && p->full) rc = fullSetup(p);
    if (rc != kLoadOk) {
        mxp4Release(p);
        return rc;
    }
    *out = p;
    return kLoadOk;
}

int load(const char* path, int full, mxp4_package** out) {
    *out = nullptr;
    if (!path || std::strlen(path) >= static_cast<size_t>(kMaxPath)) return kLoadPathTooLong;
    FileSource* src = fsrcopen(path);
    if (!src) return kLoadCannotOpen;
    SourceCloser closer{src};
    struct stat st;
    if (fstat(src->fd, &st) != 0) return kLoadShortRead;

    mxp4_package* p = newPackage(full);
    if (!p) return kLoadNoMemory;
    std::memcpy(p->path, path, std::strlen(path) + 1);
    return loadFrom(src, st.st_size, p, out);
}

int loadStream(void* user, const mxp4_callbacks& io, int full, mxp4_package** out) {
    *out = nullptr;
    auto* stream = io.read_func ? new (std::nothrow) Stream : nullptr;
    if (!stream) {
        if (io.close_func) io.close_func(user);
        return io.read_func ? kLoadNoMemory : kLoadCannotOpen;
    }
    stream->io = io;
    stream->user = user;
    mxp4_package* p = newPackage(full);
    if (!p) {
        if (io.close_func) io.close_func(user);
        delete stream;
        return kLoadNoMemory;
    }
    p->stream = stream; // closed and freed by mxp4Release from here on
    const int64_t size = streamSize(stream);
    FileSource* src = fsrcopenStream(stream, 0);
    if (!src) {
        mxp4Release(p);
        return kLoadNoMemory;
    }
    SourceCloser closer{src};
    return loadFrom(src, size, p, out);
}

// A package's bytes in memory, read through the callbacks.
struct MemorySource {
    const uint8_t* data;
    int64_t size;
    int64_t at;
};

size_t memRead(void* ptr, size_t size, size_t nmemb, void* user) {
    auto* m = static_cast<MemorySource*>(user);
    if (size == 0 || m->at >= m->size) return 0;
    const size_t n = std::min(nmemb, static_cast<size_t>(m->size - m->at) / size);
    std::memcpy(ptr, m->data + m->at, n * size);
    m->at += static_cast<int64_t>(n * size);
    return n;
}

int memSeek(void* user, int64_t offset, int whence) {
    auto* m = static_cast<MemorySource*>(user);
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? m->at
                   : whence == SEEK_END ? m->size
                                        : -1;
    int64_t to;
    if (base < 0 || __builtin_add_overflow(base, offset, &to) || to < 0) return -1;
    m->at = to;
    return 0;
}

int64_t memTell(void* user) {
    return static_cast<MemorySource*>(user)->at;
}

int memClose(void* user) {
    delete static_cast<MemorySource*>(user);
    return 0;
}

} // namespace
} // namespace mx

using namespace mx;

extern "C" mxp4_package* mxp4LoaderDiag(const char* path, int full, int* code) {
    mxp4_package* p;
    int rc = load(path, full, &p);
    if (code) *code = rc;
    return p;
}

extern "C" mxp4_package* mxp4Loader(const char* path, int full) {
    return mxp4LoaderDiag(path, full, nullptr);
}

extern "C" mxp4_package* mxp4LoaderCallbacks(void* user, mxp4_callbacks callbacks, int full,
                                             int* code) {
    mxp4_package* p;
    int rc = loadStream(user, callbacks, full, &p);
    if (code) *code = rc;
    return p;
}

extern "C" mxp4_package* mxp4LoaderMemory(const void* data, size_t size, int full, int* code) {
    if ((!data && size > 0) || size > static_cast<size_t>(INT64_MAX)) {
        if (code) *code = kLoadCannotOpen;
        return nullptr;
    }
    auto* m = new (std::nothrow)
        MemorySource{static_cast<const uint8_t*>(data), static_cast<int64_t>(size), 0};
    if (!m) {
        if (code) *code = kLoadNoMemory;
        return nullptr;
    }
    return mxp4LoaderCallbacks(m, mxp4_callbacks{memRead, memSeek, memTell, memClose}, full, code);
}

extern "C" void mxp4Release(mxp4_package* p) {
    if (!p) return;
    if (MixState* m = p->mix) {
        for (Voice& v : m->voices)
            if (v.clip >= 0 || v.src.fileOpen || v.src.oggOpen) rscAudioClose(&v);
        rscVoicesRelease(p);
        if (m->freq) BufferMixedOGGRelease(&m->spectrum);
        _mixStateRelease(p);
        mxcFree(p);
        delete m;
        p->mix = nullptr;
    }
    tableFree(p->tracks);
    tableFree(p->clips);
    tableFree(p->nodes);
    tableFree(p->options);
    tableFree(p->relations);
    tableFree(p->conditions);
    tableFree(p->presets);
    tableFree(p->skins);
    tableFree(p->auxTexts);
    tableFree(p->auxResources);
    tableFree(p->stringOffsets);
    tableFree(p->textOffsets);
    tableFree(p->resources);
    blobFree(p->affinity);
    blobFree(p->stringPool);
    blobFree(p->textPool);
    if (Stream* st = p->stream) {
        if (st->io.close_func) st->io.close_func(st->user);
        delete st;
    }
    delete p;
}
