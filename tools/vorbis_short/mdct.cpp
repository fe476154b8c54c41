// Forward MDCT: the windowed block folded into a 128-point DCT-IV, computed with a 64-point
// complex FFT.
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
    for (int m = 0; m < kFft; ++m) {
        preTwiddle_[static_cast<size_t>(m)] =
            std::polar(1.0f, static_cast<float>(kPi * m / kHalfBlock));
        postTwiddle_[static_cast<size_t>(m)] = std::polar(
            static_cast<float>(kScale), static_cast<float>(kPi * (m + 0.25) / kHalfBlock));
    }
    for (int j = 0; j < kFft / 2; ++j)
        roots_[static_cast<size_t>(j)] = std::polar(1.0f, static_cast<float>(2 * kPi * j / kFft));
    int bits = 0;
    while ((1 << bits) < kFft) ++bits;
    for (int i = 0; i < kFft; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
        bitReverse_[static_cast<size_t>(i)] = r;
    }
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
    // DCT-IV: with c[m] = (u[2m] - i u[127-2m]) e^{i pi m/128} and C its 64-point transform
    // with positive exponent, y[p] = e^{i pi (p+1/4)/128} C[p] gives X[2p] = Re y[p] and
    // X[127-2p] = Im y[p].
    Complex c[kFft];
    for (int m = 0; m < kFft; ++m)
        c[bitReverse_[static_cast<size_t>(m)]] =
            Complex(u[2 * m], -u[kHalfBlock - 1 - 2 * m]) * preTwiddle_[static_cast<size_t>(m)];
    for (int len = 2; len <= kFft; len <<= 1) {
        const int stride = kFft / len;
        for (int s = 0; s < kFft; s += len)
            for (int j = 0; j < len / 2; ++j) {
                const Complex t = c[s + j + len / 2] * roots_[static_cast<size_t>(j) * stride];
                c[s + j + len / 2] = c[s + j] - t;
                c[s + j] += t;
            }
    }
    for (int p = 0; p < kFft; ++p) {
        const Complex y = c[p] * postTwiddle_[static_cast<size_t>(p)];
        out[2 * p] = y.real();
        out[kHalfBlock - 1 - 2 * p] = y.imag();
    }
}

} // namespace vshort
