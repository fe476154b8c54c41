// UTF-8 helpers for text input: cleaning typed text, removing the last character, counting
// characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ui {

// `utf8` with every malformed sequence (stray continuation byte, truncated or overlong
// sequence, surrogate, value above U+10FFFF) replaced by U+FFFD, so edited text always stays
// valid UTF-8.
std::string sanitizeUtf8(std::string_view utf8);

// Byte length of the last character of valid UTF-8 text (0 when empty).
std::size_t lastCharacterLength(std::string_view utf8);

// Number of characters (code points) of valid UTF-8 text.
std::size_t characterCount(std::string_view utf8);

} // namespace ui
