// Mix recipes: a mix written down as the package it plays, the generator's starting state, the
// variant (skin) each section was decided with, the lock and the user tracks' levels — short
// enough to be copied as one line of text — with the sequencer that records one while a mix
// plays or replays one, and the renderer that turns one into the same samples every time.
//
// A mix is a pure function of its package, its generator state after the reset and the skins
// selected at each decision: replaying those gives back the mix sample for sample, whether the
// player pulls it in 8820-frame slices or a file is written from it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <mxp4/mxp4.h>

namespace zplayer {

struct MixRecipe {
    static constexpr int kMaxSections = 4096; // about four hours of a four-second section
    static constexpr int kMaxVariant = 31;
    static constexpr int kMaxTracks = 32;
    static constexpr int kFullLevel = 256;
    static constexpr const char* kTag = "zmix1";

    std::string package;       // base name of the package file ("mxt_2010")
    int32_t seed = 0;          // generator state before the first decision
    std::vector<int> variants; // per section, the skin selected alone, or -1 for none
    int lock = -1;             // the variant locked on the mix table, -1 for none
    // Per user track (left, right), 0..256; tracks past the list stay at 256.
    std::vector<std::array<int, 2>> levels;

    // One line, e.g. "zmix1 mxt_2010 seed=42 v=0*3,2,-1 lock=2 lv=256:256,128:128" (runs of a
    // variant are written once with their count; "lock" and "lv" only when set).
    std::string toText() const;
    // The text as toText() writes it, blanks around it ignored; none when anything is malformed
    // or out of bounds (unknown or repeated fields, a package name that is not a plain name, no
    // section or more than kMaxSections, a variant past kMaxVariant, a level past 0..256).
    static std::optional<MixRecipe> fromText(std::string_view text);
    // Letters, digits, '_' and '-', at most 64: a file name that stays in its directory.
    static bool isValidPackageName(std::string_view name);
    // The variant of the sections after the last one written down.
    int variantAfter() const { return lock >= 0 ? lock : variants.empty() ? -1 : variants.back(); }

    friend bool operator==(const MixRecipe&, const MixRecipe&) = default;
};

// Drives the render of a freshly loaded package (never rendered, never reset since) so that each
// section decision sees a known selection: renders in pieces that start at most one engine buffer
// (so at most one decision) each, applies the planned variant before every buffer while a plan
// is set, and writes down the variant each decision was made with.
//
// Threads: render() runs on the audio thread and neither allocates nor locks; every other member
// must be serialised with it by the caller (the player's render lock).
class MixSequencer {
  public:
    explicit MixSequencer(int capacity = MixRecipe::kMaxSections);

    // Replays `variants` from the next decision on, then `after` for every later one. Allocates:
    // call before rendering or under the render lock.
    void setPlan(const std::vector<int>& variants, int after);
    bool isReplaying() const { return planActive_; }
    // A selection made while playing (the engine's mxp4SkinSelect); it ends a replay.
    void select(mxp4_package* p, int index, int state, int clean);
    // Renders `frames` stereo frames; returns 1 when a section was decided.
    int render(mxp4_package* p, int16_t* out, int frames);

    int decisions() const { return decisions_; }
    int64_t framesRendered() const { return frames_; }
    // The variant of every decision so far (at most the capacity).
    std::vector<int> recorded() const;

  private:
    void apply(mxp4_package* p, int variant);

    std::vector<int16_t> record_;
    std::vector<int16_t> plan_;
    int planSize_ = 0;
    int after_ = -1;
    bool planActive_ = false;
    int current_ = -1;
    int decisions_ = 0;
    int64_t frames_ = 0;
};

// Renders a recipe from start to the end of its last section. The package must be freshly loaded
// for playback and is owned by the caller.
class RecipeRender {
  public:
    RecipeRender(mxp4_package* package, const MixRecipe& recipe);
    // Empty when the recipe fits the package; else why not (a variant past its skins, more
    // levels than user tracks).
    const std::string& error() const { return error_; }
    // Renders up to `frames` frames into `out`; returns how many, fewer only at the end (0 once
    // done). With `open` set the recipe's end is ignored: the mix goes on with its last variant.
    int render(int16_t* out, int frames, bool open = false);
    bool done() const { return done_; }
    // How much of the recipe is rendered, 0..1.
    double progress() const;

  private:
    mxp4_package* package_;
    MixSequencer sequencer_;
    int sections_ = 0;
    int heard_ = 0;
    int64_t lastDownbeat_ = INT64_MIN;
    double within_ = 0;
    bool done_ = false;
    std::string error_;
};

// The display names of the package's skins (variant 0 of each text), read by an info-only load
// that opens no audio; none when the package does not load.
std::optional<std::vector<std::string>> packageSkinNames(const std::string& path);

// Writes the recipe rendered from the package at `packagePath` (loaded anew, so that a playing
// mix is left alone) as 16-bit stereo WAV at `outPath`: written beside it first, renamed when
// complete. `progress` (0..1) runs on the calling thread; `cancel` set ends it. False with
// `error` set on any failure, and nothing is left at `outPath`.
bool writeRecipeWav(const std::string& packagePath, const MixRecipe& recipe,
                    const std::string& outPath, const std::function<void(double)>& progress,
                    const std::atomic<bool>* cancel, std::string* error);

} // namespace zplayer
