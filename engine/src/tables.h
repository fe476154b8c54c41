// Fixed tables shared by the decoders and the compressor.
#pragma once
#include <cstdint>

namespace mx {

extern const int16_t kImaStepTable[89]; // standard IMA ADPCM step sizes, 7 .. 32767
extern const int8_t kImaIndexTable[8];  // step index change per code magnitude 0..7
extern const int32_t kLevelTable[512];  // T[k] = round(5120 log10 k), T[0] = 0

} // namespace mx
