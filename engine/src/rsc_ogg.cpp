// Ogg Vorbis resources: Tremor over the bounded resource stream, decoding to 16-bit samples.
// Every call that may allocate runs with the voice's arena current.
#include <new>

#include "rsc_private.h"
#include "voice_arena.h"

namespace mx {
namespace {

size_t oggReadCb(void* ptr, size_t size, size_t nmemb, void* ds) {
    if (size == 0) return 0;
    size_t bytes = nmemb > INT32_MAX / size ? INT32_MAX / size * size : size * nmemb;
    return static_cast<size_t>(
               rscFileRead(static_cast<VoiceSource*>(ds), ptr, static_cast<int32_t>(bytes))) /
           size;
}
// The stream is read once from its start: no seeking.
int oggSeekCb(void*, ogg_int64_t, int) {
    return -1;
}
long oggTellCb(void*) {
    return -1;
}
int oggCloseCb(void* ds) {
    rscFileClose(static_cast<VoiceSource*>(ds));
    return 0;
}

constexpr ov_callbacks kCallbacks = {oggReadCb, oggSeekCb, oggCloseCb, oggTellCb};

// Opens the decoder on the open file of `src`. On failure the file stays open.
bool oggOpenStream(VoiceSource* src) {
    ArenaScope scope(src->arena);
    if (ov_open_callbacks(src, &src->ogg, nullptr, 0, kCallbacks) < 0) {
        arenaReset(src->arena);
        return false;
    }
    src->oggOpen = true;
    return true;
}

int oggChannels(VoiceSource* src) {
    vorbis_info* vi = ov_info(&src->ogg, -1);
    return vi ? vi->channels : 0;
}

} // namespace

void _oggClose(VoiceSource* src) {
    if (!src->oggOpen) return;
    {
        ArenaScope scope(src->arena);
        ov_clear(&src->ogg);
    }
    // ov_clear frees everything it allocated; starting the next stream on an empty arena keeps
    // a stray block from shrinking it for good.
    arenaReset(src->arena);
    src->oggOpen = false;
}

int rscOggOpen(mxp4_package* p, Voice* voice) {
    if (!p || !voice || voice->clip < 0 || voice->clip >= p->clips.count) return -1;
    VoiceSource* src = &voice->src;
    if (!src->fileOpen || !oggOpenStream(src)) return -1;
    vorbis_info* vi = ov_info(&src->ogg, -1);
    // A stream of more than two channels would be read as garbled stereo frames.
    bool ok =
        vi && (vi->channels == 2 || (vi->channels == 1 && vi->rate == p->header[kHSampleRate]));
    if (!ok) {
        _oggClose(src);
        return -1;
    }
    const Clip& clip = p->clips.items[voice->clip];
    src->mixGainLeft = clip.gainLeft;
    src->mixGainRight = clip.gainRight;
    src->channelsMinus1 = 1;
    return 0;
}

int32_t _oggRead(VoiceSource* src, int16_t* buffer, int32_t frames) {
    if (!src->oggOpen || frames <= 0 || frames > INT32_MAX / 4) return 0;
    // A mono stream decodes mono samples into the front half, widened to stereo below.
    bool mono = oggChannels(src) == 1;
    int32_t want = frames * (mono ? 2 : 4);
    auto* out = reinterpret_cast<char*>(buffer);
    int32_t done = 0;
    {
        ArenaScope scope(src->arena);
        int bitstream = 0;
        while (done < want) {
            long got = ov_read(&src->ogg, out + done, want - done, &bitstream);
            if (got <= 0) break;
            done += static_cast<int32_t>(got);
        }
    }
    if (!mono) return done / 4;
    int32_t n = done / 2;
    for (int32_t i = n - 1; i >= 0; --i) {
        int16_t s = buffer[i];
        buffer[2 * i] = s;
        buffer[2 * i + 1] = s;
    }
    return n;
}

int rscFreqStreamsCompatible(mxp4_package* p) {
    if (!p) return 0;
    // Runs at load, before the voices' storage exists: one temporary source and arena.
    uint8_t* fileBuffer = new (std::nothrow) uint8_t[_FSRCBUFLEN];
    VoiceArena* arena = arenaCreate(kVoiceArenaBytes);
    int compatible = fileBuffer && arena ? 1 : 0;
    for (int32_t i = 0; compatible && i < p->resources.count; ++i) {
        if (p->resources.items[i].kind != kRscOgg) continue;
        VoiceSource src;
        src.fileBuffer = fileBuffer;
        src.arena = arena;
        // A resource that cannot be opened never plays, so it cannot spoil the mix.
        if (!rscFileOpen(p, i, &src)) continue;
        if (oggOpenStream(&src)) {
            vorbis_info* vi = ov_info(&src.ogg, -1);
            if (!vi || vi->channels != 2 || vorbis_info_blocksize(vi, 0) != 256 ||
                vorbis_info_blocksize(vi, 1) != 256)
                compatible = 0;
            _oggClose(&src);
        }
        rscFileClose(&src);
    }
    arenaDestroy(arena);
    delete[] fileBuffer;
    return compatible;
}

} // namespace mx
