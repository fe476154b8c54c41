// One decoder's view of an encoded stream; each decoder test executable supplies decodeStream.
#pragma once

#include "signals.h"

#include <cstdint>
#include <vector>

namespace vshort_test {

struct Decoded {
    bool opened = false; // headers accepted
    bool clean = false;  // every packet decoded without a hole or an error
    int channels = 0;
    long rate = 0;
    int blockSizes[2] = {0, 0};
    int64_t total = -1; // length the decoder announces from the last granule position
    long bitrate = 0;   // the decoder's average over the audio pages, in bits per second
    Pcm pcm;            // interleaved 16-bit output
};

// Decodes a whole stream held in memory (seekable callbacks).
Decoded decodeStream(const std::vector<uint8_t>& stream);

} // namespace vshort_test
