// The fuzzer's inputs as ordinary tests: every seed is a valid package, and every crash input
// the fuzzer ever found runs through the same load-and-render path without fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../fuzz/fuzz_one.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const char* sub) {
    fs::path dir = fs::path(__FILE__).parent_path().parent_path() / "fuzz" / sub;
    std::vector<fs::path> out;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FuzzInputs, SeedsAreValidPackages) {
    std::vector<fs::path> seeds = filesIn("corpus");
    ASSERT_GE(seeds.size(), 5u);
    for (const fs::path& seed : seeds) {
        for (int full : {0, 1}) {
            int code = -100;
            mxp4_package* p = mxp4LoaderDiag(seed.c_str(), full, &code);
            EXPECT_EQ(code, 0) << seed << " full=" << full;
            mxp4Release(p);
        }
    }
}

TEST(FuzzInputs, CrashInputsStayFixed) {
    ts::TempDir dir;
    fileInit((dir.path() + "/").c_str());
    for (const fs::path& input : filesIn("regressions")) {
        SCOPED_TRACE(input);
        std::vector<uint8_t> bytes = ts::readBytes(input.string());
        fuzz::runOne(bytes.data(), bytes.size());
    }
    fileInit(nullptr);
}

} // namespace
