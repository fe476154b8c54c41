// Resource encoding of the package builder: one WAV input to the bytes of one package resource.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "description.h"
#include "wav_input.h"

namespace mxpack {

struct EncodedResource {
    int16_t kind = 0; // resource kind of the package: 1 Ogg Vorbis, 2 PCM WAV, 4 ADPCM
    std::vector<uint8_t> bytes;
};

// File name extension of a resource written beside the package.
const char* resourceExtension(Encoding e);

// Encodes `audio` (already checked against the package rate). Vorbis and ADPCM are always
// stereo (mono is doubled); WAV keeps the input's channel layout. `serial` is the Ogg stream
// serial number.
bool encodeResource(const WavAudio& audio, Encoding encoding, double quality, int sampleRate,
                    uint32_t serial, EncodedResource& out, std::string& error);

} // namespace mxpack
