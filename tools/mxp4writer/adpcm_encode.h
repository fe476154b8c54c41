// IMA ADPCM in the packages' "ADPs" layout: 12-byte header, then one byte per stereo frame
// (high nibble left, low nibble right).
#pragma once
#include <cstdint>
#include <vector>

namespace mxp4w {

struct AdpcmChannelState {
    int32_t predictor = 0; // -32768..32767
    int32_t stepIndex = 0; // 0..88
};

// The 12-byte header: "ADPs", then predictor and step index of the left, then the right channel.
std::vector<uint8_t> adpcmHeader(AdpcmChannelState left, AdpcmChannelState right);

// Encodes interleaved stereo frames. The header starts each channel at its first sample with
// `startIndex`; every code is the one whose decoded value lands closest to the input, so the
// encoder tracks the decoder exactly and errors do not accumulate.
std::vector<uint8_t> adpcmEncode(const std::vector<int16_t>& stereo, int32_t startIndex = 16);

// Decodes a header plus codes to interleaved stereo: an independent model of the decoder, for
// checking decoders and encoders. Returns an empty vector when the header is not "ADPs".
std::vector<int16_t> adpcmDecode(const std::vector<uint8_t>& bytes);

} // namespace mxp4w
