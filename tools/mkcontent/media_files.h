// The binary media of the demo content: pictures drawn from a seed, track previews rendered by
// the demo synthesizer and the videos' clips (video_clips.h), written under a media directory at
// build time.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "demo_content.h"
#include "demo_synth/synth.h"

namespace mkcontent {

// A JPEG picture of `p.width` x `p.height`: a gradient with discs and a horizon, from p.seed.
std::vector<unsigned char> drawPicture(const Picture& p);

// Rendered stems by name, shared by the previews of one run.
using StemCache = std::map<std::string, dsynth::Stereo>;

// An Ogg Vorbis preview (44.1 kHz stereo, about 8 s): two turns of the style's loop with the
// chosen layers. Empty when the style is unknown or the encoder fails.
std::vector<unsigned char> renderPreview(const Preview& p, StemCache& stems);

// Writes every picture, preview and clip of `c` under `dir` (their media paths start with
// "media/", which is left out). False, with the failing path in *error, when a file cannot be
// written.
bool writeMedia(const DemoContent& c, const std::string& dir, std::string* error);

} // namespace mkcontent
