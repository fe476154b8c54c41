// Packages for the renderer tests: tracks on single-option nodes (so every decision is known in
// advance) playing PCM, ADPCM or Vorbis clips, written to a temporary directory and loaded.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mxp4/mxp4.h"
#include "package.h"
#include "test_support.h"

namespace rt {

struct Release {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using Package = std::unique_ptr<mxp4_package, Release>;

class Builder {
  public:
    Builder() {
        w.header[mx::kHSampleRate] = 44100;
        w.header[mx::kH2Text] = -1;
        w.header[mx::kH3Text] = -1;
        w.header[mx::kHCommentFirst] = -1;
    }

    // A clip playing `samples` (interleaved, `channels` per frame) as a PCM WAV resource.
    // Returns its index; adjust w.clips[i] for gains, offsets and lengths.
    int pcmClip(const std::vector<int16_t>& samples, int channels, int32_t sectionLength) {
        mxp4w::Resource r;
        r.kind = 2;
        r.name = w.addString("r" + std::to_string(w.resources.size()) + ".wav");
        r.data = mxp4w::wavBytes(samples, channels, 44100);
        return addClip(std::move(r), static_cast<int32_t>(samples.size() / channels),
                       sectionLength);
    }
    // A constant stereo clip of `frames` frames.
    int dcClip(int16_t left, int16_t right, int32_t frames, int32_t sectionLength) {
        std::vector<int16_t> s(2 * static_cast<size_t>(frames));
        for (int32_t i = 0; i < frames; ++i) {
            s[2 * i] = left;
            s[2 * i + 1] = right;
        }
        return pcmClip(s, 2, sectionLength);
    }
    // A clip whose resource bytes are given (kind 1 Ogg, 4 ADPCM).
    int rawClip(int16_t kind, std::vector<uint8_t> bytes, int32_t frames, int32_t sectionLength) {
        mxp4w::Resource r;
        r.kind = kind;
        r.name = w.addString("r" + std::to_string(w.resources.size()));
        r.data = std::move(bytes);
        return addClip(std::move(r), frames, sectionLength);
    }
    // A clip without audio resource, for boundaries only.
    int emptyClip(int32_t sectionLength) {
        mxp4w::Clip c;
        c.sectionLength = sectionLength;
        w.clips.push_back(c);
        return static_cast<int>(w.clips.size()) - 1;
    }
    // A node whose options play `clips` (-1 = silence); returns its index.
    int node(const std::vector<int>& clips) {
        mxp4w::Node n;
        n.optionFirst = static_cast<int32_t>(w.options.size());
        n.optionCount = static_cast<int32_t>(clips.size());
        for (int c : clips) {
            mxp4w::Option o;
            o.clip = c;
            o.weight = 256;
            w.options.push_back(o);
        }
        w.nodes.push_back(n);
        return static_cast<int>(w.nodes.size()) - 1;
    }
    // A track on a new single-option node playing `clip`; returns the track index.
    int track(int flags, int clip, int32_t keepPriority = 100) {
        mxp4w::Track t;
        t.flags = flags;
        t.keepPriority = keepPriority;
        t.node = node({clip});
        w.tracks.push_back(t);
        return static_cast<int>(w.tracks.size()) - 1;
    }
    int userTrack(int clip) { return track(mx::kTrackUser, clip); }
    int masterTrack(int clip) { return track(mx::kTrackMaster, clip); }

    Package load(const ts::TempDir& dir, const std::string& name = "t.mxp4") const {
        std::string path = ts::writePackage(w, dir, name);
        int code = 0;
        Package p(mxp4LoaderDiag(path.c_str(), 1, &code));
        EXPECT_NE(p, nullptr) << "load code " << code;
        return p;
    }

    mxp4w::PackageWriter w;

  private:
    int addClip(mxp4w::Resource r, int32_t frames, int32_t sectionLength) {
        w.resources.push_back(std::move(r));
        mxp4w::Clip c;
        c.sectionLength = sectionLength;
        c.audioLength = frames;
        c.resource = static_cast<int32_t>(w.resources.size()) - 1;
        w.clips.push_back(c);
        return static_cast<int>(w.clips.size()) - 1;
    }
};

// One rendered buffer.
struct Buffer {
    std::vector<int16_t> s = std::vector<int16_t>(2 * MXP4_BUFFER_FRAMES);
    int16_t left(int f) const { return s[2 * f]; }
    int16_t right(int f) const { return s[2 * f + 1]; }
};

inline int next(mxp4_package* p, Buffer& b) {
    return mxp4NextBuffer(p, b.s.data());
}

} // namespace rt
