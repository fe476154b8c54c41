// WAV input of the package builder: 16-bit PCM files, mono or stereo, read with bounds checks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mxpack {

struct WavAudio {
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
};

// Parses WAV bytes. Accepts PCM (format 1, or extensible with the PCM sub-format), 16 bits, one
// or two channels; chunks in any order before "data". On failure returns false with the reason.
bool parseWav(const std::vector<uint8_t>& bytes, WavAudio& out, std::string& error);
bool readWav(const std::string& path, WavAudio& out, std::string& error);

// The same audio as interleaved stereo (mono is copied to both sides).
std::vector<int16_t> toStereo(const WavAudio& audio);

} // namespace mxpack
