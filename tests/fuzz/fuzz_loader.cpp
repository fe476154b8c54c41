// libFuzzer target: any bytes as a package file, loaded, inspected and rendered.
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "fuzz_one.h"

namespace {

// A directory of this process only, so that parallel fuzzing jobs never share the input file
// and resources named by an input resolve to nothing.
std::string dir;
std::string input;

void cleanup() {
    unlink(input.c_str());
    rmdir(dir.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mxp4fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    dir = pattern;
    input = dir + "/input.mxp4";
    std::atexit(cleanup);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz::runOne(data, size, input)) std::abort();
    return 0;
}
