// Mix recipes: the text form and its refusals, the replay that gives back the mix recorded while
// playing, the WAV export and the mxp4 tool rendering the same samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "player/mix_recipe.h"
#include "test_support.h"

namespace fs = std::filesystem;
using zplayer::MixRecipe;

namespace {

const std::string kPackage = std::string(ZEPHRUN_APP_PACKAGE) + "/mxt_2010.mxp4";
constexpr int64_t kSection = 180224; // two bars of the demo song
constexpr int64_t kPreRoll = 256;    // its clips start 256 samples before their downbeat

struct Releaser {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using Package = std::unique_ptr<mxp4_package, Releaser>;

Package load() {
    return Package(mxp4Loader(kPackage.c_str(), 1));
}

// The whole recipe, pulled `chunk` frames at a time.
std::vector<int16_t> renderAll(const MixRecipe& recipe, int chunk) {
    Package p = load();
    EXPECT_TRUE(p);
    zplayer::RecipeRender render(p.get(), recipe);
    EXPECT_EQ(render.error(), "");
    std::vector<int16_t> out, buffer(2 * static_cast<size_t>(chunk));
    while (!render.done()) {
        const int n = render.render(buffer.data(), chunk);
        out.insert(out.end(), buffer.begin(), buffer.begin() + 2 * n);
    }
    EXPECT_DOUBLE_EQ(render.progress(), 1.0);
    return out;
}

MixRecipe recipe(std::vector<int> variants, int32_t seed = 7) {
    MixRecipe r;
    r.package = "mxt_2010";
    r.seed = seed;
    r.variants = std::move(variants);
    return r;
}

} // namespace

TEST(MixRecipeText, RoundTripsAndRefusesWhatIsNotARecipe) {
    MixRecipe r = recipe({0, 0, 0, 2, -1, 4, 4}, -123456789);
    r.lock = 4;
    r.levels = {{256, 256}, {0, 128}};
    const std::string text = r.toText();
    EXPECT_EQ(text, "zmix1 mxt_2010 seed=-123456789 v=0*3,2,-1,4*2 lock=4 lv=256:256,0:128");
    EXPECT_EQ(MixRecipe::fromText("\n  " + text + " \r\n"), r);
    EXPECT_EQ(MixRecipe::fromText("zmix1 mxt_2010 v=1 seed=3")->variants, std::vector<int>{1});

    for (const char* bad :
         {"", "zmix1", "zmix2 mxt_2010 seed=1 v=0", "zmix1 ../../etc/passwd seed=1 v=0",
          "zmix1 mxt_2010 v=0",                  // no seed
          "zmix1 mxt_2010 seed=1",               // no section
          "zmix1 mxt_2010 seed=1 v=",            // empty list
          "zmix1 mxt_2010 seed=1 v=32",          // past the variants a recipe names
          "zmix1 mxt_2010 seed=1 v=-2",          // below "none"
          "zmix1 mxt_2010 seed=1 v=0*4097",      // longer than a recipe holds
          "zmix1 mxt_2010 seed=1 v=0*0",         // an empty run
          "zmix1 mxt_2010 seed=1 v=0 lv=257:0",  // a level past full
          "zmix1 mxt_2010 seed=1 v=0 v=1",       // a field twice
          "zmix1 mxt_2010 seed=1 v=0 tempo=3",   // an unknown field
          "zmix1 mxt_2010 seed=99999999999 v=0", // past 32 bits
          "zmix1 mxt_2010 seed=1x v=0"})
        EXPECT_FALSE(MixRecipe::fromText(bad)) << bad;
}

TEST(MixRecipeReplay, SameSamplesEveryTimeAndEndsAtItsLastSection) {
    const MixRecipe r = recipe({1, 1, 3});
    const std::vector<int16_t> a = renderAll(r, 8820);
    const std::vector<int16_t> b = renderAll(r, 1000);
    ASSERT_EQ(a.size(), static_cast<size_t>(2 * (3 * kSection + kPreRoll)));
    EXPECT_EQ(a, b);
    EXPECT_NE(std::count(a.begin(), a.end(), 0), static_cast<long>(a.size()));
    // Another generator state or another variant is another mix.
    EXPECT_NE(renderAll(recipe({1, 1, 3}, 8), 8820), a);
    EXPECT_NE(renderAll(recipe({1, 1, 2}), 8820), a);
    // A recipe past the package's skins is refused, not rendered.
    Package p = load();
    EXPECT_NE(zplayer::RecipeRender(p.get(), recipe({0, 9})).error(), "");
}

// The player records the variant every decision was made with, whenever the interface selected
// it: replaying that record gives back what was heard, sample for sample.
TEST(MixRecipeReplay, RecordOfALiveMixReplaysIt) {
    Package live = load();
    ASSERT_EQ(mxp4RandSeed(live.get(), 99), 0);
    zplayer::MixSequencer sequencer;
    std::vector<int16_t> heard, buffer(2 * 8820);
    // Selections land between pulls, at moments unrelated to the section boundaries.
    const int selections[][2] = {{3, 2}, {11, 0}, {12, 4}, {30, -1}, {41, 3}};
    size_t next = 0;
    for (int pull = 0; pull < 60; ++pull) {
        if (next < std::size(selections) && selections[next][0] == pull) {
            const int v = selections[next++][1];
            sequencer.select(live.get(), v < 0 ? 0 : v, v < 0 ? 0 : 1, 1);
        }
        sequencer.render(live.get(), buffer.data(), 8820);
        heard.insert(heard.end(), buffer.begin(), buffer.end());
    }
    MixRecipe r = recipe(sequencer.recorded(), 99);
    ASSERT_GE(r.variants.size(), 2u);
    EXPECT_NE(std::find(r.variants.begin(), r.variants.end(), 4), r.variants.end());
    EXPECT_NE(std::find(r.variants.begin(), r.variants.end(), -1), r.variants.end());
    const std::vector<int16_t> replayed = renderAll(r, 8820);
    // The record holds every decided section; what was heard stops somewhere in the last one.
    const size_t common = std::min(heard.size(), replayed.size());
    ASSERT_GT(common, static_cast<size_t>(2 * kSection));
    EXPECT_TRUE(
        std::equal(heard.begin(), heard.begin() + static_cast<long>(common), replayed.begin()));
}

TEST(MixRecipeExport, WritesTheReplayAsWavAndTheToolRendersTheSame) {
    ts::TempDir dir;
    const MixRecipe r = recipe({2, 0});
    const std::vector<int16_t> samples = renderAll(r, 8820);
    std::vector<double> progress;
    std::string error;
    const std::string wav = dir.file("mix.wav");
    ASSERT_TRUE(zplayer::writeRecipeWav(
        kPackage, r, wav, [&](double f) { progress.push_back(f); }, nullptr, &error))
        << error;
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    const std::vector<uint8_t> bytes = ts::readBytes(wav);
    ASSERT_EQ(bytes.size(), 44 + 2 * samples.size());
    EXPECT_EQ(std::memcmp(bytes.data() + 44, samples.data(), 2 * samples.size()), 0);
    EXPECT_FALSE(fs::exists(wav + ".part"));

    // The tool, given the recipe's text, writes the same file.
    std::ofstream(dir.file("r.txt")) << r.toText() << "\n";
    const std::string toolWav = dir.file("tool.wav");
    const std::string command = std::string(MXP4_TOOL) + " render " + kPackage + " -o " + toolWav +
                                " --recipe " + dir.file("r.txt") + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ts::readBytes(toolWav), bytes);

    // A package that does not load, or a cancel, leaves nothing behind.
    EXPECT_FALSE(
        zplayer::writeRecipeWav(dir.file("none.mxp4"), r, dir.file("x.wav"), {}, nullptr, &error));
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(zplayer::writeRecipeWav(kPackage, r, dir.file("y.wav"), {}, &cancel, &error));
    EXPECT_FALSE(fs::exists(dir.file("x.wav")) || fs::exists(dir.file("y.wav")) ||
                 fs::exists(dir.file("y.wav.part")));
}
