// Workloads of the engine benchmarks: packages of V short-block stereo Vorbis voices that all
// start together on a block boundary, with the compressor on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <tremor/ivorbisfile.h>

namespace bench {

constexpr int kRate = 44100;
// Every voice plays one clip from the first buffer to the last rendered one; the section is longer
// than the clip so that no decision inside the rendered span starts (and opens) more voices.
constexpr int kBuffers = 8;
constexpr int kClipFrames = 6144 * kBuffers; // a multiple of 128: every start is block aligned
constexpr int kSectionFrames = kClipFrames + 3 * 6144;

struct Workload {
    int voices = 0;
    std::string dir;                           // temporary directory holding the package
    std::string path;                          // the package file
    std::vector<std::vector<uint8_t>> streams; // the Ogg stream of each voice's clip
};

// Built once per voice count and kept for the whole run (removed at exit).
const Workload& workload(int voices);

// CPU time of the calling thread in seconds: the machine is shared, and wall time would charge
// other processes' time to whichever side happened to be running.
double cpuNow();

// Decodes `frames` frames of a stream from memory with Tremor's ov_read, the decoder's memory in
// an arena as in the engine. Returns frames read; adds the time spent opening to *openSeconds.
long decodeFrames(const std::vector<uint8_t>& stream, long frames, double* openSeconds = nullptr);

} // namespace bench
