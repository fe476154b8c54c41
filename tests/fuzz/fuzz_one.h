// One fuzz input, shared by the fuzzer and the regression test: the bytes are loaded from memory
// info-only and for playback, the accessors are walked and a few buffers are rendered.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"

namespace fuzz {

inline void touchAccessors(mxp4_package* p) {
    volatile size_t sink = 0;
    for (int i = -1; i <= mxp4SkinNb(p); ++i) sink = sink + std::string(mxp4SkinName(p, i)).size();
    for (int i = -1; i <= mxp4AudiotrackNb(p); ++i) {
        const char* name = mxp4AudiotrackName(p, i);
        if (name) sink = sink + std::string(name).size();
        mxp4AudiotrackVol(p, i, 300, -5);
    }
    sink = sink + std::string(mxp4String(p, 0)).size() + static_cast<size_t>(mxp4SampleRate(p));
}

// Resources kept beside a package are looked up under the engine's root path: callers point it
// at an empty directory, so that names in an input resolve to nothing.
inline void runOne(const uint8_t* data, size_t size) {
    if (mxp4_package* info = mxp4LoaderMemory(data, size, 0, nullptr)) {
        touchAccessors(info);
        mxp4SkinSelect(info, 0, 1, 1);
        mxp4Release(info);
    }
    if (mxp4_package* p = mxp4LoaderMemory(data, size, 1, nullptr)) {
        touchAccessors(p);
        mxp4SkinSelect(p, 0, 1, 1);
        std::vector<int16_t> out(2 * MXP4_BUFFER_FRAMES);
        for (int i = 0; i < 4; ++i) mxp4NextBuffer(p, out.data());
        int64_t length = 0, offset = 0;
        mxp4Progress(p, mxp4Counter(p, 0), &length, &offset);
        mxp4Release(p);
    }
}

} // namespace fuzz
