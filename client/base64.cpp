// Standard and request Base64 with the protocol's lenient decoder.
#include "client/base64.h"

#include <algorithm>
#include <cstdint>

namespace kt {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
} // namespace

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 |
                           static_cast<uint8_t>(bytes[i + 1]) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (rest == 2) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string decodeBase64ForString(std::string_view text) {
    std::string out;
    out.reserve((text.size() + 3) / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    for (const char ch : text) {
        if (ch == '=') break;
        const int v = sextet(static_cast<unsigned char>(ch));
        if (v < 0) continue; // whitespace and foreign characters are skipped
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
            acc &= (1u << bits) - 1;
        }
    }
    return out;
}

std::string KT_EncodeBase64(std::string_view bytes) {
    std::string s = encodeBase64(bytes);
    while (!s.empty() && s.back() == '=') s.pop_back();
    std::replace(s.begin(), s.end(), '+', '_');
    return s;
}

std::string KT_DecodeBase64(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), '_', '+');
    if (s.size() % 4 == 3) s += '=';
    if (s.size() % 4 == 2) s += "==";
    return decodeBase64ForString(s);
}

} // namespace kt
