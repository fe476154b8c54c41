// RIFF/WAVE file bytes with 16-bit PCM samples, as packages embed them.
#pragma once
#include <cstdint>
#include <vector>

namespace mxp4w {

// A 16-bit PCM WAV file: RIFF head, "fmt " chunk, optional "pad " chunk of `padBytes` zeros
// (to push the "data" tag further into the file), then "data" with the interleaved samples.
std::vector<uint8_t> wavBytes(const std::vector<int16_t>& samples, int channels, int sampleRate,
                              uint32_t padBytes = 0);

} // namespace mxp4w
