// Resource location, bounded resource reads and the voice sources' dispatch by resource kind.
#include "rsc.h"

#include <cstring>
#include <new>

#include "adpcm.h"
#include "rsc_private.h"
#include "voice_arena.h"

namespace mx {
namespace {

// String `ref` of the package, or null when the reference or its offset is out of range.
const char* stringAt(const mxp4_package* p, int32_t ref) {
    if (ref < 0 || ref >= p->stringOffsets.count || !p->stringPool.data) return nullptr;
    int32_t off = p->stringOffsets.items[ref];
    if (off < 0 || off >= p->stringPool.length) return nullptr;
    return reinterpret_cast<const char*>(p->stringPool.data) + off; // the pool ends with a NUL
}

// An external resource name may name a subdirectory, never a place outside the package's.
bool nameSafe(const char* name) {
    if (!name || !*name || name[0] == '/' || name[0] == '\\') return false;
    const char* part = name;
    for (const char* c = name;; ++c) {
        if (*c == '/' || *c == '\\' || *c == '\0') {
            if (c - part == 2 && part[0] == '.' && part[1] == '.') return false;
            if (*c == '\0') return true;
            part = c + 1;
        }
    }
}

// Marks the voice source open on resource `r`; 1, rscFileOpen's success.
int opened(VoiceSource* src, const Resource* r) {
    src->fileOpen = true;
    src->rsc = r;
    src->pos = 0;
    return 1;
}

bool hasOgg(const mxp4_package* p) {
    for (int32_t i = 0; i < p->resources.count; ++i)
        if (p->resources.items[i].kind == kRscOgg) return true;
    return false;
}

} // namespace

int rscFileOpen(mxp4_package* p, int32_t index, VoiceSource* src) {
    if (!p || !src || !src->fileBuffer || index < 0 || index >= p->resources.count) return 0;
    rscFileClose(src);
    const Resource* r = &p->resources.items[index];
    if (r->length < 0) return 0;
    if (p->dataArea != 0) {
        if (r->offset < 0) return 0;
        const int64_t at = p->dataArea + r->offset;
        // Each voice has its own file source; a package loaded through callbacks has one
        // datasource, which its voices share.
        if (p->stream) {
            if (fsrcopenStreamInto(&src->file, src->fileBuffer, p->stream, at) != 0) return 0;
        } else {
            if (fsrcopenInto(&src->file, src->fileBuffer, p->path) != 0) return 0;
            fsrcseek(&src->file, at);
        }
    } else {
        const char* name = stringAt(p, r->name);
        if (!nameSafe(name)) return 0;
        char path[kMaxPath * 2];
        filePath(p->path, path, sizeof path);
        size_t dirLen = std::strlen(path);
        size_t nameLen = std::strlen(name);
        if (dirLen + nameLen >= sizeof path) return 0;
        std::memcpy(path + dirLen, name, nameLen + 1);
        if (fsrcopenInto(&src->file, src->fileBuffer, path) != 0) return 0;
    }
    return opened(src, r);
}

int32_t rscFileRead(VoiceSource* src, void* buffer, int32_t bytes) {
    if (!src || !src->fileOpen || !src->rsc || !buffer || bytes <= 0) return 0;
    int64_t left = src->rsc->length - src->pos;
    if (left <= 0) return 0;
    size_t want = static_cast<size_t>(bytes < left ? bytes : left);
    size_t got = fsrcread(buffer, 1, want, &src->file);
    src->pos += static_cast<int64_t>(got);
    return static_cast<int32_t>(got);
}

void rscFileClose(VoiceSource* src) {
    if (!src || !src->fileOpen) return;
    fsrcclose(&src->file);
    src->fileOpen = false;
}

int rscAudioOpen(mxp4_package* p, Voice* voice, int32_t* channelsMinus1) {
    if (!p || !voice || voice->clip < 0 || voice->clip >= p->clips.count) return 0;
    VoiceSource* src = &voice->src;
    rscAudioClose(voice);
    if (!rscFileOpen(p, p->clips.items[voice->clip].resource, src)) return 0;
    int32_t kind = src->rsc->kind;
    bool ok = false;
    switch (kind) {
    case kRscOgg:
        ok = rscOggOpen(p, voice) == 0;
        break;
    case kRscWav:
        ok = rscWavOpen(p, src) == 0;
        break;
    case kRscAdpcm:
        ok = adpcmdecode_init(src) == 0;
        break;
    default:
        break;
    }
    if (!ok) {
        rscAudioClose(voice);
        return 0;
    }
    src->kind = kind;
    if (channelsMinus1) *channelsMinus1 = src->channelsMinus1;
    return 1;
}

int32_t rscAudioRead(mxp4_package* p, Voice* voice, int16_t* buffer, int32_t frames) {
    if (!p || !voice || !buffer || frames <= 0) return 0;
    VoiceSource* src = &voice->src;
    switch (src->kind) {
    case kRscOgg:
        return _oggRead(src, buffer, frames);
    case kRscWav:
        return _wavRead(src, buffer, frames);
    case kRscAdpcm:
        return adpcmdecode_read(src, buffer, frames);
    default:
        return 0;
    }
}

void rscAudioClose(Voice* voice) {
    if (!voice) return;
    VoiceSource* src = &voice->src;
    if (src->oggOpen) _oggClose(src);
    rscFileClose(src);
    src->kind = 0;
    src->rsc = nullptr;
    src->pos = 0;
}

int rscMixFreqAvailable(const mxp4_package* p) {
    if (!p) return 0;
    for (int32_t i = 0; i < p->resources.count; ++i) {
        int32_t kind = p->resources.items[i].kind;
        if (kind == kRscWav || kind == kRscAdpcm) return 0;
    }
    return 1;
}

int rscVoicesInit(mxp4_package* p) {
    if (!p || !p->mix) return -1;
    bool ogg = hasOgg(p);
    for (Voice& v : p->mix->voices) {
        VoiceSource& s = v.src;
        s.file = FileSource{};
        s.fileOpen = false;
        s.oggOpen = false;
        s.kind = 0;
        s.rsc = nullptr;
        s.fileBuffer = new (std::nothrow) uint8_t[_FSRCBUFLEN];
        s.arena = ogg ? arenaCreate(kVoiceArenaBytes) : nullptr;
        if (!s.fileBuffer || (ogg && !s.arena)) {
            rscVoicesRelease(p);
            return -1;
        }
    }
    return 0;
}

void rscVoicesRelease(mxp4_package* p) {
    if (!p || !p->mix) return;
    for (Voice& v : p->mix->voices) {
        rscAudioClose(&v);
        delete[] v.src.fileBuffer;
        v.src.fileBuffer = nullptr;
        arenaDestroy(v.src.arena);
        v.src.arena = nullptr;
    }
}

} // namespace mx
