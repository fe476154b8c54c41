// Window and forward MDCT of a 256-sample Vorbis short block.
#pragma once

#include <array>
#include <complex>
#include <cstddef>

namespace vshort {

constexpr int kBlockSize = 256;
constexpr int kHalfBlock = kBlockSize / 2;

class Mdct256 {
  public:
    Mdct256();
    // Windows 256 time samples and transforms them into 128 coefficients on the scale the
    // decoders' inverse transform expects (full-scale output = 1.0).
    void forward(const float* in, float* out) const;
    float window(int i) const { return window_[static_cast<std::size_t>(i)]; }

  private:
    static constexpr int kFft = kHalfBlock / 2; // complex points of the DCT-IV's transform
    using Complex = std::complex<float>;

    std::array<float, kBlockSize> window_;
    std::array<Complex, kFft> preTwiddle_;  // e^{i pi m / 128}
    std::array<Complex, kFft> postTwiddle_; // e^{i pi (p + 1/4) / 128}, times the output scale
    std::array<Complex, kFft / 2> roots_;   // e^{2 pi i j / 64}
    std::array<int, kFft> bitReverse_;
};

} // namespace vshort
