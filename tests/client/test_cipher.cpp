// DES-CBC cipher and the enciphered text forms, checked against recorded and live OpenSSL output.
#include "client/base64.h"
#include "client/cipher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace kt;

namespace {

std::string hex(std::string_view bytes) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}

std::string unhex(std::string_view h) {
    std::string s;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        s += static_cast<char>(std::stoi(std::string(h.substr(i, 2)), nullptr, 16));
    return s;
}

// Recorded with: printf '%s' TEXT | openssl enc -des-cbc -K 5765767133386e62
//                -iv 5765767133386e62 -provider legacy -provider default
struct Vector {
    const char* plain;
    const char* cipherHex;
};
const Vector kVectors[] = {
    {"", "41abc226e86eb6ca"},
    {"a", "022e44f89ba22189"},
    {"1234567", "f6cab43d40434f4b"},
    {"12345678", "9a37dfbe57c407727977de3d0a97bf19"},
    {"<envelope><session id=\"42\"/></envelope>",
     "32e602a0f29fb166942753c68a15c991dafda55db07d294a3d8a7547ddf5bb386a3b2a6e601b3f7f"},
    {"h\xc3\xa9llo w\xc3\xb6rld \xe2\x82\xac", "9cb74e158b8dcf2592cad224ca1542f496e5a8a087a52c91"},
};

} // namespace

TEST(Cipher, RecordedOpenSslVectors) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(v.plain);
        CipherStatus st;
        const std::string c = doCipher(v.plain, CipherOperation::Encipher, kCipherKey, &st);
        EXPECT_EQ(st, CipherStatus::Success);
        EXPECT_EQ(hex(c), v.cipherHex);
        EXPECT_EQ(doCipher(c, CipherOperation::Decipher, kCipherKey, &st), v.plain);
        EXPECT_EQ(st, CipherStatus::Success);
    }
}

// Random texts of every length around the block boundaries, enciphered by the openssl command.
TEST(Cipher, AgreesWithOpenSslCommand) {
    if (std::system("openssl enc -des-cbc -provider legacy -provider default -K 00 -iv 00 "
                    "</dev/null >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "openssl with the legacy provider is not available";
    const auto dir =
        std::filesystem::temp_directory_path() / ("zc_cipher_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::mt19937 rng(7);
    const std::string keyHex = hex(kCipherKey);
    for (int len = 0; len <= 40; ++len) {
        std::string plain;
        for (int i = 0; i < len; ++i) plain += static_cast<char>(1 + rng() % 255); // no NUL
        const auto in = dir / "in", out = dir / "out";
        std::ofstream(in, std::ios::binary) << plain;
        const std::string cmd = "openssl enc -des-cbc -provider legacy -provider default -K " +
                                keyHex + " -iv " + keyHex + " -in " + in.string() + " -out " +
                                out.string();
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        std::ifstream f(out, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        SCOPED_TRACE(len);
        EXPECT_EQ(hex(doCipher(plain, CipherOperation::Encipher, kCipherKey)), hex(ss.str()));
    }
    std::filesystem::remove_all(dir);
}

TEST(Cipher, EncipherStopsAtFirstNul) {
    const std::string withNul("abc\0def", 7);
    EXPECT_EQ(doCipher(withNul, CipherOperation::Encipher, kCipherKey),
              doCipher("abc", CipherOperation::Encipher, kCipherKey));
}

TEST(Cipher, DecipherFailuresGiveNothing) {
    const std::string good = doCipher("hello", CipherOperation::Encipher, kCipherKey);
    CipherStatus st;
    EXPECT_EQ(doCipher(good.substr(0, 7), CipherOperation::Decipher, kCipherKey, &st), "");
    EXPECT_EQ(st, CipherStatus::Alignment);
    EXPECT_STREQ(cipherStatusName(st), "ALIGNMENT");
    EXPECT_EQ(doCipher("", CipherOperation::Decipher, kCipherKey, &st), "");
    EXPECT_EQ(st, CipherStatus::DecodeError);
    // Wrong key: the padding no longer checks out (the recorded block decodes to garbage).
    EXPECT_EQ(doCipher(good, CipherOperation::Decipher, "abcdefgh", &st), "");
    EXPECT_EQ(st, CipherStatus::DecodeError);
    EXPECT_STREQ(cipherStatusName(st), "DECODE ERROR");
    EXPECT_EQ(doCipher("x", CipherOperation::Encipher, "short", &st), "");
    EXPECT_EQ(st, CipherStatus::ParamError);
    EXPECT_STREQ(cipherStatusName(st), "PARAM ERROR");

    // Each corrupted last byte breaks the padding of "hello" (3 bytes of 0x03).
    int rejected = 0;
    for (int b = 0; b < 256; ++b) {
        std::string c = good;
        c.back() = static_cast<char>(b);
        if (c == good) continue;
        doCipher(c, CipherOperation::Decipher, kCipherKey, &st);
        rejected += st == CipherStatus::DecodeError;
    }
    EXPECT_GE(rejected, 250); // a few corrupted blocks happen to end in valid padding
}

TEST(Cipher, PaddingBytesMustAllMatch) {
    // Plain block ending in 02 03: last byte says 3 bytes of padding, earlier ones disagree.
    const std::string raw("abcde\x01\x02\x03", 8);
    // Encipher the 8 bytes plus a full padding block, then drop the padding block: CBC makes
    // the first block's cipher text stand alone.
    const std::string c = doCipher(raw, CipherOperation::Encipher, kCipherKey).substr(0, 8);
    CipherStatus st;
    EXPECT_EQ(doCipher(c, CipherOperation::Decipher, kCipherKey, &st), "");
    EXPECT_EQ(st, CipherStatus::DecodeError);
}

TEST(Cipher, RequestForms) {
    // The empty text: one block of padding, 12 Base64 characters less the "=".
    const std::string empty = KT_EncryptWithBase64("", kCipherKey);
    EXPECT_EQ(empty.size(), 11u);
    EXPECT_EQ(empty, KT_EncodeBase64(unhex("41abc226e86eb6ca")));
    EXPECT_EQ(KT_DecryptWithBase64(empty, kCipherKey), std::optional<std::string>(""));

    const std::string text = "<envelope><session id=\"42\"/></envelope>";
    const std::string sent = KT_EncryptWithBase64(text, kCipherKey);
    EXPECT_EQ(sent.find_first_of("+= \n"), std::string::npos);
    EXPECT_EQ(KT_DecryptWithBase64(sent, kCipherKey), std::optional<std::string>(text));
    EXPECT_EQ(KT_DecryptWithBase64(sent.substr(0, sent.size() - 3), kCipherKey), std::nullopt);
    EXPECT_EQ(KT_DecryptWithBase64("", kCipherKey), std::nullopt);
}

TEST(Cipher, PlainTextMustBeUtf8) {
    const std::string latin1 = "caf\xe9";
    const std::string c = doCipher(latin1, CipherOperation::Encipher, kCipherKey);
    CipherStatus st;
    EXPECT_EQ(KT_Decrypt(c, kCipherKey, &st), std::nullopt);
    EXPECT_EQ(st, CipherStatus::Success);
    EXPECT_EQ(
        KT_Decrypt(doCipher("caf\xc3\xa9", CipherOperation::Encipher, kCipherKey), kCipherKey),
        std::optional<std::string>("caf\xc3\xa9"));

    EXPECT_TRUE(isValidUtf8("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5"));
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xe0\x80\xaf"));     // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));         // cut short
    EXPECT_FALSE(isValidUtf8("\x80"));
}
