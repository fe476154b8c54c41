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

// Silence put before the audio of every Vorbis resource. The engine's frequency path sums the
// first two packets of a stream into one block, which would smear a downbeat at the clip's start;
// two blocks of silence make that sum harmless. Clips of such a resource start this much earlier.
constexpr int kVorbisLeadFrames = 256;

// File name extension of a resource written beside the package.
const char* resourceExtension(Encoding e);

// Encodes `audio` (already checked against the package rate). Vorbis and ADPCM are always
// stereo (mono is doubled); WAV keeps the input's channel layout. A Vorbis resource starts with
// kVorbisLeadFrames of silence. `serial` is the Ogg stream serial number.
bool encodeResource(const WavAudio& audio, Encoding encoding, double quality, int sampleRate,
                    uint32_t serial, EncodedResource& out, std::string& error);

} // namespace mxpack
