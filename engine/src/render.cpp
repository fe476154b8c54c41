// Rendering loop: mix state buffers, reset, the section decision before each boundary, starting
// the decided clips on voices, and the staging of arbitrary output lengths.
#include "render.h"

#include <cstring>
#include <new>

#include "compressor.h"
#include "freq/vorbis_freq.h"
#include "mix_voice.h"
#include "mixcalc.h"
#include "mxp4/mxp4.h"
#include "rsc.h"

namespace mx {
namespace {

int32_t randByte(mxp4_package* p) {
    return mxp4Rand(p) & 0xFF;
}

// Current-solution option of a track's node, or -1.
int32_t currentOption(const mxp4_package* p, const AudioTrack& t) {
    if (t.node < 0 || t.node >= p->nodes.count) return -1;
    int32_t o = p->nodes.items[t.node].current;
    return (o >= 0 && o < p->options.count) ? o : -1;
}

// Clip of the track's current option, or -1.
int32_t currentClip(const mxp4_package* p, const AudioTrack& t) {
    int32_t o = currentOption(p, t);
    if (o < 0) return -1;
    int32_t c = p->options.items[o].clip;
    return (c >= 0 && c < p->clips.count) ? c : -1;
}

// Section length set by the first master track with a current clip; kBufferFrames without one.
// A non-positive length (possible from the file) would stall or reverse the clock, so it falls
// back to kBufferFrames too.
int64_t sectionLength(const mxp4_package* p) {
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        const AudioTrack& t = p->tracks.items[i];
        if (!(t.flags & kTrackMaster)) continue;
        int32_t c = currentClip(p, t);
        if (c < 0) continue;
        int32_t len = p->clips.items[c].sectionLength;
        return len > 0 ? len : kBufferFrames;
    }
    return kBufferFrames;
}

// Draws the comment text of the coming section among the package's and the playing clips' texts.
int32_t drawComment(mxp4_package* p) {
    // Weights come from the file; summed in 64 bits so that large ones cannot overflow.
    int64_t f = p->header[kHCommentWeight];
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        int32_t c = currentClip(p, p->tracks.items[i]);
        if (c >= 0) f += p->clips.items[c].commentWeight;
    }
    int64_t x = (f * randByte(p)) >> 8;
    if (x < p->header[kHCommentWeight]) return p->header[kHCommentFirst];
    x -= p->header[kHCommentWeight];
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        int32_t c = currentClip(p, p->tracks.items[i]);
        if (c < 0) continue;
        const Clip& clip = p->clips.items[c];
        if (x < clip.commentWeight) return static_cast<int32_t>(clip.commentFirst + x);
        x -= clip.commentWeight;
    }
    return -1;
}

void decide(mxp4_package* p) {
    MixState* m = p->mix;
    m->startedCount = 0;
    mxcSolveInit(p);
    _constrBuild(p);
    m->lastSolved = mxcSolveProcess(p, 1);
    if (m->lastSolved) _solveApply(p);

    if (m->firstDecision) {
        // Skip the silence before the earliest clip: the pre-roll shifted every start forward.
        bool any = false;
        int64_t d = 0;
        for (const Voice& v : m->voices) {
            if (v.clip < 0) continue;
            int64_t e = v.start - m->now;
            if (!any || e < d) d = e;
            any = true;
        }
        if (any && d > 0) {
            m->timeOrigin = d;
            m->now = d;
        }
        m->firstDecision = false;
    }

    m->previousBoundary = m->nextBoundary;
    int64_t b = sectionLength(p);
    m->nextBoundary += b;

    m->comment = drawComment(p);

    int64_t half = (m->nextBoundary - m->previousBoundary) >> 1;
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        AudioTrack& t = p->tracks.items[i];
        t.ready = 1;
        if ((t.flags & kTrackUser) && currentOption(p, t) >= 0 &&
            t.clipEnd - m->nextBoundary > half)
            t.ready = 0;
    }

    m->ring[m->ringWrite] = RingEntry{m->previousBoundary, m->comment, b};
    if (++m->ringWrite == kRingSize) {
        m->ringWrite = 0;
        m->ringWrapped = true;
    }
}

Voice* freeVoice(MixState* m) {
    for (Voice& v : m->voices)
        if (v.clip < 0) return &v;
    return nullptr;
}

} // namespace

void _solveApply(mxp4_package* p) {
    MixState* m = p->mix;
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        AudioTrack& t = p->tracks.items[i];
        if (t.node < 0 || t.node >= p->nodes.count) continue;
        const Node& n = p->nodes.items[t.node];
        int32_t s = currentOption(p, t);
        int32_t clip = currentClip(p, t);

        if ((t.flags & kTrackUser) && t.ready && s >= 0) {
            t.clipEnd = m->nextBoundary;
            Voice* v = clip >= 0 ? freeVoice(m) : nullptr;
            if (v) {
                const Clip& c = p->clips.items[clip];
                t.clipEnd = m->nextBoundary + c.sectionLength;
                v->track = i;
                v->clip = clip;
                v->start = m->nextBoundary + c.startOffset - m->preRoll;
                v->silent = false;
                int32_t channelsMinus1 = 0;
                if (rscAudioOpen(p, v, &channelsMinus1)) {
                    v->src.channelsMinus1 = channelsMinus1;
                    if (m->startedCount < kMaxVoices)
                        m->started[m->startedCount++] =
                            StartedClip{i, clip, static_cast<int32_t>(v - m->voices), v->start};
                } else {
                    v->clip = -1;
                    v->track = -1;
                }
            }
        }

        if (t.countdown > 0 && s == n.previous) continue;
        if (s < 0 || s == n.previous || clip < 0) {
            t.countdown = 1;
        } else {
            const Clip& c = p->clips.items[clip];
            int64_t lo = c.keepMin > 1 ? c.keepMin : 1;
            int64_t hi = c.keepMax > lo ? c.keepMax : lo;
            t.countdown = static_cast<int32_t>(lo + (((hi - lo + 1) * randByte(p)) >> 8));
        }
    }
}

int _mixStateInit(mxp4_package* p) {
    MixState* m = p->mix;
    if (!m) return -1;
    constexpr size_t kValues = 2 * static_cast<size_t>(kBufferFrames);
    m->accumulator = new (std::nothrow) int32_t[kValues]();
    m->readBuffer = new (std::nothrow) int16_t[kValues]();
    m->staging = new (std::nothrow) int16_t[kValues]();
    int64_t preRoll = 0;
    for (int32_t i = 0; i < p->clips.count; ++i)
        if (p->clips.items[i].startOffset < preRoll) preRoll = p->clips.items[i].startOffset;
    m->preRoll = preRoll;
    return (m->accumulator && m->readBuffer && m->staging) ? 0 : -1;
}

void _mixStateRelease(mxp4_package* p) {
    MixState* m = p->mix;
    if (!m) return;
    delete[] m->accumulator;
    delete[] m->readBuffer;
    delete[] m->staging;
    m->accumulator = nullptr;
    m->readBuffer = nullptr;
    m->staging = nullptr;
}

} // namespace mx

using namespace mx;

extern "C" {

int mxp4Reset(mxp4_package* p) {
    if (!p || !p->mix) return -1;
    MixState* m = p->mix;
    m->solver.rand = 0;
    mxcReset(p);
    for (int32_t i = 0; i < p->tracks.count; ++i) {
        AudioTrack& t = p->tracks.items[i];
        t.clipEnd = 0;
        t.countdown = 0;
        t.ready = 1;
    }
    for (Voice& v : m->voices)
        if (v.clip >= 0) _voiceFree(v);
    if (m->freq) BufferMixedOGGReset(&m->spectrum);
    // The compressor's running gain belongs to the mix, so that a reset mix replays identically.
    m->compressor.gain = 32767;
    m->compressor.envelope = 0;
    m->compressor.previousOver = 0;
    m->timeOrigin = 0;
    m->now = 0;
    m->nextBoundary = 0;
    m->previousBoundary = 0;
    m->firstDecision = true;
    m->lastProgress = static_cast<int64_t>(p->header[kHSampleRate]) * -3600;
    m->comment = -1;
    m->stagingPos = kBufferFrames;
    m->ringWrite = 0;
    m->ringWrapped = false;
    for (RingEntry& e : m->ring) e = RingEntry{0, -1, 0};
    m->startedCount = 0;
    m->lastSolved = 0;
    return 0;
}

int mxp4NextBuffer(mxp4_package* p, int16_t* out) {
    if (!p || !p->mix || !out) return 0;
    MixState* m = p->mix;
    int result = 0;
    if (m->nextBoundary - m->now < kBufferFrames) {
        decide(p);
        result = 1;
    }
    if (m->freq && m->forcePath == 0)
        _musicMixFreq(p, out);
    else
        _musicMixWav(p, out);
    m->now += kBufferFrames;
    return result;
}

int mxp4NextBufferN(mxp4_package* p, int16_t* out, int frames) {
    if (!p || !p->mix || !out) return 0;
    MixState* m = p->mix;
    int result = 0;
    int done = 0;
    while (done < frames) {
        int missing = frames - done;
        if (m->stagingPos < kBufferFrames) {
            int n = kBufferFrames - m->stagingPos;
            if (n > missing) n = missing;
            std::memcpy(out + 2 * static_cast<ptrdiff_t>(done),
                        m->staging + 2 * static_cast<ptrdiff_t>(m->stagingPos),
                        sizeof(int16_t) * 2 * static_cast<size_t>(n));
            m->stagingPos += n;
            done += n;
        } else if (missing >= kBufferFrames) {
            result |= mxp4NextBuffer(p, out + 2 * static_cast<ptrdiff_t>(done));
            done += kBufferFrames;
        } else {
            result |= mxp4NextBuffer(p, m->staging);
            m->stagingPos = 0;
        }
    }
    return result;
}

int64_t mxp4Counter(mxp4_package* p, int64_t latency) {
    if (!p || !p->mix) return 0;
    return p->mix->now - p->mix->timeOrigin - latency;
}

} // extern "C"
