// The demo packages built at build time: they load, take the frequency path, sound (without
// clipping), let each home box drive one layer, vary from section to section, the mix table's
// skins pin audibly different variants, and what they play is pinned by digests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"
#include "mxp4/mxp4_inspect.h"
#include "package.h"

namespace {

#ifdef ZEPHRUN_DEMO_DIR
const std::string kDir = ZEPHRUN_DEMO_DIR;
#else
const std::string kDir = "resources";
#endif

struct PackageDeleter {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using PackagePtr = std::unique_ptr<mxp4_package, PackageDeleter>;

PackagePtr load(const std::string& name) {
    int code = -99;
    PackagePtr p(mxp4LoaderDiag((kDir + "/" + name + ".mxp4").c_str(), 1, &code));
    EXPECT_EQ(code, 0) << name;
    return p;
}

struct Render {
    std::vector<int16_t> samples;                // interleaved stereo
    std::vector<std::vector<int32_t>> decisions; // clips started at each decision
};

Render render(mxp4_package* p, double seconds) {
    Render r;
    const int buffers = int(seconds * 44100 / MXP4_BUFFER_FRAMES) + 1;
    r.samples.resize(size_t(buffers) * 2 * MXP4_BUFFER_FRAMES);
    for (int b = 0; b < buffers; ++b) {
        if (mxp4NextBuffer(p, r.samples.data() + size_t(b) * 2 * MXP4_BUFFER_FRAMES)) {
            std::vector<int32_t> clips;
            for (int k = 0; k < p->mix->startedCount; ++k) clips.push_back(p->mix->started[k].clip);
            r.decisions.push_back(clips);
        }
    }
    return r;
}

double rmsDb(const int16_t* s, size_t n) {
    double e = 0.0;
    for (size_t i = 0; i < n; ++i) e += double(s[i]) * s[i];
    return 10.0 * std::log10(e / double(std::max<size_t>(n, 1)) / (32768.0 * 32768.0) + 1e-20);
}

std::string clipName(const mxp4_package* p, int32_t clip) {
    return mxp4String(p, p->clips.items[clip].name);
}

const char* const kPackages[] = {"home_2010", "home", "mxt_2010"};

TEST(DemoPackages, LoadWithShortBlockStereoVorbisOnly) {
    for (const char* name : kPackages) {
        SCOPED_TRACE(name);
        PackagePtr p = load(name);
        ASSERT_TRUE(p);
        EXPECT_TRUE(p->mix->freq);
        EXPECT_EQ(mxp4AudiotrackNb(p.get()), 5);
        // The info-only load (what the mix screen's preview and `mxp4 info` read) agrees.
        int code = -99;
        PackagePtr info(mxp4LoaderDiag((kDir + "/" + name + ".mxp4").c_str(), 0, &code));
        ASSERT_EQ(code, 0);
        EXPECT_EQ(mxp4SkinNb(info.get()), mxp4SkinNb(p.get()));
        EXPECT_EQ(info->resources.count, p->resources.count);
        ASSERT_GT(p->resources.count, 0);
        ASSERT_GT(p->dataArea, 0);
        std::ifstream in(kDir + "/" + name + ".mxp4", std::ios::binary);
        const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
        for (int i = 0; i < p->resources.count; ++i) {
            const mx::Resource& r = p->resources.items[i];
            ASSERT_EQ(r.kind, 1);
            // The identification header in the first Ogg page: stereo, package rate, and both
            // block sizes 2^8 = 256.
            const size_t at = size_t(p->dataArea) + size_t(r.offset);
            ASSERT_LE(at + 64, file.size());
            const uint8_t* page = file.data() + at;
            ASSERT_EQ(std::memcmp(page, "OggS", 4), 0);
            const uint8_t* id = page + 27 + page[26];
            ASSERT_EQ(std::memcmp(id, "\x01vorbis", 7), 0);
            EXPECT_EQ(id[11], 2);
            EXPECT_EQ(id[12] | id[13] << 8 | id[14] << 16, 44100);
            EXPECT_EQ(id[28], 0x88);
        }
    }
}

TEST(DemoPackages, SixtySecondsSoundWithoutClipping) {
    for (const char* name : kPackages) {
        SCOPED_TRACE(name);
        PackagePtr p = load(name);
        ASSERT_TRUE(p);
        const Render r = render(p.get(), 60.0);
        const size_t n = 60 * 44100 * 2;
        const double level = rmsDb(r.samples.data(), n);
        EXPECT_GT(level, -30.0);
        EXPECT_LT(level, -8.0);
        // No silent stretch: every two seconds carry sound.
        for (size_t s = 0; s + 2 * 88200 <= n; s += 2 * 88200)
            EXPECT_GT(rmsDb(r.samples.data() + s, 2 * 88200), -40.0) << "at sample " << s / 2;
        size_t clipped = 0;
        for (size_t i = 0; i < n; ++i) clipped += std::abs(int(r.samples[i])) >= 32767;
        EXPECT_LE(clipped, 5u);
        RecordProperty(std::string(name) + "_rms_db", std::to_string(level));
    }
}

TEST(DemoPackages, EachHomeBoxDrivesOneLayer) {
    PackagePtr full = load("home_2010");
    ASSERT_TRUE(full);
    const char* boxes[] = {"news", "discography", "medias", "mix", "community"};
    for (int n = 0; n < 5; ++n) EXPECT_STREQ(mxp4AudiotrackName(full.get(), n), boxes[n]);
    const Render all = render(full.get(), 40.0);
    const size_t count = 40 * 44100 * 2;
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(boxes[n]);
        PackagePtr p = load("home_2010");
        ASSERT_TRUE(p);
        ASSERT_EQ(mxp4AudiotrackVol(p.get(), n, 0, 0), 0);
        const Render muted = render(p.get(), 40.0);
        // Same decisions (volumes do not steer the solver), so the difference is the layer.
        EXPECT_EQ(muted.decisions, all.decisions);
        std::vector<int16_t> diff(count);
        for (size_t i = 0; i < count; ++i)
            diff[i] = static_cast<int16_t>(
                std::clamp(int(all.samples[i]) - int(muted.samples[i]), -32768, 32767));
        EXPECT_GT(rmsDb(diff.data(), count), -36.0);
    }
}

TEST(DemoPackages, HomeMusicVariesFromSectionToSection) {
    PackagePtr p = load("home_2010");
    ASSERT_TRUE(p);
    const Render r = render(p.get(), 100.0); // about 24 sections
    ASSERT_GE(r.decisions.size(), 20u);
    std::set<std::vector<int32_t>> combinations;
    std::set<int32_t> clips;
    for (const auto& d : r.decisions) {
        combinations.insert(d);
        clips.insert(d.begin(), d.end());
    }
    EXPECT_GE(combinations.size(), 6u);
    EXPECT_GE(clips.size(), 12u); // most of the 18 clips get their turn
    // Relations keep the harmony together: bass, lead and pad clips follow the keys' chords.
    for (const auto& d : r.decisions) {
        std::string chords;
        for (int32_t c : d) {
            const std::string name = clipName(p.get(), c);
            if (name.rfind("keys_", 0) == 0) chords = name.substr(5, 1);
        }
        ASSERT_FALSE(chords.empty());
        for (int32_t c : d) {
            const std::string name = clipName(p.get(), c);
            for (const char* part : {"bass_", "lead_", "pad_"}) {
                if (name.rfind(part, 0) == 0) {
                    EXPECT_EQ(name.substr(std::strlen(part), 1), chords) << name;
                }
            }
        }
    }
}

TEST(DemoPackages, MixTableSkinsPinAudibleVariants) {
    PackagePtr info = load("mxt_2010");
    ASSERT_TRUE(info);
    const int skins = mxp4SkinNb(info.get());
    ASSERT_GE(skins, 5);
    EXPECT_GT(info->header[13], 0); // comments of the mix
    bool firstDecisionPreset = false;
    for (int i = 0; i < info->presets.count; ++i)
        firstDecisionPreset = firstDecisionPreset || (info->presets.items[i].flags & 1);
    EXPECT_TRUE(firstDecisionPreset);

    std::set<std::string> names;
    std::vector<Render> renders;
    for (int s = 0; s < 5; ++s) {
        SCOPED_TRACE(s);
        const mx::Skin& skin = info->skins.items[s];
        // Display name: French variant first (what the engine returns), then English.
        const std::string fr = mxp4SkinName(info.get(), s);
        ASSERT_FALSE(fr.empty());
        const char* variant0 = reinterpret_cast<const char*>(info->textPool.data) +
                               info->textOffsets.items[skin.displayName];
        EXPECT_GT(std::strlen(variant0 + fr.size() + 1), 0u) << "no English variant";
        names.insert(fr);
        ASSERT_GE(skin.option, 0);
        const std::string style = mxp4String(info.get(), info->options.items[skin.option].name);

        PackagePtr p = load("mxt_2010");
        ASSERT_TRUE(p);
        mxp4SkinSelect(p.get(), s, 1, 1);
        renders.push_back(render(p.get(), 30.0));
        // Every clip started under this skin belongs to its variant.
        ASSERT_GE(renders.back().decisions.size(), 6u);
        for (const auto& d : renders.back().decisions)
            for (int32_t c : d)
                EXPECT_EQ(clipName(p.get(), c).rfind(style + "_", 0), 0u) << clipName(p.get(), c);
    }
    EXPECT_EQ(names.size(), 5u);
    // Audibly different: the difference of two variants is about as loud as either.
    const size_t n = 30 * 44100 * 2;
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b) {
            std::vector<int16_t> diff(n);
            for (size_t i = 0; i < n; ++i)
                diff[i] = static_cast<int16_t>(std::clamp(
                    int(renders[a].samples[i]) - int(renders[b].samples[i]), -32768, 32767));
            const double quieter =
                std::min(rmsDb(renders[a].samples.data(), n), rmsDb(renders[b].samples.data(), n));
            EXPECT_GT(rmsDb(diff.data(), n), quieter - 6.0) << a << " vs " << b;
        }
}

// FNV-1a over the little-endian bytes of the samples.
uint64_t digest(const std::vector<int16_t>& samples) {
    uint64_t h = 14695981039346656037ull;
    for (int16_t s : samples)
        for (int shift : {0, 8}) h = (h ^ ((uint16_t(s) >> shift) & 0xFF)) * 1099511628211ull;
    return h;
}

// What the engine plays, pinned: 30 s of each demo package on both mixing paths, in two settings
// each (two skins of the mix table's song; the home music as it starts, and with the news and
// mix boxes muted). A change to the engine, the builder, the encoder or the demo synthesizer
// that changes a digest is a change of what users hear: say why in its commit, then update the
// table from the test's failure message.
TEST(DemoPackages, RenderDigestsArePinned) {
    struct Golden {
        const char* package;
        int path;
        const char* setting;
        uint64_t digest;
    };
    const Golden kGolden[] = {
        {"home_2010", MXP4_PATH_SAMPLE, "start", 0x0dd7d04feb8f02eaull},
        {"home_2010", MXP4_PATH_SAMPLE, "boxes", 0xa70e053b1a6eaceaull},
        {"home_2010", MXP4_PATH_AUTO, "start", 0x57dd5c5a8b392ea2ull},
        {"home_2010", MXP4_PATH_AUTO, "boxes", 0xd08f6f9ce660070eull},
        {"home", MXP4_PATH_SAMPLE, "start", 0xa0f2d3a0aab9987dull},
        {"home", MXP4_PATH_SAMPLE, "boxes", 0xe7221be2de79363eull},
        {"home", MXP4_PATH_AUTO, "start", 0xc7ca769b5005c38full},
        {"home", MXP4_PATH_AUTO, "boxes", 0x3e0dec2c1943de75ull},
        {"mxt_2010", MXP4_PATH_SAMPLE, "skin1", 0x5cb924bf3cf47fd0ull},
        {"mxt_2010", MXP4_PATH_SAMPLE, "skin3", 0x11b12aecc536467eull},
        {"mxt_2010", MXP4_PATH_AUTO, "skin1", 0x09bc0b49c29018feull},
        {"mxt_2010", MXP4_PATH_AUTO, "skin3", 0xdfac32c87af48ebfull},
    };
    constexpr int kPull = 8820; // frames per pull, as the players and `mxp4 render` pull
    std::string table;
    bool same = true;
    for (const Golden& g : kGolden) {
        PackagePtr p = load(g.package);
        ASSERT_TRUE(p);
        mxp4_info info;
        ASSERT_EQ(mxp4GetInfo(p.get(), &info), 0);
        ASSERT_TRUE(info.freq) << g.package; // AUTO is the frequency path
        ASSERT_EQ(mxp4SetMixPath(p.get(), g.path), 0);
        const std::string setting = g.setting;
        if (setting == "boxes") {
            ASSERT_EQ(mxp4AudiotrackVol(p.get(), 0, 0, 0), 0);
            ASSERT_EQ(mxp4AudiotrackVol(p.get(), 3, 0, 0), 0);
        } else if (setting.rfind("skin", 0) == 0) {
            mxp4SkinSelect(p.get(), setting[4] - '0', 1, 0);
        }
        std::vector<int16_t> samples(size_t(30 * 44100) * 2);
        for (size_t done = 0; done < samples.size() / 2; done += kPull) {
            const int n = int(std::min<size_t>(kPull, samples.size() / 2 - done));
            mxp4NextBufferN(p.get(), samples.data() + 2 * done, n);
        }
        const uint64_t d = digest(samples);
        same = same && d == g.digest;
        char row[160];
        std::snprintf(row, sizeof row, "        {\"%s\", %s, \"%s\", 0x%016llxull},\n", g.package,
                      g.path == MXP4_PATH_SAMPLE ? "MXP4_PATH_SAMPLE" : "MXP4_PATH_AUTO", g.setting,
                      static_cast<unsigned long long>(d));
        table += row;
    }
    EXPECT_TRUE(same) << "what the demo packages play has changed; the new digests:\n" << table;
}

} // namespace
