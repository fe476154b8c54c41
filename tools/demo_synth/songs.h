// The demo songs: every stem (one clip of one layer) of the home music and of the mix table's
// song, rendered by name. All stems share one tempo and key (A minor), so any clip of a layer
// lines up with any clip of another layer at a section boundary.
#pragma once
#include <string>
#include <vector>

#include "synth.h"

namespace dsynth {

// Every stem is a two-bar loop (four bars for the "_long" phrases) followed by one beat of
// release tail (notes ringing out and echoes); the package's section length is the loop alone,
// so the tail overlaps the next clip.
constexpr int kLoopBars = 2;
constexpr int kLoopFrames = kLoopBars * kBarFrames;
constexpr int kTailFrames = 4 * kStepFrames;
constexpr int kStemFrames = kLoopFrames + kTailFrames;

// Names of every stem, in a fixed order ("home_drums_basic", "mxt_rock_bass", ...).
std::vector<std::string> stemNames();

// Renders a stem (the loop from its first beat, then the tail); false (and `out` untouched) for
// an unknown name. The result is reproducible: the same name always gives the same samples.
bool renderStem(const std::string& name, Stereo& out);

} // namespace dsynth
