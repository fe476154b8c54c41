// Floor type 1 over a 128-bin short block: post layout, post coding and the decoder's curve.
#pragma once

#include "bit_writer.h"
#include "codebook.h"

#include <cstdint>
#include <vector>

namespace vshort {

class Floor1 {
  public:
    static constexpr int kMultiplier = 4;
    static constexpr int kRange = 256 / kMultiplier; // post values 0..63
    static_assert(kMultiplier == 1 || kMultiplier == 2 || kMultiplier == 4,
                  "the decoder's ranges for multiplier 3 are not 256 / 3");
    static constexpr int kRangeBits = 7; // X positions 0..128
    static constexpr int kClassDim = 3;  // posts per partition
    static constexpr int kMasterEntries = 1 << kClassDim;
    static constexpr int kMaxPosts = 65;

    Floor1();
    int posts() const { return static_cast<int>(x_.size()); }
    int partitions() const { return (posts() - 2) / kClassDim; }
    int x(int post) const { return x_[static_cast<size_t>(post)]; }
    // Bins nearer to `post` than to any other post: [bandStart, bandEnd).
    int bandStart(int post) const { return bandStart_[static_cast<size_t>(post)]; }
    int bandEnd(int post) const { return bandEnd_[static_cast<size_t>(post)]; }

    // Linear value of a rendered floor index 0..255 (the decoder's inverse dB table).
    static double level(int index);
    // Post value whose floor level is nearest to `amplitude` on the log scale.
    static int postForLevel(double amplitude);

    // Codes the wanted post values `target` (posts() values): `vals` receives what the packet
    // carries, `finalY` what the decoder will reconstruct. A post whose wanted value is within
    // `slack` of the line through its neighbours is left on that line (coded as 0).
    void encodePosts(const int* target, int slack, int* vals, int* finalY) const;
    // The decoder's floor curve for coded `vals`, as 128 indexes into level().
    void render(const int* vals, int* curve) const;

    void writeConfig(BitWriter& w, int masterBook, int postBook) const;
    // Master book entry of partition `p` (bit j set when post j of the partition is non-zero).
    int masterEntry(const int* vals, int p) const;
    void writePacket(BitWriter& w, const int* vals, const Codebook& master,
                     const Codebook& postBook) const;
    // Adds the book entries writePacket would send to the two count tables.
    void count(const int* vals, std::vector<uint64_t>& master,
               std::vector<uint64_t>& postBook) const;

  private:
    void decodePosts(const int* vals, int* finalY, bool* drawn) const;

    std::vector<int> x_;
    std::vector<int> low_, high_; // neighbours among earlier posts
    std::vector<int> sorted_;     // posts in order of X
    std::vector<int> bandStart_, bandEnd_;
};

} // namespace vshort
