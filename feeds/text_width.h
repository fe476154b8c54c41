// The width labels are given from their character count, and the character count of UTF-8 text.
#pragma once

#include <cmath>
#include <cstddef>
#include <string_view>

namespace zephrun {

// Points a label of n characters is sized to: trunc(26 * n^0.6).
inline int textWidthEstimate(std::size_t n) {
    return static_cast<int>(std::trunc(26.0 * std::pow(static_cast<double>(n), 0.6)));
}

// Characters (code points) of UTF-8 text: every byte that does not continue a sequence.
inline std::size_t utf8CharacterCount(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace zephrun
