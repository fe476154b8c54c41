// libFuzzer target of the reply path: request Base64 → DES decipher → the four reply readers.
// The first byte picks the mode: even, the rest is an enciphered reply as the server sends it;
// odd, the rest is a deciphered document, which must also survive an encipher round trip.
#include "client/base64.h"
#include "client/cipher.h"
#include "client/html_unescape.h"
#include "client/reply_parsers.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void readReply(const std::string& xml) {
    volatile std::size_t sink = 0;
    if (kt::KT_ParseResult(xml).ok()) sink = sink + 1;
    kt::KT_ParseNotification notification(xml);
    notification.showNotification(
        {[&](const std::string& t, const std::string& m, const std::string& b) {
             sink = sink + t.size() + m.size() + b.size();
         },
         [&](const std::string& d) { sink = sink + d.size(); }});
    if (const auto& id = kt::KT_ParseSessionID(xml).getSessionID()) sink = sink + id->size();
    kt::KT_ParseConfig(xml).updateConfig([&](std::string_view c) { sink = sink + c.size(); });
    sink = sink + kt::stringByUnescapingHTML(xml).size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    kt::CipherStatus status;
    if ((data[0] & 1) == 0) {
        if (auto xml = kt::KT_DecryptWithBase64(rest, kt::kCipherKey, &status)) readReply(*xml);
        return 0;
    }
    readReply(rest);
    if (rest.find('\0') == std::string::npos && kt::isValidUtf8(rest)) {
        const std::string sent = kt::KT_EncryptWithBase64(rest, kt::kCipherKey);
        if (kt::KT_DecryptWithBase64(sent, kt::kCipherKey, &status) != rest) std::abort();
    }
    if (kt::KT_DecodeBase64(kt::KT_EncodeBase64(rest)) != rest) std::abort();
    return 0;
}
