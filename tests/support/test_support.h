// Helpers shared by the tests: temporary directories, synthesized audio, WAV and ADPCM bytes,
// and small valid packages built with the package writer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "mxp4writer/adpcm_encode.h"
#include "mxp4writer/wav_bytes.h"
#include "mxp4writer/writer.h"

namespace ts {

// A fresh directory under the system temporary directory, removed with its content on
// destruction. Each instance is unique, so tests may run in parallel.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

  private:
    std::string path_;
};

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readBytes(const std::string& path);

// Interleaved 16-bit audio. Amplitudes are linear (1.0 = full scale, clipped to 32767).
std::vector<int16_t> sineMono(int frames, double freq, double amplitude, int rate = 44100);
std::vector<int16_t> sineStereo(int frames, double freqLeft, double freqRight, double amplitude,
                                int rate = 44100);
// Uniform white noise from a fixed seed (same seed, same samples).
std::vector<int16_t> noise(int frames, int channels, double amplitude, uint32_t seed);
// A sine with an exponential decay (a plucked or struck note), same on every channel.
std::vector<int16_t> decayingTone(int frames, int channels, double freq, double amplitude,
                                  double decaySeconds, int rate = 44100);
// Every sample equal to `value` (useful for exact gain arithmetic).
std::vector<int16_t> constant(int frames, int channels, int16_t value);

using mxp4w::adpcmDecode;
using mxp4w::adpcmEncode;
using mxp4w::adpcmHeader;
using mxp4w::wavBytes;

// A small valid package: `userTracks` user tracks, each on its own node with `options` options;
// every option plays its own clip, a stereo PCM WAV sine of `clipFrames` frames whose section
// length is `sectionFrames` (see `ogg` for Vorbis resources). Track 0 is the master track (flag 1
// only, not a user track) on node 0 with a single option; user track u is track u + 1 on node u
// + 1. Names: tracks "track<u>", clips "clip<n>.wav" (also the resource file names), options
// "opt<node>_<k>". Each skin s pins option s % options of the first user node with priority 10 + s
// and has the display text
// {"Skin s FR", "Skin s EN"}.
struct SimplePackage {
    int userTracks = 2;
    int options = 2;
    int clipFrames = 11025;
    int sectionFrames = 11025;
    int sampleRate = 44100;
    int skins = 0;
    bool embed = true;
    double amplitude = 0.25;
    // Short-block stereo Ogg Vorbis resources ("clip<n>.ogg") instead of PCM WAV, so that the
    // package mixes in the frequency domain.
    bool ogg = false;
};

mxp4w::PackageWriter makeSimplePackage(const SimplePackage& shape = {});
// Builds and writes the package as dir/name; returns its path (fails the test on error).
std::string writeSimplePackage(const TempDir& dir, const SimplePackage& shape = {},
                               const std::string& name = "simple.mxp4");
// Writes any writer's package as dir/name; returns its path (fails the test on error).
std::string writePackage(const mxp4w::PackageWriter& w, const TempDir& dir,
                         const std::string& name = "test.mxp4");

} // namespace ts
