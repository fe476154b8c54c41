// Residue type 2 over the interleaved magnitude/angle vector of a stereo short block:
// partition classes by peak value and a cascade of lattice books for the large ones.
#pragma once

#include "bit_writer.h"
#include "codebook.h"

#include <cstdint>
#include <vector>

namespace vshort {

class Residue {
  public:
    static constexpr int kLength = 256; // 128 bins x 2 channels, interleaved
    static constexpr int kPartitionSize = 16;
    static constexpr int kPartitions = kLength / kPartitionSize;
    static constexpr int kClasses = 9;
    static constexpr int kClassesPerWord = 2; // classification book dimension
    static constexpr int kMaxStages = 3;
    static constexpr int kMaxValue = 2456; // largest |value| the deepest cascade reaches
    static_assert(kPartitions % kClassesPerWord == 0, "whole classification words per block");
    static_assert(kPartitionSize % 4 == 0, "partitions hold whole vectors of every book");

    Residue();

    // Class of every partition of `v` (values within +-kMaxValue).
    void classify(const int16_t* v, uint8_t* classes) const;
    // Adds the entries writePacket would send to the books' counts.
    void count(const int16_t* v, const uint8_t* classes);
    void resetCounts();
    // Refits every book's code lengths to the counts gathered so far.
    void fitBooks();
    // Bits the counted entries take with the current books.
    uint64_t bits() const;

    int bookCount() const { return 1 + static_cast<int>(vq_.size()); }
    const Codebook& book(int i) const {
        return i == 0 ? classBook_ : vq_[static_cast<size_t>(i - 1)];
    }
    // `firstBook` is the setup header index of book(0).
    void writeConfig(BitWriter& w, int firstBook) const;
    void writePacket(BitWriter& w, const int16_t* v, const uint8_t* classes) const;

    // What a decoder adds up for value `x` of a partition of class `cls`: the sum over the
    // class's stages of stagePart(). Equal to x for every x the class admits.
    int stages(int cls) const { return classes_[static_cast<size_t>(cls)].stages; }
    int classLimit(int cls) const { return classes_[static_cast<size_t>(cls)].maxAbs; }
    int stagePart(int cls, int stage, int x) const;

  private:
    struct Class {
        int maxAbs;
        int stages;
        int book[kMaxStages]; // index into vq_, coarsest first
    };
    // Multiple of the stage's step that value `x` of class `c` contributes at `stage`.
    int stageValue(const Class& c, int stage, int x) const;
    template <class Fn> void forEachEntry(const int16_t* v, const uint8_t* classes, Fn&& fn) const;

    Codebook classBook_;
    std::vector<Codebook> vq_;
    std::vector<Class> classes_;
    std::vector<uint64_t> classCounts_;
    std::vector<std::vector<uint64_t>> vqCounts_;
};

} // namespace vshort
