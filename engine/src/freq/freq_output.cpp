// Output of the frequency path: final inverse transform, overlap-add and 16-bit conversion.
#include "vorbis_freq.h"

namespace mx {

void mapping0_finalIMDCT_MIXED(SpectrumAccumulator*) {}
void ov_read_MIXEDN(SpectrumAccumulator*, int16_t*, int) {}
void ov_read_MIXEDNcompressor(SpectrumAccumulator*, CompressorContext*, int16_t*, int) {}

} // namespace mx
