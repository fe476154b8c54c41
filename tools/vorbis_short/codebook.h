// Vorbis codebooks: Huffman lengths fitted to symbol counts, code word assignment in the
// decoder's order, and the lattice (lookup type 1) vector books used by the residue.
#pragma once

#include "bit_writer.h"

#include <cassert>
#include <cstdint>
#include <vector>

namespace vshort {

class Codebook {
  public:
    // Book without value lookup: `entries` symbols, decoded by entry number only. `dim` matters
    // only where a book's dimension carries meaning (a residue's classification book).
    static Codebook scalar(int entries, int dim = 1);
    // Lattice book: `dim` components, each one of `values` integers step * (-(values/2) ..
    // values/2). `values` is odd, so the lattice is symmetric around zero.
    static Codebook lattice(int dim, int values, int step);

    int entries() const { return static_cast<int>(lengths_.size()); }
    int dim() const { return dim_; }
    int values() const { return values_; }
    int step() const { return step_; }
    int maxIndex() const { return values_ / 2; } // largest |multiple of step| per component

    // Lattice entry for `dim` component multiples q[j] in -maxIndex..maxIndex.
    int latticeEntry(const int* q) const;

    // Fits the code lengths to observed entry counts and assigns the code words. Entries with
    // a zero count get no code word: afterwards, only counted entries may be written.
    void fitLengths(const std::vector<uint64_t>& counts);
    int length(int entry) const { return lengths_[static_cast<size_t>(entry)]; } // 0: unused
    // Bits the entries counted in `counts` take with the current code lengths.
    uint64_t bits(const std::vector<uint64_t>& counts) const;

    void writeHeader(BitWriter& w) const;
    void writeEntry(BitWriter& w, int entry) const {
        assert(lengths_[static_cast<size_t>(entry)] > 0);
        w.write(codes_[static_cast<size_t>(entry)], lengths_[static_cast<size_t>(entry)]);
    }

  private:
    int dim_ = 1;
    int values_ = 0; // 0: no lookup
    int step_ = 1;
    bool sparse_ = false;
    std::vector<uint8_t> lengths_;
    std::vector<uint32_t> codes_; // bit-reversed, so that LSB-first packing sends the top bit first
};

// Code lengths of a Huffman code for `counts` (zero counts are treated as one), no longer than
// `maxLength`. At least two entries.
std::vector<uint8_t> huffmanLengths(const std::vector<uint64_t>& counts, int maxLength);
// Code words (most significant bit first) that a Vorbis decoder derives from `lengths`: each
// entry in order takes the lowest free code word of its length; length 0 marks an entry without
// one. Empty when the lengths do not form a complete prefix code.
std::vector<uint32_t> assignCodewords(const std::vector<uint8_t>& lengths);
// Vorbis 32-bit float: 21-bit mantissa, 10-bit exponent biased by 788, sign bit.
uint32_t packFloat(double v);

} // namespace vshort
