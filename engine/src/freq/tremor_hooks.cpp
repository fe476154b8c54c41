// Tremor's two intercepted steps. Linked after the decoder archives (with the voice arenas), so
// that every binary holding the decoder resolves them, whether or not it mixes in frequency.
#include "tremor_hooks.h"

namespace {

struct FreqThreadState {
    bool bypass = false;
    mx::WindowCapture window;
};

// Per thread, so that packages may render on several threads at once.
thread_local FreqThreadState tFreq;

} // namespace

extern "C" {

void __wrap_mdct_backward(int n, ogg_int32_t* in, ogg_int32_t* out) {
    if (tFreq.bypass) return;
    __real_mdct_backward(n, in, out);
}

void __wrap__vorbis_apply_window(ogg_int32_t* d, const void* window_p[2], long* blocksizes, int lW,
                                 int W, int nW) {
    if (tFreq.bypass) {
        // The window tables are Tremor's static data, the block sizes belong to the decoder:
        // copy the values, the decoder may be closed before the final transform.
        mx::WindowCapture& c = tFreq.window;
        c.window[0] = window_p[0];
        c.window[1] = window_p[1];
        c.blocksizes[0] = blocksizes[0];
        c.blocksizes[1] = blocksizes[1];
        c.valid = true;
        return;
    }
    __real__vorbis_apply_window(d, window_p, blocksizes, lW, W, nW);
}

} // extern "C"

namespace mx {

void vorbisFreqSetBypass(bool on) {
    if (on) tFreq.window.valid = false; // a capture belongs to the bypassed decode it came from
    tFreq.bypass = on;
}

const WindowCapture& vorbisFreqLastWindow() {
    return tFreq.window;
}

} // namespace mx
