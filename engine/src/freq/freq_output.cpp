// Output of the frequency path: one inverse MDCT and window per channel and slot for the whole
// mix, then overlap-add of neighbouring slots into 16-bit frames.
#include <cstring>

#include "../compressor.h"
#include "../fixed.h"
#include "tremor_hooks.h"
#include "vorbis_freq.h"

namespace mx {

namespace {

constexpr int kShortBlock = 256;
constexpr int kFrameFrames = 128 * kAccSlots; // 1536

// Window flag usable with the recorded block sizes: a flag whose size is not the short block
// would make the window step touch more than the slot's 256 values.
int shortFlag(const SpectrumAccumulator* acc, long flag) {
    if (flag >= 0 && flag <= 1 && acc->blocksizes[flag] == kShortBlock)
        return static_cast<int>(flag);
    return acc->blocksizes[0] == kShortBlock ? 0 : 1;
}

// Overlap sum of block k, frame l: the previous slot's second half plus this slot's first half.
inline int64_t overlap(const int32_t* c, int k, int l) {
    return static_cast<int64_t>(c[256 * k + l]) + c[256 * k + 128 + l];
}

inline int16_t toPcm(int64_t v) {
    return static_cast<int16_t>(toSample16(v, 9));
}

} // namespace

void mapping0_finalIMDCT_MIXED(SpectrumAccumulator* acc) {
    const bool windowKnown =
        (acc->blocksizes[0] == kShortBlock || acc->blocksizes[1] == kShortBlock) &&
        acc->window[0] && acc->window[1];
    const void* window[2] = {acc->window[0], acc->window[1]};
    long blocksizes[2] = {acc->blocksizes[0], acc->blocksizes[1]};
    const int lW = shortFlag(acc, acc->lastLW);
    const int W = shortFlag(acc, acc->lastW);
    const int nW = shortFlag(acc, acc->lastNW);
    for (int ch = 0; ch < 2; ++ch) {
        int32_t* c = acc->channel[ch];
        if (!c) continue;
        for (int k = 0; k < kAccSlots; ++k) {
            int32_t* slot = c + 128 + 256 * k;
            if (!windowKnown) {
                // No short-block stream was mixed: there is no window to shape the slot with.
                std::memset(slot, 0, 256 * sizeof(int32_t));
                continue;
            }
            __real_mdct_backward(kShortBlock, slot, slot);
            __real__vorbis_apply_window(slot, window, blocksizes, lW, W, nW);
        }
    }
}

void ov_read_MIXEDN(SpectrumAccumulator* acc, int16_t* out, int firstBlock) {
    const int32_t* left = acc->channel[0];
    const int32_t* right = acc->channel[1];
    // The block before the first one after reset is undefined: skip it and end with silence.
    const int first = firstBlock ? 1 : 0;
    int16_t* o = out;
    for (int k = first; k < kAccSlots; ++k) {
        for (int l = 0; l < 128; ++l) {
            *o++ = toPcm(overlap(left, k, l));
            *o++ = toPcm(overlap(right, k, l));
        }
    }
    std::memset(o, 0, static_cast<size_t>(out + 2 * kFrameFrames - o) * sizeof(int16_t));
    acc->state = 1;
}

void ov_read_MIXEDNcompressor(SpectrumAccumulator* acc, CompressorContext* c, int16_t* out,
                              int firstBlock) {
    const int first = firstBlock ? 1 : 0;
    int16_t* o = out;
    for (int k = first; k < kAccSlots; ++k) {
        compressorProcessFreq(c, o, acc->channel[0] + 256 * k, acc->channel[1] + 256 * k);
        o += 2 * 128;
    }
    std::memset(o, 0, static_cast<size_t>(out + 2 * kFrameFrames - o) * sizeof(int16_t));
    acc->state = 1;
}

} // namespace mx
