// Packages for the audio source tests: one track whose node offers one clip per resource, so
// that a voice can be pointed at any resource of a fully loaded package.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"
#include "package.h"
#include "rsc.h"
#include "test_support.h"

namespace srct {

struct Release {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using PackagePtr = std::unique_ptr<mxp4_package, Release>;

inline mxp4w::Resource resource(int16_t kind, std::vector<uint8_t> data, int32_t name = -1) {
    mxp4w::Resource r;
    r.kind = kind;
    r.name = name;
    r.data = std::move(data);
    return r;
}

// A writer holding `resources`; clip i plays resource i with the given gains.
inline mxp4w::PackageWriter writerWith(std::vector<mxp4w::Resource> resources,
                                       int sampleRate = 44100, int32_t gainLeft = 256,
                                       int32_t gainRight = 256) {
    mxp4w::PackageWriter w;
    w.header[2] = w.header[3] = -1; // no texts
    w.header[6] = sampleRate;
    mxp4w::Track t;
    t.flags = 3;
    t.node = 0;
    w.tracks.push_back(t);
    mxp4w::Node n;
    n.optionFirst = 0;
    n.optionCount = static_cast<int32_t>(resources.size());
    w.nodes.push_back(n);
    for (size_t i = 0; i < resources.size(); ++i) {
        mxp4w::Clip c;
        c.gainLeft = gainLeft;
        c.gainRight = gainRight;
        c.audioLength = 44100;
        c.sectionLength = 44100;
        c.option = static_cast<int32_t>(i);
        c.resource = static_cast<int32_t>(i);
        w.clips.push_back(c);
        mxp4w::Option o;
        o.clip = static_cast<int32_t>(i);
        w.options.push_back(o);
    }
    w.resources = std::move(resources);
    return w;
}

inline PackagePtr load(const mxp4w::PackageWriter& w, const ts::TempDir& dir,
                       const std::string& name = "test.mxp4") {
    std::string path = ts::writePackage(w, dir, name);
    int code = 0;
    PackagePtr p(mxp4LoaderDiag(path.c_str(), 1, &code));
    EXPECT_NE(p, nullptr) << "package did not load: code " << code;
    return p;
}

// Opens clip `clip` on voice `v`; returns rscAudioOpen's result.
inline int openVoice(mxp4_package* p, int clip, int v = 0, int32_t* channelsMinus1 = nullptr) {
    mx::Voice* voice = &p->mix->voices[v];
    voice->clip = clip;
    int32_t ch = -1;
    int ok = mx::rscAudioOpen(p, voice, &ch);
    if (channelsMinus1) *channelsMinus1 = ch;
    if (!ok) voice->clip = -1;
    return ok;
}

inline void closeVoice(mxp4_package* p, int v = 0) {
    mx::rscAudioClose(&p->mix->voices[v]);
    p->mix->voices[v].clip = -1;
}

// Reads the voice to its end in chunks of `chunk` frames; interleaved stereo or mono samples.
inline std::vector<int16_t> readAll(mxp4_package* p, int v, int chunk, int channels) {
    std::vector<int16_t> out, buf(static_cast<size_t>(chunk) * 2);
    for (;;) {
        int32_t got = mx::rscAudioRead(p, &p->mix->voices[v], buf.data(), chunk);
        if (got <= 0) break;
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<long>(got) * channels);
    }
    return out;
}

} // namespace srct
