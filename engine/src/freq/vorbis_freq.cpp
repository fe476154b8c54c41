// Frequency-only decoding over Tremor: the intercepted transform steps, the packet fetch and the
// block accounting of a stream decoded up to its spectrum, and the spectrum accumulator.
#include "vorbis_freq.h"

#include <cstdlib>
#include <cstring>

#include "../fixed.h"
#include "../voice_arena.h"
#include "tremor_hooks.h"

namespace {

// Every block of a frequency-mixed stream is a 256-sample short block adding 128 samples.
constexpr long kShortBlock = 256;
constexpr int kBlockSamples = 128;

} // namespace

namespace mx {

int BufferMixedOGGInit(SpectrumAccumulator* acc) {
    BufferMixedOGGRelease(acc);
    for (int ch = 0; ch < 2; ++ch) {
        acc->channel[ch] = static_cast<int32_t*>(std::calloc(kAccLength, sizeof(int32_t)));
        if (!acc->channel[ch]) {
            BufferMixedOGGRelease(acc);
            return -1;
        }
    }
    BufferMixedOGGReset(acc);
    return 0;
}

void BufferMixedOGGReset(SpectrumAccumulator* acc) {
    acc->state = -1;
    acc->slot = 0;
    acc->lastBlock = nullptr;
    for (int ch = 0; ch < 2; ++ch)
        if (acc->channel[ch]) std::memset(acc->channel[ch], 0, kAccLength * sizeof(int32_t));
}

void BufferMixedOGGRelease(SpectrumAccumulator* acc) {
    for (int ch = 0; ch < 2; ++ch) {
        std::free(acc->channel[ch]);
        acc->channel[ch] = nullptr;
    }
    acc->lastBlock = nullptr;
}

void BufferMixedOGGNewFrame(SpectrumAccumulator* acc) {
    acc->lastBlock = nullptr;
    acc->slot = 0;
    for (int ch = 0; ch < 2; ++ch) {
        int32_t* c = acc->channel[ch];
        if (!c) continue;
        // The second half of the last slot overlaps the first block of the next frame.
        std::memmove(c, c + kAccLength - 128, 128 * sizeof(int32_t));
        std::memset(c + 128, 0, (kAccLength - 128) * sizeof(int32_t));
    }
}

void vorbis_mix_FREQ(SpectrumAccumulator* acc, vorbis_block* vb, int32_t gainLeft,
                     int32_t gainRight) {
    if (acc->slot < 0 || acc->slot >= kAccSlots || !vb->pcm) return;
    acc->lastBlock = vb;
    acc->lastLW = vb->lW;
    acc->lastW = vb->W;
    acc->lastNW = vb->nW;
    const WindowCapture& w = vorbisFreqLastWindow();
    if (w.valid) {
        acc->window[0] = w.window[0];
        acc->window[1] = w.window[1];
        acc->blocksizes[0] = w.blocksizes[0];
        acc->blocksizes[1] = w.blocksizes[1];
    }
    const int channels = (vb->vd && vb->vd->vi) ? vb->vd->vi->channels : 1;
    int n = vb->pcmend / 2;
    if (n > kBlockSamples) n = kBlockSamples;
    const int32_t gains[2] = {gainLeft, gainRight};
    for (int ch = 0; ch < 2; ++ch) {
        int32_t* dst = acc->channel[ch];
        if (!dst) continue;
        dst += 128 + 256 * acc->slot;
        // A mono stream feeds the same spectrum to both sides.
        const ogg_int32_t* src = vb->pcm[channels > 1 ? ch : 0];
        const int32_t g = gains[ch];
        if (g == 256) {
            for (int i = 0; i < n; ++i) dst[i] = addSat32(dst[i], src[i]);
        } else {
            for (int i = 0; i < n; ++i) dst[i] = addSat32(dst[i], mulGain256(src[i], g));
        }
    }
}

namespace {

// Block-in for a block decoded only to its spectrum: the sample accounting of the standard
// block-in for a stream of short blocks, without moving any sample data.
int vorbis_synthesis_blockin_FREQ(vorbis_dsp_state* v, vorbis_block* vb, int64_t* sampleCount) {
    if (v->pcm_current > v->pcm_returned && v->pcm_returned != -1) return OV_EINVAL;
    v->lW = v->W;
    v->W = vb->W;
    v->nW = -1;
    if (v->sequence == -1 || v->sequence + 1 != vb->sequence) {
        v->granulepos = -1; // out of sequence: position unknown until the next granule position
        *sampleCount = -1;
    }
    v->sequence = vb->sequence;

    // Half the long block size keeps the counters inside the decoder's own PCM storage, so a
    // standard read after a frequency read can never index past it.
    const int centre = vorbis_info_blocksize(v->vi, 1) / 2;
    const int thisCentre = v->centerW ? centre : 0;
    const int prevCentre = v->centerW ? 0 : centre;
    v->centerW = v->centerW ? 0 : centre;
    if (v->pcm_returned == -1) {
        v->pcm_returned = thisCentre; // the first block only primes the overlap
        v->pcm_current = thisCentre;
    } else {
        v->pcm_returned = prevCentre;
        v->pcm_current = prevCentre + kBlockSamples;
    }

    if (*sampleCount == -1)
        *sampleCount = 0;
    else
        *sampleCount += kBlockSamples;

    // Trims never take more than the block just made available.
    const auto trim = [v](int64_t extra) {
        const int available = v->pcm_current - v->pcm_returned;
        return static_cast<int>(extra > available ? available : extra);
    };
    if (v->granulepos == -1) {
        if (vb->granulepos != -1) {
            v->granulepos = vb->granulepos;
            if (*sampleCount > v->granulepos) {
                // A short first page: an end-of-stream page cuts the end, else the beginning.
                const int extra = trim(*sampleCount - v->granulepos);
                if (vb->eofflag)
                    v->pcm_current -= extra;
                else
                    v->pcm_returned += extra;
            }
        }
    } else {
        v->granulepos += kBlockSamples;
        if (vb->granulepos != -1 && v->granulepos != vb->granulepos) {
            // Partial last block: drop the samples past the stream's end.
            if (v->granulepos > vb->granulepos && vb->eofflag)
                v->pcm_current -= trim(v->granulepos - vb->granulepos);
            v->granulepos = vb->granulepos; // the bitstream is believed
        }
    }
    if (vb->eofflag) v->eofflag = 1;
    return 0;
}

// Reads the next page of the stream. 0 on success, OV_EOF at the end of the data.
int _get_next_page_FREQ(OggVorbis_File* vf, ogg_page* og) {
    for (;;) {
        const int r = ogg_sync_pageout(&vf->oy, og);
        if (r > 0) {
            vf->offset += og->header_len + og->body_len;
            return 0;
        }
        if (r < 0) continue; // bytes skipped to regain capture
        if (!vf->callbacks.read_func || !vf->datasource) return OV_EOF;
        char* buffer = ogg_sync_buffer(&vf->oy, READSIZE);
        if (!buffer) return OV_EFAULT;
        const size_t bytes = vf->callbacks.read_func(buffer, 1, READSIZE, vf->datasource);
        if (bytes == 0 || bytes > READSIZE) return OV_EOF;
        ogg_sync_wrote(&vf->oy, static_cast<long>(bytes));
    }
}

int _make_decode_ready_FREQ(OggVorbis_File* vf) {
    if (vf->ready_state > STREAMSET) return 0;
    if (vf->ready_state < STREAMSET || !vf->vi) return OV_EFAULT;
    if (vorbis_synthesis_init(&vf->vd, vf->vi)) return OV_EBADLINK;
    vorbis_block_init(&vf->vd, &vf->vb);
    vf->ready_state = INITSET;
    vf->bittrack = 0;
    vf->samptrack = 0;
    return 0;
}

// Fetches and processes one audio packet. With an accumulator the packet is decoded to its
// spectrum only and added into the accumulator's current slot; without one it takes Tremor's
// standard path. 1 when a packet was processed, OV_EOF at the end of the stream, OV_HOLE on a gap
// in the data, another negative code on failure.
int _fetch_and_process_packet_FREQ(OggVorbis_File* vf, SpectrumAccumulator* acc, VoiceSource* src) {
    for (;;) {
        if (vf->ready_state == STREAMSET) {
            const int ret = _make_decode_ready_FREQ(vf);
            if (ret < 0) return ret;
        }
        if (vf->ready_state == INITSET) {
            for (;;) {
                ogg_packet op;
                const int result = ogg_stream_packetout(&vf->os, &op);
                if (result == -1) return OV_HOLE;
                if (result == 0) break;
                const ogg_int64_t granulepos = op.granulepos;
                int ret;
                if (acc) {
                    vorbisFreqSetBypass(true);
                    ret = vorbis_synthesis(&vf->vb, &op);
                    vorbisFreqSetBypass(false);
                } else {
                    ret = vorbis_synthesis(&vf->vb, &op);
                }
                if (ret != 0) continue; // header or undecodable packet: skip it
                if (vorbis_synthesis_pcmout(&vf->vd, nullptr) != 0) return OV_EFAULT;
                if (acc) {
                    vorbis_mix_FREQ(acc, &vf->vb, src->mixGainLeft, src->mixGainRight);
                    vorbis_synthesis_blockin_FREQ(&vf->vd, &vf->vb, &src->freqSampleCount);
                } else {
                    vorbis_synthesis_blockin(&vf->vd, &vf->vb);
                }
                const int samples = vorbis_synthesis_pcmout(&vf->vd, nullptr);
                vf->samptrack += samples;
                vf->bittrack += op.bytes * 8;
                if (granulepos != -1 && !op.e_o_s) {
                    // The position of the last sample ready; the first one is `samples` earlier.
                    const ogg_int64_t first = (granulepos < 0 ? 0 : granulepos) - samples;
                    vf->pcm_offset = first;
                }
                return 1;
            }
        }
        // Without a set stream there are no headers to decode the next page with.
        if (vf->ready_state < STREAMSET) return OV_EOF;
        ogg_page og;
        if (_get_next_page_FREQ(vf, &og) < 0) return OV_EOF;
        vf->bittrack += og.header_len * 8;
        // A chained stream's next link has headers of its own; mixing ends at the boundary.
        if (vf->ready_state == INITSET &&
            static_cast<ogg_uint32_t>(ogg_page_serialno(&og)) != vf->current_serialno)
            return OV_EOF;
        ogg_stream_pagein(&vf->os, &og);
    }
}

} // namespace

long ov_read_FREQ(SpectrumAccumulator* acc, VoiceSource* src, int slot) {
    if (!src->oggOpen || slot < 0 || slot >= kAccSlots) return OV_EINVAL;
    OggVorbis_File* vf = &src->ogg;
    if (vf->ready_state < OPENED) return OV_EINVAL;
    acc->slot = slot;
    // Decoding may allocate (block storage, the decoder's first setup): from the voice's arena.
    ArenaScope scope(src->arena);
    for (;;) {
        if (vf->ready_state == INITSET) {
            const int samples = vorbis_synthesis_pcmout(&vf->vd, nullptr);
            if (samples > 0) {
                vorbis_synthesis_read(&vf->vd, samples);
                vf->pcm_offset += samples;
                return static_cast<long>(samples) * 4;
            }
        }
        const int ret = _fetch_and_process_packet_FREQ(vf, acc, src);
        if (ret == OV_EOF) return 0;
        if (ret <= 0) return ret;
    }
}

int vorbisFreqCompatible(OggVorbis_File* vf) {
    if (!vf) return 0;
    vorbis_info* vi = ov_info(vf, -1);
    if (!vi || vi->channels != 2) return 0;
    return vorbis_info_blocksize(vi, 0) == kShortBlock &&
                   vorbis_info_blocksize(vi, 1) == kShortBlock
               ? 1
               : 0;
}

} // namespace mx
