// Package accessors of the player and the mix screen: strings, skins, user tracks, sample rate.
// Each checks its reference again, so that they stay safe on null or info-only packages.
#include "fixed.h"
#include "package.h"

using namespace mx;

namespace {

// Text at `ref` of an offset table over a NUL-terminated pool; "" for any bad reference.
const char* poolText(const Table<int32_t>& offsets, const Blob& pool, int ref) {
    if (ref < 0 || ref >= offsets.count || !pool.data) return "";
    int32_t off = offsets.items[ref];
    if (off < 0 || off >= pool.length) return "";
    return reinterpret_cast<const char*>(pool.data + off);
}

// Index in the track table of the n-th track with the user flag, -1 when there is none.
int32_t userTrack(const mxp4_package* p, int n) {
    if (!p || n < 0) return -1;
    for (int32_t i = 0; i < p->tracks.count; ++i)
        if ((p->tracks.items[i].flags & kTrackUser) && n-- == 0) return i;
    return -1;
}

} // namespace

extern "C" {

int mxp4SampleRate(const mxp4_package* p) {
    return p ? p->header[kHSampleRate] : 0;
}

int mxp4SampleRatePlayable(int rate) {
    return rate >= MXP4_RATE_MIN && rate <= MXP4_RATE_MAX ? 1 : 0;
}

const char* mxp4String(const mxp4_package* p, int ref) {
    return p ? poolText(p->stringOffsets, p->stringPool, ref) : "";
}

int mxp4SkinNb(const mxp4_package* p) {
    return p ? p->skins.count : 0;
}

// Variant 0 of the display text: the pool entry runs up to its first NUL.
const char* mxp4SkinName(const mxp4_package* p, int index) {
    if (!p || index < 0 || index >= p->skins.count) return "";
    return poolText(p->textOffsets, p->textPool, p->skins.items[index].displayName);
}

void mxp4SkinSelect(mxp4_package* p, int index, int state, int clean) {
    if (!p || !p->full || !p->mix) return;
    if (clean)
        for (int32_t i = 0; i < p->skins.count; ++i) p->skins.items[i].selected = 0;
    if (index >= 0 && index < p->skins.count) p->skins.items[index].selected = state;
}

int mxp4AudiotrackNb(const mxp4_package* p) {
    if (!p) return 0;
    int n = 0;
    for (int32_t i = 0; i < p->tracks.count; ++i)
        if (p->tracks.items[i].flags & kTrackUser) ++n;
    return n;
}

const char* mxp4AudiotrackName(const mxp4_package* p, int n) {
    int32_t t = userTrack(p, n);
    return t < 0 ? nullptr : mxp4String(p, p->tracks.items[t].name);
}

int mxp4AudiotrackVol(mxp4_package* p, int n, int left, int right) {
    int32_t t = userTrack(p, n);
    if (t < 0) return -1;
    p->tracks.items[t].volLeft = clampi(left, 0, 256);
    p->tracks.items[t].volRight = clampi(right, 0, 256);
    return 0;
}

} // extern "C"
