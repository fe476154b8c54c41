// Small helpers the mixing paths share: a voice's gains and its release.
#pragma once
#include "fixed.h"
#include "package.h"
#include "rsc.h"

namespace mx {

// Per-side gain of a voice, clip gain times track volume (1/256 units).
inline void _voiceGains(const mxp4_package* p, const Voice& v, int32_t* left, int32_t* right) {
    const Clip& c = p->clips.items[v.clip];
    const AudioTrack& t = p->tracks.items[v.track];
    *left = combineGain256(c.gainLeft, t.volLeft);
    *right = combineGain256(t.volRight, c.gainRight);
}

// Closes the voice's audio and marks it free.
inline void _voiceFree(Voice& v) {
    rscAudioClose(&v);
    v.clip = -1;
    v.track = -1;
    v.silent = false;
}

} // namespace mx
