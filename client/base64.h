// Base64 forms of the server protocol: the standard form and the request form
// ("+" written "_", no trailing "=").
#pragma once

#include <string>
#include <string_view>

namespace kt {

// Standard Base64 (RFC 4648 alphabet) with "=" padding, no line breaks.
std::string encodeBase64(std::string_view bytes);
inline std::string encodeBase64ForData(std::string_view bytes) {
    return encodeBase64(bytes);
}

// Lenient standard decoder: stops at the first "=", skips whitespace and every character
// outside the alphabet, and drops the bits of an incomplete final group.
std::string decodeBase64ForString(std::string_view text);

// Request Base64: standard Base64 without trailing "=" and with "+" written "_".
std::string KT_EncodeBase64(std::string_view bytes);

// Inverse of KT_EncodeBase64: "_" back to "+", padding restored for lengths 4k+2 and 4k+3,
// then the standard decoder (a length of 4k+1 loses its incomplete last group).
std::string KT_DecodeBase64(std::string_view text);

} // namespace kt
