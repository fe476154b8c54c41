// LSB-first bit packing for Vorbis headers and audio packets, over libogg's oggpack writer.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <vector>

namespace vshort {

class BitWriter {
  public:
    BitWriter() { oggpack_writeinit(&buf_); }
    ~BitWriter() { oggpack_writeclear(&buf_); }
    BitWriter(const BitWriter&) = delete;
    BitWriter& operator=(const BitWriter&) = delete;

    // Writes the low `bits` bits of `value` (0..32 bits), least significant first.
    void write(uint32_t value, int bits) {
        if (bits > 0) oggpack_write(&buf_, value, bits);
    }
    void writeBytes(const char* text, size_t n) {
        for (size_t i = 0; i < n; ++i) write(static_cast<uint8_t>(text[i]), 8);
    }
    long bitCount() { return oggpack_bits(&buf_); }
    std::vector<uint8_t> bytes() {
        const unsigned char* p = oggpack_get_buffer(&buf_);
        return std::vector<uint8_t>(p, p + oggpack_bytes(&buf_));
    }

  private:
    oggpack_buffer buf_;
};

// Number of bits needed to hold `v` (Vorbis ilog: 0 for 0, 1 for 1, 2 for 2..3, ...).
inline int ilog(uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

} // namespace vshort
