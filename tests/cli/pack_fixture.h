// Shared fixture of the package builder tests: a small valid description with its WAV inputs in a
// temporary directory, and helpers to build and load it.
#pragma once
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "mxp4/mxp4.h"
#include "mxp4pack/builder.h"
#include "mxp4pack/description.h"
#include "test_support.h"

namespace packtest {

using json = nlohmann::json;

struct PackageDeleter {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using PackagePtr = std::unique_ptr<mxp4_package, PackageDeleter>;

constexpr int kClipFrames = 8192;

inline mxpack::BuildOptions withEncoding(mxpack::Encoding e) {
    mxpack::BuildOptions o;
    o.encoding = e;
    return o;
}

class PackFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        writeWav("lx.wav", 440, 2);
        writeWav("ly.wav", 660, 2);
        writeWav("bx.wav", 110, 1);
        writeWav("by.wav", 165, 2);
    }

    void writeWav(const std::string& name, double hz, int channels, int rate = 44100,
                  int frames = kClipFrames) {
        std::vector<int16_t> s = channels == 2 ? ts::sineStereo(frames, hz, hz * 1.5, 0.3, rate)
                                               : ts::sineMono(frames, hz, 0.3, rate);
        ASSERT_TRUE(ts::writeBytes(dir.file(name), mxp4w::wavBytes(s, channels, rate)));
    }

    // Three tracks (a silent master setting 8192-sample sections and two user tracks), two
    // relations, a condition, a preset and two skins.
    static json base() {
        return json::parse(R"({
          "name": "t",
          "title": ["Titre", "Title"],
          "tempo": { "samplesPerBeat": 2048 },
          "comments": [["Bonjour", "Hello"]],
          "tracks": [
            { "name": "form", "node": "form", "master": true, "user": false },
            { "name": "lead", "node": "lead", "keepPriority": 5 },
            { "name": "bass", "node": "bass" }
          ],
          "nodes": [
            { "name": "form", "options": [ { "name": "s", "clip": "section" } ] },
            { "name": "lead",
              "options": [ { "name": "x", "clip": "lx", "weight": 200 }, { "name": "y", "clip": "ly" },
                           { "name": "rest" } ],
              "relations": [ { "name": "vary", "other": "lead", "useCurrent": true, "priority": 4,
                               "default": 128, "cells": [ { "other": "x", "own": "x", "value": 32 } ] } ] },
            { "name": "bass",
              "options": [ { "name": "x", "clip": "bx" }, { "name": "y", "clip": "by" } ],
              "relations": [ { "name": "follow", "other": "lead", "conditions": ["form/s"],
                               "matrix": [ [128, 0], [0, 128], [64, 64], [128, 128] ] } ] }
          ],
          "clips": [
            { "name": "section", "sectionLength": { "bars": 1 } },
            { "name": "lx", "file": "lx.wav", "gain": [200, 100], "keep": [1, 3] },
            { "name": "ly", "file": "ly.wav" },
            { "name": "bx", "file": "bx.wav", "startOffset": -128, "audioLength": 4096,
              "sectionLength": 8192 },
            { "name": "by", "file": "by.wav", "unavailable": true,
              "comments": [["c1", "c1en"], ["c2"]] }
          ],
          "presets": [ { "name": "p", "option": "lead/y", "priority": 3, "active": false,
                         "firstDecision": true } ],
          "skins": [ { "name": "s1", "displayName": ["Un", "One"], "option": "lead/#1", "priority": 7 },
                     { "name": "none", "displayName": "Rien" } ]
        })");
    }

    // Parses `j` with the fixture's directory as the audio directory.
    bool parse(const json& j, mxpack::Description& d, std::string& error) {
        d.baseDir = dir.path();
        return mxpack::parseDescription(j.dump(), d, error);
    }

    // Builds `j` into dir/name; returns the path, or "" with the error recorded.
    std::string build(const json& j, const mxpack::BuildOptions& options = {},
                      const std::string& name = "t.mxp4", mxpack::BuildReport* report = nullptr) {
        mxpack::Description d;
        if (!parse(j, d, lastError)) return "";
        std::string path = dir.file(name);
        if (!mxpack::writePackage(d, options, path, report, lastError)) return "";
        return path;
    }

    // The error of building `j` ("" when it builds).
    std::string buildError(const json& j) {
        lastError.clear();
        build(j);
        return lastError;
    }

    static PackagePtr load(const std::string& path, int full, int* code) {
        return PackagePtr(mxp4LoaderDiag(path.c_str(), full, code));
    }

    ts::TempDir dir;
    std::string lastError;
};

} // namespace packtest
