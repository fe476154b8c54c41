// Buffered file source: reads straddling the buffer, direct large reads, short refills at the end
// of the file, skips inside and outside the buffer, and the root path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "file.h"
#include "test_support.h"

namespace {

using mx::_FSRCBUFLEN;

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> v(n);
    uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

class FileSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        data = pattern(60000);
        path = dir.file("data.bin");
        ASSERT_TRUE(ts::writeBytes(path, data));
        src = mx::fsrcopen(path.c_str());
        ASSERT_NE(src, nullptr);
    }
    void TearDown() override { mx::fsrcclose(src); }

    // Reads n bytes and checks them against the file at the current tell.
    void readAndCheck(size_t n, size_t expected) {
        int64_t at = mx::fsrctell(src);
        std::vector<uint8_t> got(n + 1, 0xEE);
        ASSERT_EQ(mx::fsrcread(got.data(), 1, n, src), expected);
        ASSERT_EQ(0, std::memcmp(got.data(), data.data() + at, expected)) << "at " << at;
        EXPECT_EQ(got[n], 0xEE); // nothing written past the request
        EXPECT_EQ(mx::fsrctell(src), at + static_cast<int64_t>(expected));
    }

    ts::TempDir dir;
    std::vector<uint8_t> data;
    std::string path;
    mx::FileSource* src = nullptr;
};

TEST_F(FileSourceTest, ReadsStraddlingTheBufferKeepDataAndPosition) {
    EXPECT_EQ(mx::fsrctell(src), 0);
    readAndCheck(10000, 10000);
    readAndCheck(10000, 10000); // 6384 from the buffer, then a refill
    readAndCheck(1, 1);
    readAndCheck(_FSRCBUFLEN - 3617, _FSRCBUFLEN - 3617); // exactly what the buffer holds
    readAndCheck(7, 7);
}

TEST_F(FileSourceTest, LargeRemainderIsReadDirectly) {
    readAndCheck(_FSRCBUFLEN, _FSRCBUFLEN); // empty buffer: straight from the file
    readAndCheck(100, 100);
    readAndCheck(_FSRCBUFLEN + 500, _FSRCBUFLEN + 500); // buffer rest, then a direct read
    readAndCheck(3, 3);
}

TEST_F(FileSourceTest, ElementSizeTimesCountIsTheRequest) {
    int32_t words[10];
    EXPECT_EQ(mx::fsrcread(words, 4, 10, src), 40u);
    EXPECT_EQ(0, std::memcmp(words, data.data(), 40));
    EXPECT_EQ(mx::fsrcread(words, SIZE_MAX / 2, 4, src), 0u); // overflowing request
    EXPECT_EQ(mx::fsrctell(src), 40);
}

TEST_F(FileSourceTest, ShortRefillAtTheEndAndSeeks) {
    mx::fsrcseek(src, 50000);
    EXPECT_EQ(mx::fsrctell(src), 50000);
    readAndCheck(10, 10); // refill of 10000 bytes only
    EXPECT_EQ(src->fill - src->pos, 10000 - 10);
    readAndCheck(9000, 9000);
    readAndCheck(2000, 990); // the end of the file
    readAndCheck(5, 0);
    EXPECT_EQ(mx::fsrctell(src), 60000);
    mx::fsrcseek(src, 7); // back into the file: the buffered tail must not be served
    EXPECT_EQ(mx::fsrctell(src), 7);
    readAndCheck(20000, 20000);
    mx::fsrcseek(src, 59990);
    readAndCheck(30000, 10); // direct read hits the end
}

TEST_F(FileSourceTest, SkipsInsideAndOutsideTheBuffer) {
    readAndCheck(10, 10);
    mx::fsrcskip(src, 100); // inside the buffer
    EXPECT_EQ(mx::fsrctell(src), 110);
    readAndCheck(4, 4);
    mx::fsrcskip(src, _FSRCBUFLEN - 114); // up to the exact end of the buffered data
    EXPECT_EQ(mx::fsrctell(src), _FSRCBUFLEN);
    readAndCheck(4, 4);
    mx::fsrcskip(src, 30000); // beyond: a seek from the file position
    EXPECT_EQ(mx::fsrctell(src), _FSRCBUFLEN + 4 + 30000);
    readAndCheck(20, 20);
    mx::fsrcskip(src, 0);
    readAndCheck(20, 20);
}

TEST(FileSource, OpenIntoCallerStorageOwnsNothing) {
    ts::TempDir dir;
    std::vector<uint8_t> data = pattern(100);
    ASSERT_TRUE(ts::writeBytes(dir.file("a.bin"), data));
    std::vector<uint8_t> buffer(_FSRCBUFLEN);
    mx::FileSource src;
    ASSERT_EQ(mx::fsrcopenInto(&src, buffer.data(), dir.file("a.bin").c_str()), 0);
    EXPECT_FALSE(src.ownsBuffer);
    EXPECT_FALSE(src.ownsSelf);
    uint8_t got[100];
    EXPECT_EQ(mx::fsrcread(got, 1, 100, &src), 100u);
    EXPECT_EQ(0, std::memcmp(got, data.data(), 100));
    mx::fsrcclose(&src); // must not free the caller's storage
    EXPECT_EQ(src.fd, -1);
    EXPECT_EQ(mx::fsrcread(got, 1, 1, &src), 0u);
    EXPECT_EQ(mx::fsrcopenInto(&src, buffer.data(), dir.file("missing.bin").c_str()), -1);
}

TEST(FileSource, RootPathPrefixesRelativePaths) {
    ts::TempDir dir;
    ASSERT_TRUE(ts::writeBytes(dir.file("r.bin"), pattern(10)));
    mx::fileInit((dir.path() + "/").c_str());
    mx::FileSource* src = mx::fsrcopen("r.bin");
    EXPECT_NE(src, nullptr);
    mx::fsrcclose(src);

    // An absolute path is opened as given whatever the root.
    src = mx::fsrcopen(dir.file("r.bin").c_str());
    EXPECT_NE(src, nullptr);
    mx::fsrcclose(src);

    // A root that does not fit makes relative opens fail instead of reading elsewhere.
    std::string longRoot(mx::_ROOTPATHMAX, 'x');
    mx::fileInit(longRoot.c_str());
    EXPECT_EQ(mx::fsrcopen("r.bin"), nullptr);

    mx::fileInit(nullptr);
    std::string longPath = dir.path() + "/" + std::string(700, 'a');
    EXPECT_EQ(mx::fsrcopen(longPath.c_str()), nullptr);
    EXPECT_EQ(mx::fsrcopen(nullptr), nullptr);
}

TEST(FileSource, FilePathKeepsTheDirectory) {
    char out[16];
    mx::filePath("a/b/c.mxp4", out, sizeof out);
    EXPECT_STREQ(out, "a/b/");
    mx::filePath("dir\\x.mxp4", out, sizeof out);
    EXPECT_STREQ(out, "dir\\");
    mx::filePath("plain.mxp4", out, sizeof out);
    EXPECT_STREQ(out, "");
    mx::filePath("/", out, sizeof out);
    EXPECT_STREQ(out, "/");
    mx::filePath("a_very_long_directory/x", out, sizeof out); // does not fit: no partial path
    EXPECT_STREQ(out, "");
}

} // namespace
