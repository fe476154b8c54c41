// Package builder: resolves a description's names to table indexes, checks everything the engine
// will check (and a few things it cannot, such as cyclic dependencies and audio at the wrong
// rate), encodes the audio and fills the package writer.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "description.h"
#include "mxp4writer/writer.h"

namespace mxpack {

struct BuildOptions {
    std::string audioDir;             // relative audio paths start here instead of baseDir
    std::optional<Encoding> encoding; // overrides the package's and every clip's encoding
    std::optional<bool> embed;
    std::optional<double> quality;
};

struct BuildReport {
    int resources = 0;
    uint64_t resourceBytes = 0;
    uint64_t audioFrames = 0; // frames of all resources together
    uint64_t packageBytes = 0;
    bool freqMixable = false; // every resource is Vorbis (the engine's fast path)
    // Average bit rate of the resources in kilobits per second.
    double kbps(int sampleRate) const;
};

// Checks every name, reference, range and the solving order, without reading audio. On failure
// returns false and `error` names the offending item.
bool validateDescription(const Description& d, std::string& error);

// Validates, reads and encodes the audio, and fills `w`. `report` may be null.
bool buildPackage(const Description& d, const BuildOptions& options, mxp4w::PackageWriter& w,
                  BuildReport* report, std::string& error);

// buildPackage, then writes the package (and, when not embedded, its resources beside it).
bool writePackage(const Description& d, const BuildOptions& options, const std::string& path,
                  BuildReport* report, std::string& error);

} // namespace mxpack
