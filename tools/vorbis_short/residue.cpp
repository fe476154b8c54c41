// Residue type 2: classification, cascade decomposition and packet order of the decoder.
#include "residue.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace vshort {

Residue::Residue() : classBook_(Codebook::scalar(kClasses * kClasses, kClassesPerWord)) {
    vq_.push_back(Codebook::lattice(4, 3, 1));    // 0: |v| <= 1
    vq_.push_back(Codebook::lattice(4, 5, 1));    // 1: |v| <= 2
    vq_.push_back(Codebook::lattice(2, 9, 1));    // 2: |v| <= 4
    vq_.push_back(Codebook::lattice(2, 17, 1));   // 3: |v| <= 8
    vq_.push_back(Codebook::lattice(2, 17, 1));   // 4: last stage of a cascade
    vq_.push_back(Codebook::lattice(2, 5, 17));   // 5: coarse, up to 2 * 17
    vq_.push_back(Codebook::lattice(2, 17, 17));  // 6: coarse, up to 8 * 17
    vq_.push_back(Codebook::lattice(1, 17, 289)); // 7: coarsest, up to 8 * 289
    vq_.push_back(Codebook::lattice(2, 33, 1));   // 8: |v| <= 16
    classes_ = {
        {0, 0, {}},
        {1, 1, {0}},
        {2, 1, {1}},
        {4, 1, {2}},
        {8, 1, {3}},
        {16, 1, {8}},
        {2 * 17 + 8, 2, {5, 4}},
        {8 * 17 + 8, 2, {6, 4}},
        {kMaxValue, 3, {7, 6, 4}},
    };
    assert(classes_.size() == kClasses);
    resetCounts();
}

void Residue::resetCounts() {
    classCounts_.assign(static_cast<size_t>(classBook_.entries()), 0);
    vqCounts_.clear();
    for (const Codebook& b : vq_) vqCounts_.emplace_back(static_cast<size_t>(b.entries()), 0);
}

uint64_t Residue::bits() const {
    uint64_t total = classBook_.bits(classCounts_);
    for (size_t i = 0; i < vq_.size(); ++i) total += vq_[i].bits(vqCounts_[i]);
    return total;
}

void Residue::classify(const int16_t* v, uint8_t* classes) const {
    for (int p = 0; p < kPartitions; ++p) {
        int peak = 0;
        for (int i = 0; i < kPartitionSize; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(v[p * kPartitionSize + i])));
        int c = 0;
        while (classes_[static_cast<size_t>(c)].maxAbs < peak) ++c;
        classes[p] = static_cast<uint8_t>(c);
    }
}

int Residue::stageValue(const Class& c, int stage, int x) const {
    int q = 0;
    for (int s = 0; s <= stage; ++s) {
        const Codebook& b = vq_[static_cast<size_t>(c.book[s])];
        const int step = b.step();
        const int mag = (std::abs(x) + step / 2) / step;
        q = std::min(mag, b.maxIndex()) * (x < 0 ? -1 : 1);
        x -= q * step;
    }
    return q;
}

int Residue::stagePart(int cls, int stage, int x) const {
    const Class& c = classes_[static_cast<size_t>(cls)];
    return stageValue(c, stage, x) * vq_[static_cast<size_t>(c.book[stage])].step();
}

// Calls fn(bookIndex, entry) for each classification word (bookIndex -1) and VQ entry, in
// the order the decoder reads them: pass by pass, and within a pass partition by partition.
template <class Fn>
void Residue::forEachEntry(const int16_t* v, const uint8_t* classes, Fn&& fn) const {
    for (int stage = 0; stage < kMaxStages; ++stage) {
        for (int p0 = 0; p0 < kPartitions; p0 += kClassesPerWord) {
            if (stage == 0) {
                int word = 0;
                for (int j = 0; j < kClassesPerWord; ++j) word = word * kClasses + classes[p0 + j];
                fn(-1, word);
            }
            for (int p = p0; p < p0 + kClassesPerWord; ++p) {
                const Class& c = classes_[classes[p]];
                if (stage >= c.stages) continue;
                const int bi = c.book[stage];
                const Codebook& b = vq_[static_cast<size_t>(bi)];
                const int16_t* part = v + p * kPartitionSize;
                for (int i = 0; i < kPartitionSize; i += b.dim()) {
                    int q[4];
                    for (int j = 0; j < b.dim(); ++j) q[j] = stageValue(c, stage, part[i + j]);
                    fn(bi, b.latticeEntry(q));
                }
            }
        }
    }
}

void Residue::count(const int16_t* v, const uint8_t* classes) {
    forEachEntry(v, classes, [this](int bi, int entry) {
        if (bi < 0)
            ++classCounts_[static_cast<size_t>(entry)];
        else
            ++vqCounts_[static_cast<size_t>(bi)][static_cast<size_t>(entry)];
    });
}

void Residue::fitBooks() {
    classBook_.fitLengths(classCounts_);
    for (size_t i = 0; i < vq_.size(); ++i) vq_[i].fitLengths(vqCounts_[i]);
}

void Residue::writeConfig(BitWriter& w, int firstBook) const {
    w.write(0, 24);
    w.write(kLength, 24);
    w.write(kPartitionSize - 1, 24);
    w.write(kClasses - 1, 6);
    w.write(static_cast<uint32_t>(firstBook), 8);
    for (const Class& c : classes_) {
        const uint32_t cascade = (1u << c.stages) - 1u; // stages run in passes 0, 1, 2
        w.write(cascade & 7u, 3);
        w.write(0, 1); // no passes above 2
    }
    for (const Class& c : classes_)
        for (int s = 0; s < c.stages; ++s)
            w.write(static_cast<uint32_t>(firstBook + 1 + c.book[s]), 8);
}

void Residue::writePacket(BitWriter& w, const int16_t* v, const uint8_t* classes) const {
    forEachEntry(v, classes, [this, &w](int bi, int entry) {
        if (bi < 0)
            classBook_.writeEntry(w, entry);
        else
            vq_[static_cast<size_t>(bi)].writeEntry(w, entry);
    });
}

} // namespace vshort
