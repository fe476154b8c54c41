// Package builder: what it writes loads in the engine, with every name resolved to the right
// table entry, in every resource encoding, embedded or beside the package.
#include <filesystem>

#include "mxp4/mxp4_inspect.h"
#include "mxp4pack/wav_input.h"
#include "pack_fixture.h"
#include "package.h"

namespace packtest {
namespace {

std::string text(const mxp4_package* p, int32_t ref) {
    if (ref < 0 || ref >= p->textOffsets.count) return "<none>";
    return reinterpret_cast<const char*>(p->textPool.data) + p->textOffsets.items[ref];
}

// Renders `buffers` buffers; returns the largest absolute sample.
int renderPeak(mxp4_package* p, int buffers) {
    std::vector<int16_t> out(2 * MXP4_BUFFER_FRAMES);
    int peak = 0;
    for (int b = 0; b < buffers; ++b) {
        mxp4NextBuffer(p, out.data());
        for (int16_t s : out) peak = std::max(peak, std::abs(int(s)));
    }
    return peak;
}

using PackBuild = PackFixture;

TEST_F(PackBuild, EveryEncodingLoadsAndPlays) {
    struct Case {
        const char* encoding;
        int16_t kind;
        bool freq;
    } cases[] = {{"vorbis", 1, true}, {"wav", 2, false}, {"adpcm", 4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        json j = base();
        j["resources"] = {{"encoding", c.encoding}};
        mxpack::BuildReport report;
        const std::string path = build(j, {}, std::string("t_") + c.encoding + ".mxp4", &report);
        ASSERT_FALSE(path.empty()) << lastError;
        EXPECT_EQ(report.resources, 4);
        EXPECT_EQ(report.freqMixable, c.freq);
        EXPECT_EQ(report.audioFrames, 4u * kClipFrames);
        int code = -99;
        PackagePtr p = load(path, 1, &code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(p);
        for (int i = 0; i < p->resources.count; ++i) EXPECT_EQ(p->resources.items[i].kind, c.kind);
        EXPECT_EQ(p->mix->freq, c.freq);
        EXPECT_GT(renderPeak(p.get(), 4), 1000);
    }
}

// Every Vorbis clip gets 256 samples of silence and starts that much earlier, so that the
// frequency path, which sums a stream's first two packets into one block, plays a clip that
// starts on a hit as the sample path does.
TEST_F(PackBuild, VorbisClipsStartCleanlyOnTheFrequencyPath) {
    const int kSection = 8192;
    ASSERT_TRUE(
        ts::writeBytes(dir.file("hit.wav"),
                       mxp4w::wavBytes(ts::decayingTone(kSection, 2, 330, 0.5, 0.05), 2, 44100)));
    json j = json::parse(R"({
      "name": "hit", "tempo": { "samplesPerBeat": 2048 },
      "tracks": [ { "name": "form", "node": "form", "master": true, "user": false },
                  { "name": "hit", "node": "hit" } ],
      "nodes": [ { "name": "form", "options": [ { "name": "s", "clip": "section" } ] },
                 { "name": "hit", "options": [ { "name": "h", "clip": "hit" } ] } ],
      "clipDefaults": { "sectionLength": { "bars": 1 } },
      "clips": [ { "name": "section" }, { "name": "hit", "file": "hit.wav", "startOffset": 64 } ]
    })");
    for (mxpack::Encoding e : {mxpack::Encoding::Vorbis, mxpack::Encoding::Wav}) {
        const bool vorbis = e == mxpack::Encoding::Vorbis;
        const std::string path = build(j, withEncoding(e), vorbis ? "hv.mxp4" : "hw.mxp4");
        ASSERT_FALSE(path.empty()) << lastError;
        int code = -99;
        PackagePtr p = load(path, 1, &code);
        ASSERT_TRUE(p) << code;
        const mx::Clip& hit = p->clips.items[1];
        EXPECT_EQ(hit.startOffset, vorbis ? 64 - 256 : 64);
        EXPECT_EQ(hit.audioLength, vorbis ? kSection + 256 : kSection);
        EXPECT_EQ(hit.sectionLength, kSection);
    }

    // Both paths from the first frame past the one the frequency path starts with: two clip
    // starts, each on its hit.
    PackagePtr freq = load(dir.file("hv.mxp4"), 1, nullptr);
    PackagePtr sample = load(dir.file("hv.mxp4"), 1, nullptr);
    ASSERT_TRUE(freq && sample);
    ASSERT_TRUE(freq->mix->freq);
    ASSERT_EQ(mxp4SetMixPath(sample.get(), MXP4_PATH_SAMPLE), 0);
    std::vector<int16_t> f(3 * 2 * MXP4_BUFFER_FRAMES), s(f.size());
    for (int b = 0; b < 3; ++b) {
        mxp4NextBuffer(freq.get(), f.data() + b * 2 * MXP4_BUFFER_FRAMES);
        mxp4NextBuffer(sample.get(), s.data() + b * 2 * MXP4_BUFFER_FRAMES);
    }
    double signal = 0, error = 0;
    for (size_t i = 2 * 1536; i < f.size(); ++i) {
        signal += double(s[i]) * s[i];
        error += (double(s[i]) - f[i]) * (double(s[i]) - f[i]);
    }
    ASSERT_GT(signal / double(f.size()), 1e5) << "the mix is nearly silent";
    EXPECT_GT(10 * std::log10(signal / std::max(error, 1.0)), 40.0);
}

TEST_F(PackBuild, NamesResolveToTableEntries) {
    const std::string path = build(base(), withEncoding(mxpack::Encoding::Wav));
    ASSERT_FALSE(path.empty()) << lastError;
    int code = -99;
    PackagePtr p = load(path, 1, &code);
    ASSERT_EQ(code, 0);

    // Header: rate, title, comments.
    EXPECT_EQ(p->header[6], 44100);
    EXPECT_EQ(text(p.get(), p->header[2]), "Titre");
    EXPECT_EQ(text(p.get(), p->header[12]), "Bonjour");
    EXPECT_EQ(p->header[13], 1);
    EXPECT_EQ(p->header[4], 0); // no compressor given

    // Tracks: flags, node references, names counted over user tracks only.
    ASSERT_EQ(p->tracks.count, 3);
    EXPECT_EQ(p->tracks.items[0].flags, 1);
    EXPECT_EQ(p->tracks.items[1].flags, 2);
    EXPECT_EQ(p->tracks.items[1].node, 1);
    EXPECT_EQ(p->tracks.items[1].keepPriority, 5);
    EXPECT_EQ(p->tracks.items[2].node, 2);
    EXPECT_EQ(mxp4AudiotrackNb(p.get()), 2);
    EXPECT_STREQ(mxp4AudiotrackName(p.get(), 0), "lead");
    EXPECT_STREQ(mxp4AudiotrackName(p.get(), 1), "bass");

    // Nodes and options laid out node after node.
    ASSERT_EQ(p->nodes.count, 3);
    ASSERT_EQ(p->options.count, 6);
    const mx::Node& lead = p->nodes.items[1];
    const mx::Node& bass = p->nodes.items[2];
    EXPECT_EQ(lead.optionFirst, 1);
    EXPECT_EQ(lead.optionCount, 3);
    EXPECT_EQ(bass.optionFirst, 4);
    EXPECT_EQ(p->options.items[1].weight, 200);
    EXPECT_EQ(p->options.items[2].weight, 256);
    EXPECT_EQ(p->options.items[3].clip, -1); // "rest"
    EXPECT_EQ(p->options.items[5].clip, 4);  // bass/y plays clip "by"
    EXPECT_STREQ(mxp4String(p.get(), p->options.items[3].name), "rest");

    // Relations: owner, other node, flags, priority, conditions and the matrix cells.
    ASSERT_EQ(p->relations.count, 2);
    const mx::Relation& vary = p->relations.items[lead.relationFirst];
    EXPECT_EQ(vary.other, 1);
    EXPECT_EQ(vary.flags, 1);
    EXPECT_EQ(vary.priority, 4);
    // 4 rows x 3 columns; only (x after x) is lowered.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(p->affinity.data[vary.matrixOffset + r * 3 + c],
                      (r == 0 && c == 0) ? 32 : 128);
    const mx::Relation& follow = p->relations.items[bass.relationFirst];
    EXPECT_EQ(follow.other, 1);
    EXPECT_EQ(follow.flags, 0);
    const uint8_t expected[8] = {128, 0, 0, 128, 64, 64, 128, 128};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(p->affinity.data[follow.matrixOffset + k], expected[k]);
    ASSERT_EQ(follow.condCount, 1);
    EXPECT_EQ(p->conditions.items[follow.condFirst].option, 0); // form/s

    // Clips: gains, lengths (bars and defaults), offsets, keep counts, flags, comments, options.
    ASSERT_EQ(p->clips.count, 5);
    const mx::Clip* c = p->clips.items;
    EXPECT_EQ(c[0].sectionLength, 4 * 2048);
    EXPECT_EQ(c[0].resource, -1);
    EXPECT_EQ(c[1].gainLeft, 200);
    EXPECT_EQ(c[1].gainRight, 100);
    EXPECT_EQ(c[1].keepMin, 1);
    EXPECT_EQ(c[1].keepMax, 3);
    EXPECT_EQ(c[1].audioLength, kClipFrames);
    EXPECT_EQ(c[1].sectionLength, kClipFrames); // start offset 0 + audio length
    EXPECT_EQ(c[1].option, 1);
    EXPECT_EQ(c[3].startOffset, -128);
    EXPECT_EQ(c[3].audioLength, 4096);
    EXPECT_EQ(c[3].sectionLength, 8192);
    EXPECT_EQ(c[4].flags, 2);
    EXPECT_EQ(c[4].commentWeight, 2);
    EXPECT_EQ(text(p.get(), c[4].commentFirst), "c1");
    EXPECT_EQ(text(p.get(), c[4].commentFirst + 1), "c2");
    EXPECT_EQ(p->mix->preRoll, -128);

    // Presets and skins.
    ASSERT_EQ(p->presets.count, 1);
    EXPECT_EQ(p->presets.items[0].flags, 1);
    EXPECT_EQ(p->presets.items[0].option, 2);
    EXPECT_EQ(p->presets.items[0].priority, 3);
    ASSERT_EQ(mxp4SkinNb(p.get()), 2);
    EXPECT_STREQ(mxp4SkinName(p.get(), 0), "Un");
    EXPECT_STREQ(mxp4SkinName(p.get(), 1), "Rien");
    EXPECT_EQ(p->skins.items[0].option, 2);
    EXPECT_EQ(p->skins.items[0].priority, 7);
    EXPECT_EQ(p->skins.items[1].option, -1);
    EXPECT_STREQ(mxp4String(p.get(), p->skins.items[0].string), "s1");
}

TEST_F(PackBuild, CompressorAndHeaderWordsReachTheHeader) {
    json j = base();
    j["compressor"] = {{"mode", "peak"}, {"threshold", -6.5}, {"ratio", 0.25},  {"attack", 0.01},
                       {"release", 0.5}, {"makeup", 2.0},     {"ceiling", 0.75}};
    j["header"] = {{"H0", 7}, {"H7", -3}};
    j["headerWord2"] = 99;
    mxpack::Description d;
    ASSERT_TRUE(parse(j, d, lastError)) << lastError;
    mxp4w::PackageWriter w;
    ASSERT_TRUE(
        mxpack::buildPackage(d, withEncoding(mxpack::Encoding::Wav), w, nullptr, lastError));
    EXPECT_EQ(w.header[4], 2);
    EXPECT_EQ(w.header[14], -6 * 65536 - 32768);
    EXPECT_EQ(w.header[15], 16384);
    EXPECT_EQ(w.header[17], 32768);
    EXPECT_EQ(w.header[18], 2 * 65536);
    EXPECT_EQ(w.header[19], 49152);
    EXPECT_EQ(w.header[0], 7);
    EXPECT_EQ(w.header[7], -3);
    EXPECT_EQ(w.headerWord2, 99);
}

TEST_F(PackBuild, ExternalResourcesLiveBesideThePackage) {
    mxpack::BuildOptions external;
    external.embed = false;
    const std::string path = build(base(), external);
    ASSERT_FALSE(path.empty()) << lastError;
    for (const char* clip : {"lx", "ly", "bx", "by"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("t_") + clip + ".ogg"))) << clip;
    int code = -99;
    PackagePtr p = load(path, 1, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(p->dataArea, 0);
    EXPECT_GT(renderPeak(p.get(), 4), 1000);
}

TEST_F(PackBuild, ExternalFileNamesStayInThePackageDirectory) {
    json j = base();
    j["clips"][1]["name"] = "../../escape";
    j["clips"][2]["name"] = "a b";
    j["clips"][3]["name"] = "a?b"; // the same file name as "a b" once cleaned
    j["nodes"][1]["options"][0]["clip"] = "../../escape";
    j["nodes"][1]["options"][1]["clip"] = "a b";
    j["nodes"][2]["options"][0]["clip"] = "a?b";
    mxpack::BuildOptions external;
    external.embed = false;
    external.encoding = mxpack::Encoding::Wav;
    const std::string path = build(j, external);
    ASSERT_FALSE(path.empty()) << lastError;
    EXPECT_TRUE(std::filesystem::exists(dir.file("t_.._.._escape.wav")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("t_a_b.wav")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("t_a_b_2.wav")));
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 4u + 1u + 4u); // inputs, package, resources
    int code = -99;
    PackagePtr p = load(path, 1, &code);
    ASSERT_EQ(code, 0);
    EXPECT_GT(renderPeak(p.get(), 4), 1000);
}

TEST_F(PackBuild, ClipsOfOneFileShareOneResource) {
    json j = base();
    j["clips"][2]["file"] = "lx.wav"; // "ly" now plays the same audio as "lx"
    j["clips"][2]["encoding"] = "wav";
    mxpack::BuildReport report;
    const std::string path = build(j, {}, "t.mxp4", &report);
    ASSERT_FALSE(path.empty()) << lastError;
    int code = -99;
    PackagePtr p = load(path, 0, &code);
    ASSERT_EQ(code, 0);
    // lx (vorbis) and ly (wav) differ by encoding: still two resources; a third clip on lx.wav
    // with lx's encoding would not add one.
    EXPECT_EQ(report.resources, 4);
    EXPECT_FALSE(report.freqMixable);

    j["clips"][2].erase("encoding");
    const std::string again = build(j, {}, "t2.mxp4", &report);
    ASSERT_FALSE(again.empty()) << lastError;
    EXPECT_EQ(report.resources, 3);
    PackagePtr q = load(again, 1, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(q->clips.items[1].resource, q->clips.items[2].resource);
}

TEST_F(PackBuild, MonoInputIsDoubledForStereoEncodings) {
    mxpack::Description d;
    ASSERT_TRUE(parse(base(), d, lastError));
    mxp4w::PackageWriter w;
    ASSERT_TRUE(
        mxpack::buildPackage(d, withEncoding(mxpack::Encoding::Adpcm), w, nullptr, lastError));
    // Resource 2 comes from the mono bx.wav.
    const std::vector<int16_t> decoded = mxp4w::adpcmDecode(w.resources[2].data);
    ASSERT_EQ(decoded.size(), 2u * kClipFrames);
    for (size_t i = 0; i < decoded.size(); i += 2) ASSERT_EQ(decoded[i], decoded[i + 1]);

    // As WAV the channel layout is kept.
    ASSERT_TRUE(
        mxpack::buildPackage(d, withEncoding(mxpack::Encoding::Wav), w, nullptr, lastError));
    mxpack::WavAudio audio;
    ASSERT_TRUE(mxpack::parseWav(w.resources[2].data, audio, lastError));
    EXPECT_EQ(audio.channels, 1);
}

TEST_F(PackBuild, RelativeAudioPathsStartAtTheDescription) {
    std::filesystem::create_directory(dir.file("desc"));
    json j = base();
    for (auto& c : j["clips"])
        if (c.contains("file")) c["file"] = "../" + c["file"].get<std::string>();
    const std::string text = j.dump();
    ASSERT_TRUE(
        ts::writeBytes(dir.file("desc/t.json"), std::vector<uint8_t>(text.begin(), text.end())));
    mxpack::Description d;
    ASSERT_TRUE(mxpack::loadDescription(dir.file("desc/t.json"), d, lastError)) << lastError;
    ASSERT_TRUE(mxpack::writePackage(d, withEncoding(mxpack::Encoding::Wav), dir.file("rel.mxp4"),
                                     nullptr, lastError))
        << lastError;

    // An explicit audio directory replaces the description's.
    mxpack::BuildOptions o;
    o.audioDir = dir.file("desc/sub");
    o.encoding = mxpack::Encoding::Wav;
    EXPECT_FALSE(mxpack::writePackage(d, o, dir.file("rel2.mxp4"), nullptr, lastError));
    EXPECT_NE(lastError.find("missing audio file"), std::string::npos) << lastError;
}

TEST_F(PackBuild, ClipDefaultsApplyUnlessAClipOverrides) {
    json j = base();
    j["clipDefaults"] = {{"startOffset", -256}, {"keep", json::array({2, 5})}};
    j["clips"][1]["keep"] = 1;
    mxpack::Description d;
    ASSERT_TRUE(parse(j, d, lastError)) << lastError;
    EXPECT_EQ(d.clips[0].startOffset, -256);
    EXPECT_EQ(d.clips[1].keepMin, 1);
    EXPECT_EQ(d.clips[1].keepMax, 1);
    EXPECT_EQ(d.clips[2].keepMin, 2);
    EXPECT_EQ(d.clips[2].keepMax, 5);
    EXPECT_EQ(d.clips[3].startOffset, -128);
}

#ifdef ZEPHRUN_README
TEST_F(PackBuild, ReadmeExampleBuilds) {
    const std::vector<uint8_t> readme = ts::readBytes(ZEPHRUN_README);
    const std::string text(readme.begin(), readme.end());
    const size_t start = text.find("```json\n{\n  \"name\": \"duo\"");
    ASSERT_NE(start, std::string::npos);
    const size_t end = text.find("```", start + 7);
    ASSERT_NE(end, std::string::npos);
    const json example = json::parse(text.substr(start + 7, end - start - 7));
    for (const auto& clip : example["clips"])
        if (clip.contains("file")) writeWav(clip["file"].get<std::string>(), 220, 2);
    const std::string path = build(example, withEncoding(mxpack::Encoding::Wav), "duo.mxp4");
    ASSERT_FALSE(path.empty()) << lastError;
    int code = -99;
    PackagePtr p = load(path, 1, &code);
    EXPECT_EQ(code, 0);
}
#endif

} // namespace
} // namespace packtest
