// Member passwords as the server keeps them: PBKDF2-HMAC-SHA256 with a random salt, never the
// password itself. The stored text names its method, iteration count and salt, so that older
// hashes keep verifying after the count is raised:
//   "pbkdf2-sha256$<iterations>$<salt, hex>$<derived key, hex>"
#pragma once

#include <string>
#include <string_view>

namespace zserver {

inline constexpr unsigned kPasswordIterations = 40000;

// The stored form of `password` (UTF-8 bytes as typed) with a fresh random salt.
std::string hashPassword(std::string_view password);
// The same with a given salt (16 bytes as 32 hex digits) and count: for fixed demo content.
std::string hashPassword(std::string_view password, std::string_view saltHex, unsigned iterations);
// True when `password` matches `stored`; false for any malformed stored text. The comparison
// takes the same time wherever the first difference lies.
bool verifyPassword(std::string_view password, std::string_view stored);

} // namespace zserver
