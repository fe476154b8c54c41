// Demo synthesizer: every stem renders, reproducibly, at a sane level, on the section grid, and
// its instruments play the pitches asked of them.
#include <gtest/gtest.h>

#include <cmath>

#include "demo_synth/instruments.h"
#include "demo_synth/songs.h"

namespace dsynth {
namespace {

static_assert(kStepFrames % 128 == 0, "steps must fall on frequency-path blocks");

double rmsDb(const std::vector<float>& v, size_t from, size_t to) {
    double s = 0.0;
    for (size_t i = from; i < to; ++i) s += double(v[i]) * v[i];
    return 10.0 * std::log10(s / double(to - from) + 1e-20);
}

// Frequency estimate from the zero crossings of a clean tone.
double crossingsHz(const std::vector<float>& v, size_t from, size_t to) {
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        if ((v[i - 1] < 0.f) != (v[i] < 0.f)) ++crossings;
    return crossings / 2.0 / (double(to - from) / kRate);
}

// Period of a periodic signal by autocorrelation, searched between 50 Hz and 1 kHz.
double autocorrelationHz(const std::vector<float>& v, size_t from, size_t to) {
    size_t best = 0;
    double bestSum = -1e30;
    for (size_t lag = kRate / 1000; lag <= kRate / 50; ++lag) {
        double sum = 0.0;
        for (size_t i = from; i + lag < to; ++i) sum += double(v[i]) * v[i + lag];
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return double(kRate) / double(best);
}

TEST(DemoSynth, EveryStemRendersAtAUsableLevel) {
    const std::vector<std::string> names = stemNames();
    ASSERT_EQ(names.size(), 44u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Stereo s;
        ASSERT_TRUE(renderStem(name, s));
        const bool phrase = name.size() > 5 && name.substr(name.size() - 5) == "_long";
        // The loop starts at once: the silence a package needs before a Vorbis clip is the
        // builder's business.
        ASSERT_EQ(s.frames(), size_t(kStemFrames + (phrase ? kLoopFrames : 0)));
        bool finite = true;
        for (size_t i = 0; i < s.frames(); ++i)
            finite = finite && std::isfinite(s.left[i]) && std::isfinite(s.right[i]);
        ASSERT_TRUE(finite);
        // Loud enough to hear in a mix, with headroom for five layers together.
        const double level = rmsDb(s.left, 0, kLoopFrames);
        EXPECT_GT(level, -34.0);
        EXPECT_LT(level, -16.0);
        EXPECT_LE(s.peak(), 0.61f);
        // No offset: the mean of the loop is well below a thousandth of full scale.
        double mean = 0.0;
        for (size_t i = 0; i < size_t(kLoopFrames); ++i) mean += s.left[i];
        EXPECT_LT(std::fabs(mean / kLoopFrames), 1e-3);
        // The tail fades to silence, so a loop never ends on a click.
        EXPECT_LT(std::fabs(s.left.back()), 1e-3f);
    }
    Stereo untouched(3);
    EXPECT_FALSE(renderStem("no_such_stem", untouched));
    EXPECT_EQ(untouched.frames(), 3u);
}

TEST(DemoSynth, StemsAreReproducibleAndDistinct) {
    Stereo a, b, c;
    ASSERT_TRUE(renderStem("mxt_electro_drums", a));
    ASSERT_TRUE(renderStem("mxt_electro_drums", b));
    ASSERT_TRUE(renderStem("mxt_rock_drums", c));
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_NE(a.left, c.left);
}

TEST(DemoSynth, InstrumentsPlayTheirPitch) {
    // A sine bass at A2 and an organ note at A4: zero crossings give the fundamental.
    BassPatch bass;
    bass.wave = Oscillator::Wave::Sine;
    bass.sub = 0.f;
    bass.drive = 0.5f;
    const std::vector<float> b = bassNote(bass, 45, kRate, 1.f);
    EXPECT_NEAR(crossingsHz(b, kRate / 4, kRate * 3 / 4), 110.0, 2.0);

    LeadPatch lead;
    lead.wave = Oscillator::Wave::Sine;
    lead.vibratoDepth = 0.f;
    lead.detune = 0.f;
    const std::vector<float> l = leadNote(lead, 69, kRate, 1.f);
    EXPECT_NEAR(crossingsHz(l, kRate / 4, kRate * 3 / 4), 440.0, 4.0);

    // A plucked string rings at its pitch and dies away.
    KeysPatch pluck{KeysType::Pluck, 0.2f, {0.001f, 1.f, 1.f, 0.2f}};
    const std::vector<float> p = keysNote(pluck, 57, kRate * 2, 1.f, 3);
    EXPECT_NEAR(autocorrelationHz(p, kRate / 2, kRate / 2 + 4096), 220.0, 3.0);
    EXPECT_LT(rmsDb(p, 3 * kRate / 2, 2 * kRate), rmsDb(p, 0, kRate / 4) - 6.0);
}

TEST(DemoSynth, EnvelopeAndDrumsDecay) {
    Adsr env{0.01f, 0.1f, 0.5f, 0.1f};
    EXPECT_NEAR(env.at(0, kRate), 0.f, 1e-6);
    EXPECT_NEAR(env.at(size_t(0.01 * kRate), kRate), 1.f, 0.02);
    EXPECT_NEAR(env.at(kRate / 2, kRate), 0.5f, 0.01);
    EXPECT_LT(env.at(kRate + env.tailFrames(), kRate), 0.5f * 0.002f);

    DrumKit kit;
    const std::vector<float> k = kick(kit, 1.f);
    EXPECT_GT(rmsDb(k, 0, k.size() / 8), rmsDb(k, k.size() * 7 / 8, k.size()) + 20.0);
    const std::vector<float> h = hat(kit, 1.f, false, 5);
    const std::vector<float> o = hat(kit, 1.f, true, 5);
    EXPECT_GT(o.size(), h.size());
}

} // namespace
} // namespace dsynth
