// PBKDF2-HMAC-SHA256 with nettle, salts from the system's random source.
#include "server/password_hash.h"

#include <nettle/pbkdf2.h>

#include <charconv>
#include <cstdint>
#include <random>
#include <vector>

namespace zserver {
namespace {

constexpr size_t kKeyBytes = 32, kSaltBytes = 16;
constexpr unsigned kMaxIterations = 10'000'000;

std::string hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool unhex(std::string_view text, std::vector<uint8_t>& out) {
    if (text.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned v = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, v, 16);
        if (ec != std::errc() || end != text.data() + i + 2) return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

std::vector<uint8_t> derive(std::string_view password, const std::vector<uint8_t>& salt,
                            unsigned iterations) {
    std::vector<uint8_t> key(kKeyBytes);
    pbkdf2_hmac_sha256(password.size(), reinterpret_cast<const uint8_t*>(password.data()),
                       iterations, salt.size(), salt.data(), key.size(), key.data());
    return key;
}

} // namespace

std::string hashPassword(std::string_view password) {
    std::random_device random;
    std::vector<uint8_t> salt(kSaltBytes);
    for (auto& b : salt) b = static_cast<uint8_t>(random());
    return hashPassword(password, hex(salt), kPasswordIterations);
}

std::string hashPassword(std::string_view password, std::string_view saltHex, unsigned iterations) {
    std::vector<uint8_t> salt;
    if (!unhex(saltHex, salt) || salt.empty() || iterations == 0) return {};
    return "pbkdf2-sha256$" + std::to_string(iterations) + "$" + std::string(saltHex) + "$" +
           hex(derive(password, salt, iterations));
}

bool verifyPassword(std::string_view password, std::string_view stored) {
    // pbkdf2-sha256 $ iterations $ salt $ key
    std::string_view parts[4];
    for (int i = 0; i < 4; ++i) {
        size_t dollar = i < 3 ? stored.find('$') : stored.size();
        if (dollar == std::string_view::npos) return false;
        parts[i] = stored.substr(0, dollar);
        stored.remove_prefix(i < 3 ? dollar + 1 : dollar);
    }
    unsigned iterations = 0;
    auto [end, ec] =
        std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), iterations);
    std::vector<uint8_t> salt, expected;
    if (parts[0] != "pbkdf2-sha256" || ec != std::errc() ||
        end != parts[1].data() + parts[1].size() || iterations == 0 ||
        iterations > kMaxIterations || !unhex(parts[2], salt) || salt.empty() ||
        !unhex(parts[3], expected) || expected.size() != kKeyBytes)
        return false;
    std::vector<uint8_t> key = derive(password, salt, iterations);
    uint8_t diff = 0;
    for (size_t i = 0; i < kKeyBytes; ++i) diff |= static_cast<uint8_t>(key[i] ^ expected[i]);
    return diff == 0;
}

} // namespace zserver
