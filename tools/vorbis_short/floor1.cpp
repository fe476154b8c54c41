// Floor type 1: post prediction and curve rendering exactly as a decoder performs them, so that
// the encoder divides the spectrum by the very curve the decoder will multiply it with.
#include "floor1.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace vshort {

namespace {

// The decoder's inverse dB table spans 255 steps of 35/64 dB up to 1.0 at index 255.
const double kLogStep = 0.546875 * std::log(10.0) / 20.0;

int renderPoint(int x0, int y0, int x1, int y1, int x) {
    const int dy = y1 - y0;
    const int off = std::abs(dy) * (x - x0) / (x1 - x0);
    return dy < 0 ? y0 - off : y0 + off;
}

void renderLine(int x0, int y0, int x1, int y1, int* v) {
    const int dy = y1 - y0;
    const int adx = x1 - x0;
    const int base = dy / adx;
    const int sy = dy < 0 ? base - 1 : base + 1;
    const int ady = std::abs(dy) - std::abs(base) * adx;
    int y = y0;
    int err = 0;
    v[x0] = y;
    for (int x = x0 + 1; x < x1; ++x) {
        err += ady;
        if (err >= adx) {
            err -= adx;
            y += sy;
        } else {
            y += base;
        }
        v[x] = y;
    }
}

} // namespace

Floor1::Floor1() : x_{0, 128, 32, 8, 64} {
    const int n = posts();
    low_.assign(static_cast<size_t>(n), 0);
    high_.assign(static_cast<size_t>(n), 1);
    for (int i = 2; i < n; ++i) {
        int lo = 0, hi = 1;
        for (int j = 0; j < i; ++j) {
            if (x(j) < x(i) && x(j) > x(lo)) lo = j;
            if (x(j) > x(i) && x(j) < x(hi)) hi = j;
        }
        low_[static_cast<size_t>(i)] = lo;
        high_[static_cast<size_t>(i)] = hi;
    }
    sorted_.resize(static_cast<size_t>(n));
    std::iota(sorted_.begin(), sorted_.end(), 0);
    std::sort(sorted_.begin(), sorted_.end(), [this](int a, int b) { return x(a) < x(b); });
    bandStart_.assign(static_cast<size_t>(n), 0);
    bandEnd_.assign(static_cast<size_t>(n), 128);
    for (size_t k = 0; k + 1 < sorted_.size(); ++k) {
        const int a = sorted_[k], b = sorted_[k + 1];
        const int mid = (x(a) + x(b) + 1) / 2;
        bandEnd_[static_cast<size_t>(a)] = mid;
        bandStart_[static_cast<size_t>(b)] = std::min(mid, 127);
    }
}

double Floor1::level(int index) {
    return std::exp((index - 255) * kLogStep);
}

int Floor1::postForLevel(double amplitude) {
    if (!(amplitude > 0)) return 0;
    const double index = 255.0 + std::log(amplitude) / kLogStep;
    return std::clamp(static_cast<int>(std::lround(index / kMultiplier)), 0, kRange - 1);
}

void Floor1::encodePosts(const int* target, int slack, int* vals, int* finalY) const {
    vals[0] = finalY[0] = target[0];
    vals[1] = finalY[1] = target[1];
    for (int i = 2; i < posts(); ++i) {
        const int lo = low_[static_cast<size_t>(i)], hi = high_[static_cast<size_t>(i)];
        const int predicted = renderPoint(x(lo), finalY[lo], x(hi), finalY[hi], x(i));
        const int want = target[i];
        const int d = want - predicted;
        if (std::abs(d) <= slack) {
            vals[i] = 0;
            finalY[i] = predicted;
            continue;
        }
        const int highroom = kRange - predicted;
        const int lowroom = predicted;
        const int room = std::min(highroom, lowroom) * 2;
        if (d > 0)
            vals[i] = 2 * d < room ? 2 * d : d + lowroom;
        else
            vals[i] = -2 * d - 1 < room ? -2 * d - 1 : -d + highroom - 1;
        finalY[i] = want;
    }
}

void Floor1::decodePosts(const int* vals, int* finalY, bool* drawn) const {
    finalY[0] = vals[0];
    finalY[1] = vals[1];
    drawn[0] = drawn[1] = true;
    for (int i = 2; i < posts(); ++i) {
        const int lo = low_[static_cast<size_t>(i)], hi = high_[static_cast<size_t>(i)];
        const int predicted = renderPoint(x(lo), finalY[lo], x(hi), finalY[hi], x(i));
        const int val = vals[i];
        const int highroom = kRange - predicted;
        const int lowroom = predicted;
        const int room = std::min(highroom, lowroom) * 2;
        if (val == 0) {
            drawn[i] = false;
            finalY[i] = predicted;
            continue;
        }
        drawn[lo] = drawn[hi] = drawn[i] = true;
        if (val >= room)
            finalY[i] =
                highroom > lowroom ? val - lowroom + predicted : predicted - val + highroom - 1;
        else
            finalY[i] = (val & 1) ? predicted - (val + 1) / 2 : predicted + val / 2;
    }
}

void Floor1::render(const int* vals, int* curve) const {
    int finalY[kMaxPosts];
    bool drawn[kMaxPosts];
    decodePosts(vals, finalY, drawn);
    int lx = 0, ly = finalY[0] * kMultiplier, hx = 0, hy = 0;
    for (size_t k = 1; k < sorted_.size(); ++k) {
        const int i = sorted_[k];
        if (!drawn[i]) continue;
        hx = x(i);
        hy = finalY[i] * kMultiplier;
        renderLine(lx, ly, hx, hy, curve);
        lx = hx;
        ly = hy;
    }
    // The last post sits at X = 128, so the curve is complete here.
}

void Floor1::writeConfig(BitWriter& w, int masterBook, int postBook) const {
    w.write(static_cast<uint32_t>(partitions()), 5);
    for (int p = 0; p < partitions(); ++p) w.write(0, 4); // every partition uses class 0
    w.write(kClassDim - 1, 3);
    w.write(1, 2); // one subclass bit per post: 0 = post not coded, 1 = coded
    w.write(static_cast<uint32_t>(masterBook), 8);
    w.write(0, 8);
    w.write(static_cast<uint32_t>(postBook + 1), 8);
    w.write(kMultiplier - 1, 2);
    w.write(kRangeBits, 4);
    for (int i = 2; i < posts(); ++i) w.write(static_cast<uint32_t>(x(i)), kRangeBits);
}

int Floor1::masterEntry(const int* vals, int p) const {
    int cval = 0;
    for (int j = 0; j < kClassDim; ++j)
        if (vals[2 + p * kClassDim + j] != 0) cval |= 1 << j;
    return cval;
}

void Floor1::writePacket(BitWriter& w, const int* vals, const Codebook& master,
                         const Codebook& postBook) const {
    const int bits = ilog(kRange - 1);
    w.write(static_cast<uint32_t>(vals[0]), bits);
    w.write(static_cast<uint32_t>(vals[1]), bits);
    for (int p = 0; p < partitions(); ++p) {
        const int cval = masterEntry(vals, p);
        master.writeEntry(w, cval);
        for (int j = 0; j < kClassDim; ++j)
            if (cval & (1 << j)) postBook.writeEntry(w, vals[2 + p * kClassDim + j]);
    }
}

void Floor1::count(const int* vals, std::vector<uint64_t>& master,
                   std::vector<uint64_t>& postBook) const {
    for (int p = 0; p < partitions(); ++p) {
        const int cval = masterEntry(vals, p);
        ++master[static_cast<size_t>(cval)];
        for (int j = 0; j < kClassDim; ++j)
            if (cval & (1 << j)) ++postBook[static_cast<size_t>(vals[2 + p * kClassDim + j])];
    }
}

} // namespace vshort
