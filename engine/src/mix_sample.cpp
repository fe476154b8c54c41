// Sample mixing: every voice decoded to 16-bit PCM, scaled by clip gain and track volume and
// summed into a 32-bit accumulator with 8 fractional bits, then compressed or clamped.
#include <cstring>

#include "compressor.h"
#include "fixed.h"
#include "mix_voice.h"
#include "render.h"
#include "rsc.h"

namespace mx {
namespace {

// Gains come from the file unchecked; saturate rather than overflow the accumulator.
inline void accumulate(int32_t& a, int32_t gain, int32_t sample) {
    a = addSat32(a, static_cast<int64_t>(gain) * sample);
}

// Below this gain, 20 voices of full-scale samples sum without leaving 32 bits.
constexpr int32_t kPlainGainLimit = 2048;
static_assert(int64_t{kMaxVoices} * kPlainGainLimit * 32768 <= INT32_MAX);

template <int Channels, bool Saturate>
void addVoice(int32_t* a, const int16_t* s, ptrdiff_t frames, int32_t gl, int32_t gr) {
    for (ptrdiff_t j = 0; j < frames; ++j) {
        const int32_t l = s[Channels * j];
        const int32_t r = s[Channels * j + Channels - 1];
        if constexpr (Saturate) {
            accumulate(a[2 * j], gl, l);
            accumulate(a[2 * j + 1], gr, r);
        } else {
            a[2 * j] += gl * l;
            a[2 * j + 1] += gr * r;
        }
    }
}

void mixVoice(mxp4_package* p, Voice& v, int32_t* acc, bool plain) {
    MixState* m = p->mix;
    int64_t e = v.start - m->now;
    int64_t end = v.start + p->clips.items[v.clip].audioLength - m->now;
    if (e >= kBufferFrames) return;
    int64_t f0 = e > 0 ? e : 0;
    int64_t last = end < kBufferFrames ? end : kBufferFrames;
    int64_t want = last - f0;
    if (want > 0 && !v.silent) {
        int32_t got = rscAudioRead(p, &v, m->readBuffer, static_cast<int32_t>(want));
        if (got > want) got = static_cast<int32_t>(want);
        if (got < want) {
            // A short read means the resource ended early or failed: the voice keeps its slot
            // but stays silent until its clip's end passes.
            v.silent = true;
            if (got < 0) got = 0;
        }
        int32_t gl, gr;
        _voiceGains(p, v, &gl, &gr);
        int32_t* a = acc + 2 * f0;
        const int16_t* s = m->readBuffer;
        if (v.src.channelsMinus1 == 0) {
            if (plain)
                addVoice<1, false>(a, s, got, gl, gr);
            else
                addVoice<1, true>(a, s, got, gl, gr);
        } else {
            if (plain)
                addVoice<2, false>(a, s, got, gl, gr);
            else
                addVoice<2, true>(a, s, got, gl, gr);
        }
    }
    if (end < kBufferFrames) _voiceFree(v);
}

} // namespace

void _musicMixWav(mxp4_package* p, int16_t* out) {
    MixState* m = p->mix;
    int32_t* acc = m->accumulator;
    std::memset(acc, 0, sizeof(int32_t) * 2 * kBufferFrames);
    // Plain 32-bit sums when no voice's gain can overflow them; saturating sums otherwise.
    bool plain = true;
    for (const Voice& v : m->voices) {
        if (v.clip < 0) continue;
        int32_t gl, gr;
        _voiceGains(p, v, &gl, &gr);
        plain = plain && gl >= -kPlainGainLimit && gl <= kPlainGainLimit &&
                gr >= -kPlainGainLimit && gr <= kPlainGainLimit;
    }
    for (Voice& v : m->voices)
        if (v.clip >= 0) mixVoice(p, v, acc, plain);

    if (compressorActive(&m->compressor)) {
        for (ptrdiff_t b = 0; b < kBufferFrames / 128; ++b)
            compressorProcess(&m->compressor, out + 256 * b, acc + 256 * b);
    } else {
        for (int i = 0; i < 2 * kBufferFrames; ++i)
            out[i] = static_cast<int16_t>(toSample16sym(acc[i], 8));
    }
}

} // namespace mx
