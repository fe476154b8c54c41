// Tremor's two intercepted steps (linked with --wrap) and the per-thread switches around them.
#pragma once
#include <tremor/ivorbiscodec.h>

extern "C" {
// The unwrapped steps: in-place inverse MDCT of n/2 coefficients to n samples, and the window of
// a block of size blocksizes[W] between neighbours of sizes blocksizes[lW] and blocksizes[nW].
void __real_mdct_backward(int n, ogg_int32_t* in, ogg_int32_t* out);
void __real__vorbis_apply_window(ogg_int32_t* d, const void* window_p[2], long* blocksizes, int lW,
                                 int W, int nW);
void __wrap_mdct_backward(int n, ogg_int32_t* in, ogg_int32_t* out);
void __wrap__vorbis_apply_window(ogg_int32_t* d, const void* window_p[2], long* blocksizes, int lW,
                                 int W, int nW);
}

namespace mx {

// While set on a thread, Tremor skips its inverse MDCT and windowing there (the block keeps its
// spectrum). Used by the frequency path around vorbis_synthesis, and by the benchmarks to measure
// the share of decode time these two steps take. Turning it on forgets the last window capture.
void vorbisFreqSetBypass(bool on);

// Window arguments seen by the last bypassed window step on this thread.
struct WindowCapture {
    bool valid = false;
    const void* window[2] = {nullptr, nullptr};
    long blocksizes[2] = {0, 0};
};
const WindowCapture& vorbisFreqLastWindow();

} // namespace mx
