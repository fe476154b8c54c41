// The demo videos' clips: a few seconds of WebM (VP8 picture, Vorbis sound) drawn and played
// from a seed, written with FFmpeg's libraries at build time; and a probe that reads a clip back
// through the same libraries.
#pragma once

#include <optional>
#include <string>

namespace mkcontent {

inline constexpr int kClipWidth = 320, kClipHeight = 240, kClipFps = 25;
inline constexpr double kClipSeconds = 3.0;

// Writes the clip of `seed` to `file`; false, with the reason in *error, when FFmpeg lacks the
// encoders or the file cannot be written.
bool writeClip(unsigned seed, const std::string& file, std::string* error);

struct ClipInfo {
    double seconds = 0;
    int width = 0, height = 0;
    bool hasAudio = false;
    int videoFrames = 0; // decoded
};
// Opens and decodes a clip's video; nullopt when it cannot.
std::optional<ClipInfo> probeClip(const std::string& file);

} // namespace mkcontent
