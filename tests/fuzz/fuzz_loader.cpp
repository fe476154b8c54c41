// libFuzzer target: any bytes as a package in memory, loaded, inspected and rendered.
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "fuzz_one.h"

namespace {

// An empty directory of this process only, as the root of resource files, so that the names an
// input gives its resources resolve to nothing.
std::string dir;

void cleanup() {
    rmdir(dir.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mxp4fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    dir = pattern;
    fileInit((dir + "/").c_str());
    std::atexit(cleanup);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::runOne(data, size);
    return 0;
}
