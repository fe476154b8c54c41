// Window and forward MDCT of a 256-sample Vorbis short block.
#pragma once

#include <array>
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
    std::array<float, kBlockSize> window_;
    std::array<float, kHalfBlock * kHalfBlock> dct4_; // scaled DCT-IV basis
};

} // namespace vshort
