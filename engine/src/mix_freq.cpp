// Frequency mixing: the spectra of every playing Vorbis voice summed per 128-coefficient block,
// then one inverse transform, window and overlap-add for the whole mix, per quarter buffer.
#include <cstring>

#include "compressor.h"
#include "freq/vorbis_freq.h"
#include "mix_voice.h"
#include "render.h"

namespace mx {
namespace {

constexpr int kQuarterFrames = kBufferFrames / 4; // 1536
constexpr int kBlocksPerQuarter = kQuarterFrames / 128;

} // namespace

void _musicMixFreq(mxp4_package* p, int16_t* out) {
    MixState* m = p->mix;
    SpectrumAccumulator* acc = &m->spectrum;
    for (ptrdiff_t q = 0; q < 4; ++q) {
        int16_t* o = out + ptrdiff_t{2} * kQuarterFrames * q;
        BufferMixedOGGNewFrame(acc);
        for (int32_t i = 0; i < kBlocksPerQuarter; ++i) {
            int64_t e = m->now + static_cast<int64_t>(kQuarterFrames) * q + int64_t{128} * i;
            for (Voice& v : m->voices) {
                if (v.clip < 0) continue;
                _voiceGains(p, v, &v.src.mixGainLeft, &v.src.mixGainRight);
                // Starts are rounded to the block: a voice joins in the block holding its start.
                if (v.start - e > 127) continue;
                ov_read_FREQ(acc, &v.src, i);
                if (v.start + p->clips.items[v.clip].audioLength - e < 1) _voiceFree(v);
            }
        }
        // Without a decoded block there is nothing to transform (and no window to take).
        if (!acc->lastBlock) {
            std::memset(o, 0, sizeof(int16_t) * 2 * kQuarterFrames);
            continue;
        }
        mapping0_finalIMDCT_MIXED(acc);
        int first = acc->state == -1 ? 1 : 0;
        if (compressorActive(&m->compressor))
            ov_read_MIXEDNcompressor(acc, &m->compressor, o, first);
        else
            ov_read_MIXEDN(acc, o, first);
        acc->state = 1;
    }
}

} // namespace mx
