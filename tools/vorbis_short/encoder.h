// Short-block Ogg Vorbis encoder: 16-bit stereo PCM in, a complete Ogg Vorbis stream out.
//
// Every audio packet is one 256-sample block (both block sizes of the stream are 256), so the
// engine's frequency path can sum the spectra of several streams block by block. The encoder is
// a plain function without global state: it may run on several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vshort {

struct EncoderOptions {
    int sampleRate = 44100; // written in the identification header; the audio is not resampled
    // 0 (smallest stream) .. 1 (finest quantisation): each block's quantisation noise is aimed
    // at 10 + 40 * quality dB under its energy. The default gives music-like material about
    // 32 dB signal-to-noise ratio at some 145 kb/s (44.1 kHz stereo).
    float quality = 0.5f;
    // Ceiling on the average bit rate of the audio pages in bits per second (0: none); the
    // headers, 1 to 4 KB, come on top. Material too dense for the ceiling at `quality` is
    // coded at the highest accuracy that fits.
    int maxBitrate = 256000;
    uint32_t serial = 1; // Ogg logical stream serial number
};

// Encodes `frames` stereo frames (left, right interleaved). Returns the bytes of the Ogg stream,
// which decodes to exactly `frames` frames; an empty input still gives a valid stream. Returns
// an empty vector only when the input is unusable (sample rate <= 0, or no samples pointer).
std::vector<uint8_t> encodeStereo(const int16_t* interleaved, size_t frames,
                                  const EncoderOptions& options = {});

} // namespace vshort
