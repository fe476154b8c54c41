// The three Vorbis header packets of a stereo stream whose two block sizes are both 256.
#pragma once

#include "codebook.h"
#include "floor1.h"
#include "residue.h"

#include <cstdint>
#include <vector>

namespace vshort {

std::vector<uint8_t> identificationHeader(int sampleRate, int nominalBitrate);
std::vector<uint8_t> commentHeader();
// Books in header order: floor master book, floor post book, then the residue's books.
std::vector<uint8_t> setupHeader(const Floor1& floor, const Codebook& floorMaster,
                                 const Codebook& floorPosts, const Residue& residue);

} // namespace vshort
