// One 256-sample stereo block: transform, floor choice, quantisation, coupling and packet.
#pragma once

#include "codebook.h"
#include "encoder.h"
#include "floor1.h"
#include "mdct.h"
#include "residue.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vshort {

struct QuantisedBlock {
    bool nonzero[2] = {false, false}; // channel has a floor (else it decodes to silence)
    int vals[2][Floor1::kMaxPosts] = {};
    int16_t residue[Residue::kLength] = {}; // interleaved magnitude (left) / angle (right)
    uint8_t classes[Residue::kPartitions] = {};
};

class BlockCoder {
  public:
    BlockCoder(const int16_t* interleaved, size_t frames, const EncoderOptions& options);

    // Blocks in the stream: block t is centred on sample 128 * t, and the decoder's output
    // starts at the centre of block 0, so blocks 0..count-1 cover every input sample.
    int64_t blockCount() const;
    // Wanted signal-to-noise ratio of each block, in dB.
    static double snrForQuality(float quality);
    void setSnrDb(double db);
    void quantise(int64_t t, QuantisedBlock& q) const;

    // Adds the entries the packet of `q` will use to the books' counts / refits the books.
    void resetCounts();
    void count(const QuantisedBlock& q);
    void fitBooks();
    // Size of the stream the counted packets make with the fitted books, headers excluded.
    uint64_t estimatedBytes() const;
    std::vector<uint8_t> packet(const QuantisedBlock& q) const;
    std::vector<uint8_t> setupHeader() const;

  private:
    void transform(int64_t t, float (&spectrum)[2][kHalfBlock]) const;
    // Floor of one channel for a block whose flat quantiser step would be `step`.
    void chooseFloor(const float* spectrum, double step, int* vals, int* curve) const;

    const int16_t* pcm_;
    size_t frames_;
    double snrFactor_; // wanted signal-to-noise power ratio of a block
    Mdct256 mdct_;
    Floor1 floor_;
    Codebook floorMaster_;
    Codebook floorPosts_;
    Residue residue_;
    std::vector<uint64_t> masterCounts_, postCounts_;
    uint64_t rawBits_ = 0;
    uint64_t packets_ = 0;
};

} // namespace vshort
