// Form splitting and deciphering of the listed variables with the client's codecs.
#include "server/request_decoding.h"

#include <vector>

#include "client/cipher.h"

namespace zserver {
namespace {

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t pos = s.find(sep, start);
        parts.push_back(s.substr(start, pos == std::string_view::npos ? pos : pos - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return parts;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

Variables splitForm(std::string_view body) {
    Variables vars;
    if (body.empty()) return vars;
    for (auto pair : split(body, '&')) {
        if (pair.empty()) continue;
        size_t eq = pair.find('=');
        vars[std::string(pair.substr(0, eq))] =
            eq == std::string_view::npos ? "" : std::string(pair.substr(eq + 1));
    }
    return vars;
}

bool decipherListed(Variables& vars, std::string* error) {
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    auto list = vars.find("listVarCrypt");
    if (list == vars.end()) return true;
    const std::string names = list->second;
    vars.erase(list);
    for (auto name : split(names, ',')) {
        if (name.empty()) continue;
        auto it = vars.find(std::string(name));
        if (it == vars.end())
            return fail("enciphered variable \"" + std::string(name) + "\" is missing");
        kt::CipherStatus status = kt::CipherStatus::Success;
        auto plain = kt::KT_DecryptWithBase64(percentDecode(it->second), kt::kCipherKey, &status);
        if (!plain) {
            std::string why = "variable \"" + std::string(name) + "\" does not decipher";
            if (status != kt::CipherStatus::Success)
                why += std::string(" (") + kt::cipherStatusName(status) + ")";
            return fail(why);
        }
        it->second = std::move(*plain);
    }
    return true;
}

std::optional<Variables> decodeForm(std::string_view body, std::string* error) {
    Variables vars = splitForm(body);
    if (!decipherListed(vars, error)) return std::nullopt;
    return vars;
}

} // namespace zserver
