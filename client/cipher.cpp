// DES-CBC with PKCS#7 padding through nettle, and the enciphered text forms built on it.
#include "client/cipher.h"

#include "client/base64.h"

#include <nettle/cbc.h>
#include <nettle/des.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kt {

const char* cipherStatusName(CipherStatus status) {
    switch (status) {
    case CipherStatus::Success:
        return "";
    case CipherStatus::ParamError:
        return "PARAM ERROR";
    case CipherStatus::BufferTooSmall:
        return "BUFFER TOO SMALL";
    case CipherStatus::MemoryFailure:
        return "MEMORY FAILURE";
    case CipherStatus::Alignment:
        return "ALIGNMENT";
    case CipherStatus::DecodeError:
        return "DECODE ERROR";
    case CipherStatus::Unimplemented:
        return "UNIMPLEMENTED";
    }
    return "UNIMPLEMENTED";
}

namespace {

std::string runCipher(std::string_view input, CipherOperation operation, std::string_view key,
                      CipherStatus& status) {
    status = CipherStatus::ParamError;
    if (key.size() != DES_KEY_SIZE) return {};
    des_ctx ctx;
    // A weak key still gets a schedule; the protocol key is not weak anyway.
    des_set_key(&ctx, reinterpret_cast<const uint8_t*>(key.data()));
    std::array<uint8_t, DES_BLOCK_SIZE> iv;
    std::memcpy(iv.data(), key.data(), iv.size());

    if (operation == CipherOperation::Encipher) {
        // Text semantics: the input ends at its first NUL.
        input = input.substr(0, std::min(input.size(), input.find('\0')));
        const std::size_t pad = DES_BLOCK_SIZE - input.size() % DES_BLOCK_SIZE;
        std::string plain(input);
        plain.append(pad, static_cast<char>(pad));
        std::string out(plain.size(), '\0');
        cbc_encrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(des_encrypt), DES_BLOCK_SIZE,
                    iv.data(), plain.size(), reinterpret_cast<uint8_t*>(out.data()),
                    reinterpret_cast<const uint8_t*>(plain.data()));
        status = CipherStatus::Success;
        return out;
    }

    if (input.size() % DES_BLOCK_SIZE != 0) {
        status = CipherStatus::Alignment;
        return {};
    }
    if (input.empty()) {
        status = CipherStatus::DecodeError;
        return {};
    }
    std::string out(input.size(), '\0');
    cbc_decrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(des_decrypt), DES_BLOCK_SIZE, iv.data(),
                input.size(), reinterpret_cast<uint8_t*>(out.data()),
                reinterpret_cast<const uint8_t*>(input.data()));
    const auto pad = static_cast<uint8_t>(out.back());
    bool padOk = pad >= 1 && pad <= DES_BLOCK_SIZE;
    for (std::size_t i = 0; padOk && i < pad; ++i)
        padOk = static_cast<uint8_t>(out[out.size() - 1 - i]) == pad;
    if (!padOk) {
        status = CipherStatus::DecodeError;
        return {};
    }
    out.resize(out.size() - pad);
    status = CipherStatus::Success;
    return out;
}

} // namespace

std::string doCipher(std::string_view input, CipherOperation operation, std::string_view key,
                     CipherStatus* status) {
    CipherStatus local;
    std::string out = runCipher(input, operation, key, local);
    if (status)
        *status = local;
    else if (local != CipherStatus::Success)
        std::fprintf(stderr, "doCipher: %s\n", cipherStatusName(local));
    return out;
}

std::string KT_EncryptWithBase64(std::string_view text, std::string_view key) {
    return KT_EncodeBase64(doCipher(text, CipherOperation::Encipher, key));
}

std::optional<std::string> KT_Decrypt(std::string_view cipherBytes, std::string_view key,
                                      CipherStatus* status) {
    CipherStatus local;
    CipherStatus& st = status ? *status : local;
    std::string plain = doCipher(cipherBytes, CipherOperation::Decipher, key, &st);
    if (st != CipherStatus::Success) {
        if (!status) std::fprintf(stderr, "doCipher: %s\n", cipherStatusName(st));
        // A failed decipher is no reply at all, not an empty one.
        return std::nullopt;
    }
    if (!isValidUtf8(plain)) return std::nullopt;
    return plain;
}

std::optional<std::string> KT_DecryptWithBase64(std::string_view text, std::string_view key,
                                                CipherStatus* status) {
    return KT_Decrypt(KT_DecodeBase64(text), key, status);
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

} // namespace kt
