// Test helpers: temporary directories, synthesized audio and small valid packages.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "vorbis_short/encoder.h"

namespace ts {
namespace {

constexpr double kPi = 3.14159265358979323846;

int16_t toSample(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

} // namespace

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zephrun-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        ADD_FAILURE() << "cannot create a temporary directory";
        return;
    }
    path_ = tmpl;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const {
    return path_ + "/" + name;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> sineMono(int frames, double freq, double amplitude, int rate) {
    std::vector<int16_t> out(static_cast<size_t>(std::max(frames, 0)));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = toSample(amplitude * std::sin(2 * kPi * freq * double(i) / rate));
    return out;
}

std::vector<int16_t> sineStereo(int frames, double freqLeft, double freqRight, double amplitude,
                                int rate) {
    std::vector<int16_t> out(2 * static_cast<size_t>(std::max(frames, 0)));
    for (size_t i = 0; i < out.size() / 2; ++i) {
        out[2 * i] = toSample(amplitude * std::sin(2 * kPi * freqLeft * double(i) / rate));
        out[2 * i + 1] = toSample(amplitude * std::sin(2 * kPi * freqRight * double(i) / rate));
    }
    return out;
}

std::vector<int16_t> noise(int frames, int channels, double amplitude, uint32_t seed) {
    std::vector<int16_t> out(static_cast<size_t>(std::max(frames, 0)) * channels);
    uint32_t x = seed ? seed : 1;
    for (int16_t& s : out) {
        x ^= x << 13; // xorshift32: reproducible on every platform
        x ^= x >> 17;
        x ^= x << 5;
        s = toSample(amplitude * (double(x) / 2147483648.0 - 1.0));
    }
    return out;
}

std::vector<int16_t> decayingTone(int frames, int channels, double freq, double amplitude,
                                  double decaySeconds, int rate) {
    std::vector<int16_t> out(static_cast<size_t>(std::max(frames, 0)) * channels);
    for (size_t i = 0; i < out.size() / channels; ++i) {
        double t = double(i) / rate;
        int16_t v =
            toSample(amplitude * std::exp(-t / decaySeconds) * std::sin(2 * kPi * freq * t));
        for (int c = 0; c < channels; ++c) out[i * channels + c] = v;
    }
    return out;
}

std::vector<int16_t> constant(int frames, int channels, int16_t value) {
    return std::vector<int16_t>(static_cast<size_t>(std::max(frames, 0)) * channels, value);
}

mxp4w::PackageWriter makeSimplePackage(const SimplePackage& shape) {
    mxp4w::PackageWriter w;
    w.header[2] = w.header[3] = -1; // no mix-wide texts
    w.header[6] = shape.sampleRate;
    w.header[12] = -1;
    w.embedResources = shape.embed;

    // Node n's option k plays its own clip and resource.
    auto addNode = [&](int node, int optionCount) {
        mxp4w::Node n;
        n.optionFirst = static_cast<int32_t>(w.options.size());
        n.optionCount = optionCount;
        n.name = w.addString("node" + std::to_string(node));
        for (int k = 0; k < optionCount; ++k) {
            auto clipIndex = static_cast<int32_t>(w.clips.size());
            auto optionIndex = static_cast<int32_t>(w.options.size());
            std::string clipName =
                "clip" + std::to_string(clipIndex) + (shape.ogg ? ".ogg" : ".wav");

            mxp4w::Resource r;
            r.kind = shape.ogg ? 1 : 2;
            r.name = w.addString(clipName);
            double freq = 110.0 * (node + 1) + 55.0 * k;
            std::vector<int16_t> pcm =
                sineStereo(shape.clipFrames, freq, freq * 1.5, shape.amplitude, shape.sampleRate);
            if (shape.ogg) {
                vshort::EncoderOptions o;
                o.sampleRate = shape.sampleRate;
                r.data = vshort::encodeStereo(pcm.data(), pcm.size() / 2, o);
            } else {
                r.data = wavBytes(pcm, 2, shape.sampleRate);
            }
            w.resources.push_back(std::move(r));

            mxp4w::Clip c;
            c.sectionLength = shape.sectionFrames;
            c.audioLength = shape.clipFrames;
            c.option = optionIndex;
            c.name = w.addString(clipName);
            c.resource = static_cast<int32_t>(w.resources.size()) - 1;
            w.clips.push_back(c);

            mxp4w::Option o;
            o.clip = clipIndex;
            o.name = w.addString("opt" + std::to_string(node) + "_" + std::to_string(k));
            o.weight = 256;
            w.options.push_back(o);
        }
        w.nodes.push_back(n);
    };

    mxp4w::Track master;
    master.flags = 1;
    master.node = 0;
    master.name = w.addString("master");
    w.tracks.push_back(master);
    addNode(0, 1);
    for (int u = 0; u < shape.userTracks; ++u) {
        mxp4w::Track t;
        t.flags = 2;
        t.keepPriority = 100;
        t.node = u + 1;
        t.name = w.addString("track" + std::to_string(u));
        w.tracks.push_back(t);
        addNode(u + 1, shape.options);
    }
    for (int s = 0; s < shape.skins && shape.userTracks > 0 && shape.options > 0; ++s) {
        mxp4w::Skin k;
        k.option = w.nodes[1].optionFirst + s % shape.options;
        k.priority = 10 + s;
        k.displayName =
            w.addText({"Skin " + std::to_string(s) + " FR", "Skin " + std::to_string(s) + " EN"});
        w.skins.push_back(k);
    }
    return w;
}

std::string writePackage(const mxp4w::PackageWriter& w, const TempDir& dir,
                         const std::string& name) {
    std::string path = dir.file(name);
    std::string error;
    EXPECT_TRUE(w.write(path, &error)) << error;
    return path;
}

std::string writeSimplePackage(const TempDir& dir, const SimplePackage& shape,
                               const std::string& name) {
    return writePackage(makeSimplePackage(shape), dir, name);
}

} // namespace ts
