// Frequency-only decoding over Tremor: spectrum accumulation per 128-coefficient block.
#include "vorbis_freq.h"

namespace mx {

int BufferMixedOGGInit(SpectrumAccumulator*) {
    return 0;
}
void BufferMixedOGGReset(SpectrumAccumulator*) {}
void BufferMixedOGGRelease(SpectrumAccumulator*) {}
void BufferMixedOGGNewFrame(SpectrumAccumulator*) {}
long ov_read_FREQ(SpectrumAccumulator*, VoiceSource*, int) {
    return 0;
}
void vorbis_mix_FREQ(SpectrumAccumulator*, vorbis_block*, int32_t, int32_t) {}
int vorbisFreqCompatible(OggVorbis_File*) {
    return 0;
}

} // namespace mx

extern "C" {
void __real_mdct_backward(int n, ogg_int32_t* in, ogg_int32_t* out);
void __real__vorbis_apply_window(ogg_int32_t* d, const void* window_p[2], long* blocksizes, int lW,
                                 int W, int nW);
void __wrap_mdct_backward(int n, ogg_int32_t* in, ogg_int32_t* out) {
    __real_mdct_backward(n, in, out);
}
void __wrap__vorbis_apply_window(ogg_int32_t* d, const void* window_p[2], long* blocksizes, int lW,
                                 int W, int nW) {
    __real__vorbis_apply_window(d, window_p, blocksizes, lW, W, nW);
}
}
