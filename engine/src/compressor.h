// Dynamic-range compressor of the mix output, Q15 gains and levels in 1/256 dB.
#pragma once
#include "package.h"

namespace mx {

void compressorInit(CompressorContext* c, float thresholdDb, float ratioSlope, float attackS,
                    float releaseS, int32_t sampleRate, float makeupDb, float ceiling,
                    int32_t modeFlags);
void compressorDisable(CompressorContext* c);
int32_t compressorActive(const CompressorContext* c);
// 128 stereo frames of the sample-mixing accumulator (8 fractional bits) to 16-bit output.
void compressorProcess(CompressorContext* c, int16_t* out, const int32_t* acc);
// One 128-frame block of the spectrum accumulator after the inverse transform: the frame value
// per channel is left[l] + left[128 + l] (9 fractional bits).
void compressorProcessFreq(CompressorContext* c, int16_t* out, const int32_t* left,
                           const int32_t* right);

} // namespace mx
