// DES-CBC cipher of the server protocol and the enciphered request/reply text forms.
//
// All functions are pure and thread-safe. Byte strings are carried in std::string.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kt {

// The program's key: its 8 bytes are both the DES key and the initialisation vector.
inline constexpr std::string_view kCipherKey = "Wevq38nb";

enum class CipherOperation { Encipher = 0, Decipher = 1 };

enum class CipherStatus {
    Success,
    ParamError,     // key is not 8 bytes
    BufferTooSmall, // kept for the status names; never produced (buffers are sized exactly)
    MemoryFailure,
    Alignment,   // decipher input is not a whole number of 8-byte blocks
    DecodeError, // decipher input is empty or its PKCS#7 padding is wrong
    Unimplemented,
};

// "PARAM ERROR", "BUFFER TOO SMALL", ... ; "" for Success.
const char* cipherStatusName(CipherStatus status);

// DES-CBC with PKCS#7 padding, IV = key. Encipher reads `input` up to its first NUL byte;
// decipher reads every byte. On failure the result is empty; the status is stored in
// `*status` when given, else the status name is logged to stderr.
std::string doCipher(std::string_view input, CipherOperation operation, std::string_view key,
                     CipherStatus* status = nullptr);

// Request Base64 of the cipher text of `text` (UTF-8).
std::string KT_EncryptWithBase64(std::string_view text, std::string_view key);

// Deciphers raw cipher bytes; none when deciphering fails (bad length or padding) or the
// plain text is not UTF-8.
std::optional<std::string> KT_Decrypt(std::string_view cipherBytes, std::string_view key,
                                      CipherStatus* status = nullptr);

// Request Base64 text → deciphered UTF-8 text, or none.
std::optional<std::string> KT_DecryptWithBase64(std::string_view text, std::string_view key,
                                                CipherStatus* status = nullptr);

// Strict UTF-8 check (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

} // namespace kt
