// Forward MDCT by folding the windowed block into a 128-point DCT-IV.
#include "mdct.h"

#include <cmath>

namespace vshort {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Makes the decoders' unscaled inverse transform, windowed and overlap-added, give back the input.
constexpr double kScale = 2.0 / kHalfBlock;
} // namespace

Mdct256::Mdct256() {
    for (int i = 0; i < kBlockSize; ++i) {
        double s = std::sin((i + 0.5) / kBlockSize * kPi);
        window_[static_cast<size_t>(i)] = static_cast<float>(std::sin(0.5 * kPi * s * s));
    }
    for (int k = 0; k < kHalfBlock; ++k)
        for (int n = 0; n < kHalfBlock; ++n)
            dct4_[static_cast<size_t>(k * kHalfBlock + n)] =
                static_cast<float>(kScale * std::cos(kPi / kHalfBlock * (n + 0.5) * (k + 0.5)));
}

void Mdct256::forward(const float* in, float* out) const {
    // With the windowed block split in quarters a b c d, MDCT(a b c d) = DCT-IV(-c'-d, a-b'),
    // where ' reverses a quarter.
    constexpr int q = kBlockSize / 4;
    float x[kBlockSize];
    for (int i = 0; i < kBlockSize; ++i) x[i] = in[i] * window_[static_cast<size_t>(i)];
    float u[kHalfBlock];
    for (int n = 0; n < q; ++n) {
        u[n] = -x[3 * q - 1 - n] - x[3 * q + n];
        u[q + n] = x[n] - x[2 * q - 1 - n];
    }
    for (int k = 0; k < kHalfBlock; ++k) {
        const float* row = &dct4_[static_cast<size_t>(k * kHalfBlock)];
        float acc = 0;
        for (int n = 0; n < kHalfBlock; ++n) acc += row[n] * u[n];
        out[k] = acc;
    }
}

} // namespace vshort
