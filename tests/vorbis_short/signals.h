// Test material for the short-block encoder and the figures the tests judge it by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vshort_test {

// Interleaved stereo, 16-bit.
using Pcm = std::vector<int16_t>;

// A few seconds of music-like material: panned chords with partials, a bass line, kick drums
// and noise bursts (snare, hi-hat), peaking a few dB under full scale.
Pcm musicLike(int sampleRate, double seconds);
// A sine on each channel (different frequencies), `amplitude` in 16-bit units.
Pcm sines(int sampleRate, size_t frames, double leftHz, double rightHz, double amplitude);

// 10 log10(signal energy / error energy) over both channels; `decoded` must have the length of
// `reference`.
double snrDb(const Pcm& reference, const Pcm& decoded);
// Bit rate of `bytes` of stream for `frames` frames at `sampleRate`, in kb/s.
double kbps(size_t bytes, size_t frames, int sampleRate);
// Bytes of the Ogg pages after the two header pages (identification; comment and setup).
size_t audioPageBytes(const std::vector<uint8_t>& stream);

} // namespace vshort_test
