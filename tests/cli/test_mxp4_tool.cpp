// The mxp4 tool run as a program on packages made with the writer: info, solve and render.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>

#include "mxp4/mxp4.h"
#include "test_support.h"

namespace {

using nlohmann::json;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a built tool with the given arguments (each single-quoted), capturing stdout. Sanitizer
// reports on stderr fail the test even when the tool was expected to fail.
ToolRun runTool(const char* tool, const std::vector<std::string>& args,
                const std::string& env = "") {
    ts::TempDir errDir;
    const std::string errFile = errDir.file("stderr");
    std::string cmd = env + " '" + tool + "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " 2>'" + errFile + "'";
    ToolRun r;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
    int st = pclose(f);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::vector<uint8_t> err = ts::readBytes(errFile);
    r.err.assign(err.begin(), err.end());
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    return r;
}

ToolRun mxp4(const std::vector<std::string>& args) {
    return runTool(MXP4_TOOL, args);
}

json parse(const ToolRun& r) {
    json j = json::parse(r.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << r.out;
    return j;
}

int32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                (uint32_t(b.at(at + 3)) << 24));
}

TEST(Mxp4Info, DescribesAValidPackage) {
    ts::TempDir dir;
    ts::SimplePackage shape;
    shape.userTracks = 2;
    shape.options = 2;
    shape.skins = 2;
    shape.sampleRate = 22050;
    mxp4w::PackageWriter w = ts::makeSimplePackage(shape);
    w.header[4] = 8;
    std::string pkg = ts::writePackage(w, dir);

    ToolRun r = mxp4({"info", pkg, "--json"});
    EXPECT_EQ(r.status, 0);
    json j = parse(r);
    EXPECT_EQ(j["verdict"], "ok");
    EXPECT_EQ(j["version"], 1);
    EXPECT_EQ(j["sample_rate"], 22050);
    EXPECT_EQ(j["compressor"], 8);
    const json& c = j["counts"];
    EXPECT_EQ(c["tracks"], 3);
    EXPECT_EQ(c["clips"], 5);
    EXPECT_EQ(c["nodes"], 3);
    EXPECT_EQ(c["options"], 5);
    EXPECT_EQ(c["relations"], 0);
    EXPECT_EQ(c["conditions"], 0);
    EXPECT_EQ(c["presets"], 0);
    EXPECT_EQ(c["skins"], 2);
    EXPECT_EQ(c["aux_texts"], 0);
    EXPECT_EQ(c["aux_resources"], 0);
    EXPECT_EQ(c["resources"], 5);
    EXPECT_EQ(j["freq"], false); // PCM WAV resources rule out frequency mixing
    ASSERT_EQ(j["skins"].size(), 2u);
    EXPECT_EQ(j["skins"][1]["name"], "Skin 1 FR");
    EXPECT_EQ(j["skins"][1]["option"], w.skins[1].option);
    EXPECT_EQ(j["skins"][1]["priority"], 11);
    EXPECT_EQ(j["user_tracks"], json({"track0", "track1"}));
    ASSERT_EQ(j["resources"].size(), 5u);
    int64_t offset = 0;
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(j["resources"][i]["kind"], 2);
        EXPECT_EQ(j["resources"][i]["offset"], offset);
        EXPECT_EQ(j["resources"][i]["length"], w.resources[i].data.size());
        offset += static_cast<int64_t>(w.resources[i].data.size());
    }

    ToolRun text = mxp4({"info", pkg});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("verdict: ok"), std::string::npos);
    EXPECT_NE(text.out.find("Skin 0 FR"), std::string::npos);
}

TEST(Mxp4Info, ReportsTheVerdictOfARejectedPackage) {
    ts::TempDir dir;
    mxp4w::PackageWriter w = ts::makeSimplePackage();

    std::vector<uint8_t> bytes = w.build();
    bytes[0] = 'X';
    ASSERT_TRUE(ts::writeBytes(dir.file("magic.mxp4"), bytes));
    ToolRun r = mxp4({"info", dir.file("magic.mxp4"), "--json"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(parse(r)["verdict"], "loader -2");

    mxp4w::PackageWriter missing = w;
    missing.omitChunks = {7};
    r = mxp4({"info", ts::writePackage(missing, dir, "missing.mxp4"), "--json"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(parse(r)["verdict"], "loader -7");

    mxp4w::PackageWriter badName = w;
    badName.tracks[1].name = 999;
    r = mxp4({"info", ts::writePackage(badName, dir, "name.mxp4"), "--json"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(parse(r)["verdict"], "validation 111");

    // A skin pinning a missing option is checked by the full load only: the info-only view of
    // the file is still reported beside the verdict.
    mxp4w::PackageWriter badSkin = ts::makeSimplePackage({.skins = 1});
    badSkin.skins[0].option = 50;
    r = mxp4({"info", ts::writePackage(badSkin, dir, "skin.mxp4"), "--json"});
    EXPECT_NE(r.status, 0);
    json j = parse(r);
    EXPECT_EQ(j["verdict"], "validation 180");
    EXPECT_EQ(j["full_load"], false);
    EXPECT_EQ(j["counts"]["skins"], 1);
    EXPECT_FALSE(j["counts"].contains("tracks"));

    r = mxp4({"info", dir.file("absent.mxp4")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("verdict: loader -"), std::string::npos);
}

TEST(Mxp4Solve, ReportsEveryDecisionDeterministically) {
    ts::TempDir dir;
    std::string pkg = ts::writeSimplePackage(dir, {.userTracks = 2, .options = 3});
    ToolRun a = mxp4({"solve", pkg, "--sections", "8", "--json"});
    ToolRun b = mxp4({"solve", pkg, "--sections", "8", "--json"});
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    json d = parse(a);
    ASSERT_EQ(d.size(), 8u);
    int64_t boundary = 0;
    for (size_t i = 0; i < d.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(d[i]["boundary"], boundary);
        EXPECT_EQ(d[i]["length"], 11025); // the master clip's section length
        EXPECT_EQ(d[i]["solved"], 1);
        EXPECT_EQ(d[i]["comment"], -1);
        EXPECT_EQ(d[i]["time_origin"], 0);
        ASSERT_EQ(d[i]["options"].size(), 3u);
        EXPECT_EQ(d[i]["options"][0], 0);
        for (int n = 1; n < 3; ++n) {
            EXPECT_GE(d[i]["options"][n], 0);
            EXPECT_LT(d[i]["options"][n], 3);
        }
        // Each user track starts its chosen clip at the boundary; the master track plays none.
        ASSERT_EQ(d[i]["started"].size(), 2u);
        for (int k = 0; k < 2; ++k) {
            const json& s = d[i]["started"][k];
            EXPECT_EQ(s["track"], k + 1);
            EXPECT_EQ(s["clip"], 1 + 3 * k + d[i]["options"][k + 1].get<int>());
            EXPECT_EQ(s["start"], boundary);
        }
        boundary += 11025;
    }

    ToolRun text = mxp4({"solve", pkg, "--sections", "2"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("boundary"), std::string::npos);
}

// A relation that forbids every pair leaves each decision unsolved: nothing starts, no node has
// an option, and without a master clip the sections advance by one render buffer.
TEST(Mxp4Solve, ReportsFailedDecisions) {
    ts::TempDir dir;
    mxp4w::PackageWriter w = ts::makeSimplePackage({.userTracks = 1, .options = 2});
    mxp4w::Relation r;
    r.other = 0;
    r.matrixOffset = w.addMatrix(std::vector<uint8_t>(2 * 2, 0));
    w.relations.push_back(r);
    w.nodes[1].relationCount = 1;
    json d = parse(mxp4({"solve", ts::writePackage(w, dir), "--sections", "3", "--json"}));
    ASSERT_EQ(d.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(d[i]["solved"], 0);
        EXPECT_EQ(d[i]["boundary"], 6144 * i);
        EXPECT_EQ(d[i]["length"], 6144);
        EXPECT_EQ(d[i]["options"], json({-1, -1}));
        EXPECT_TRUE(d[i]["started"].empty());
    }
}

TEST(Mxp4Solve, SelectedSkinPinsItsOption) {
    ts::TempDir dir;
    std::string pkg = ts::writeSimplePackage(dir, {.userTracks = 1, .options = 3, .skins = 3});
    for (int skin = 0; skin < 3; ++skin) {
        ToolRun r =
            mxp4({"solve", pkg, "--sections", "5", "--skin", std::to_string(skin), "--json"});
        ASSERT_EQ(r.status, 0);
        for (const json& d : parse(r)) EXPECT_EQ(d["options"][1], skin);
    }
    EXPECT_NE(mxp4({"solve", pkg, "--sections", "1", "--skin", "3"}).status, 0);
    EXPECT_NE(mxp4({"solve", pkg}).status, 0);
}

TEST(Mxp4Render, WritesAWavOfTheRequestedLengthAndRate) {
    ts::TempDir dir;
    std::string pkg = ts::writeSimplePackage(dir, {.sampleRate = 32000});
    std::string out = dir.file("out.wav");
    ASSERT_EQ(mxp4({"render", pkg, "-o", out, "--seconds", "1.5"}).status, 0);
    std::vector<uint8_t> b = ts::readBytes(out);
    ASSERT_EQ(b.size(), 44u + 48000u * 4);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(le32(b, 4), int32_t(b.size() - 8));
    EXPECT_EQ(le32(b, 20) & 0xFFFF, 1);
    EXPECT_EQ(le32(b, 20) >> 16, 2);
    EXPECT_EQ(le32(b, 24), 32000);
    EXPECT_EQ(le32(b, 28), 32000 * 4);
    EXPECT_EQ(le32(b, 34) & 0xFFFF, 16);
    EXPECT_EQ(le32(b, 40), 48000 * 4);
    int peak = 0;
    for (size_t i = 44; i < b.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(b[i] | (b[i + 1] << 8)))));
    EXPECT_GT(peak, 1000);

    // Forcing the sample path on a WAV package changes nothing; muting every user track
    // silences the mix.
    std::string again = dir.file("again.wav");
    ASSERT_EQ(mxp4({"render", pkg, "-o", again, "--seconds", "1.5", "--path", "sample"}).status, 0);
    EXPECT_EQ(ts::readBytes(again), b);
    std::string muted = dir.file("muted.wav");
    ASSERT_EQ(
        mxp4({"render", pkg, "-o", muted, "--seconds", "1", "--vol", "0:0:0", "--vol", "1:0:0"})
            .status,
        0);
    std::vector<uint8_t> m = ts::readBytes(muted);
    ASSERT_EQ(m.size(), 44u + 32000u * 4);
    EXPECT_TRUE(std::all_of(m.begin() + 44, m.end(), [](uint8_t v) { return v == 0; }));
}

// The demo package that `make run` plays is valid, uses both PCM and ADPCM resources, and its
// skins and relations leave every decision solvable.
TEST(Mkdemo, WritesAPlayablePackage) {
    ts::TempDir dir;
    const std::string pkg = dir.file("demo.mxp4");
    ASSERT_EQ(runTool(MKDEMO_TOOL, {pkg}).status, 0);
    json info = parse(mxp4({"info", pkg, "--json"}));
    EXPECT_EQ(info["verdict"], "ok");
    EXPECT_GE(info["skins"].size(), 2u);
    std::set<int> kinds;
    for (const json& r : info["resources"]) kinds.insert(r["kind"].get<int>());
    EXPECT_EQ(kinds, (std::set<int>{2, 4}));
    for (size_t skin = 0; skin < info["skins"].size(); ++skin) {
        json d = parse(
            mxp4({"solve", pkg, "--sections", "8", "--skin", std::to_string(skin), "--json"}));
        ASSERT_EQ(d.size(), 8u);
        for (const json& e : d) {
            EXPECT_EQ(e["solved"], 1);
            EXPECT_EQ(e["length"], 176400); // two bars at 120 bpm
        }
    }
    const std::string wav = dir.file("demo.wav");
    ASSERT_EQ(mxp4({"render", pkg, "-o", wav, "--seconds", "2"}).status, 0);
    std::vector<uint8_t> b = ts::readBytes(wav);
    ASSERT_EQ(b.size(), 44u + 88200u * 4);
    int clipped = 0, peak = 0;
    for (size_t i = 44; i < b.size(); i += 2) {
        int v = std::abs(int(int16_t(b[i] | (b[i + 1] << 8))));
        peak = std::max(peak, v);
        clipped += v >= 32767;
    }
    EXPECT_GT(peak, 8000);
    EXPECT_EQ(clipped, 0);
}

// A package of short-block Vorbis clips mixes in the frequency domain: "auto" takes that path,
// "sample" forces the other one, and both give audio of the requested length.
TEST(Mxp4Render, ChoosesTheMixingPath) {
    ts::TempDir dir;
    std::string pkg =
        ts::writeSimplePackage(dir, {.clipFrames = 22050, .sectionFrames = 22050, .ogg = true});
    json info = parse(mxp4({"info", pkg, "--json"}));
    EXPECT_EQ(info["verdict"], "ok");
    EXPECT_EQ(info["freq"], true);
    EXPECT_EQ(info["resources"][0]["kind"], 1);

    auto render = [&](const std::string& path) {
        std::string out = dir.file(path + ".wav");
        EXPECT_EQ(mxp4({"render", pkg, "-o", out, "--seconds", "1", "--path", path}).status, 0);
        std::vector<uint8_t> b = ts::readBytes(out);
        EXPECT_EQ(b.size(), 44u + 44100u * 4);
        return b;
    };
    std::vector<uint8_t> autoPath = render("auto"), freq = render("freq"),
                         sample = render("sample");
    EXPECT_EQ(autoPath, freq);
    EXPECT_NE(freq, sample);
    for (const auto* b : {&freq, &sample}) {
        int peak = 0;
        for (size_t i = 44; i + 1 < b->size(); i += 2)
            peak = std::max(peak, std::abs(int(int16_t((*b)[i] | ((*b)[i + 1] << 8)))));
        EXPECT_GT(peak, 4000);
    }
}

// SDL's dummy driver plays nothing, so it does not count as a device; playback still runs on it
// for the requested time.
TEST(Mxp4Play, DummyDriverIsNotADevice) {
    ts::TempDir dir;
    std::string pkg = ts::writeSimplePackage(dir);
    EXPECT_EQ(runTool(MXP4_TOOL, {"play", "--check-device"}, "SDL_AUDIODRIVER=dummy").status, 1);
    EXPECT_EQ(runTool(MXP4_TOOL, {"play", pkg, "--seconds", "0.3"}, "SDL_AUDIODRIVER=dummy").status,
              0);
    EXPECT_NE(runTool(MXP4_TOOL, {"play", dir.file("absent.mxp4")}, "SDL_AUDIODRIVER=dummy").status,
              0);
}

// The loader takes any sample rate; the tools refuse one that no output can play, saying why,
// and accept both ends of the playable range.
TEST(Mxp4Render, RefusesAPackageWhoseRateCannotPlay) {
    ts::TempDir dir;
    for (int64_t rate :
         {-1LL, 1LL, 7999LL, 192001LL, 2147483647LL, -2147483648LL, 8000LL, 192000LL}) {
        SCOPED_TRACE(rate);
        mxp4w::PackageWriter w = ts::makeSimplePackage();
        w.header[6] = static_cast<int32_t>(rate);
        const std::string pkg = ts::writePackage(w, dir, "rate" + std::to_string(rate) + ".mxp4");
        int code = -1;
        mxp4_package* p = mxp4LoaderDiag(pkg.c_str(), 1, &code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(mxp4SampleRate(p), rate);
        const bool playable = mxp4SampleRatePlayable(mxp4SampleRate(p)) != 0;
        mxp4Release(p);
        EXPECT_EQ(playable, rate == 8000 || rate == 192000);

        const std::string out = dir.file("rate.wav");
        std::remove(out.c_str());
        ToolRun render = mxp4({"render", pkg, "-o", out, "--seconds", "0.5"});
        ToolRun info = mxp4({"info", pkg, "--json"});
        ToolRun solve = mxp4({"solve", pkg, "--sections", "2"});
        if (playable) {
            EXPECT_EQ(render.status, 0) << render.err;
            EXPECT_EQ(ts::readBytes(out).size(), 44u + size_t(rate / 2) * 4);
            EXPECT_EQ(info.status, 0);
            EXPECT_EQ(solve.status, 0);
            continue;
        }
        const std::string why = "sample rate " + std::to_string(rate) + " Hz is not playable";
        EXPECT_EQ(render.status, 1);
        EXPECT_NE(render.err.find(why), std::string::npos) << render.err;
        EXPECT_TRUE(ts::readBytes(out).empty());
        EXPECT_EQ(solve.status, 1);
        EXPECT_NE(solve.err.find(why), std::string::npos) << solve.err;
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(parse(info)["verdict"], "sample rate " + std::to_string(rate));
        EXPECT_NE(info.err.find(why), std::string::npos) << info.err;
    }
}

TEST(Mxp4Render, RejectsBadRequests) {
    ts::TempDir dir;
    std::string pkg = ts::writeSimplePackage(dir);
    std::string out = dir.file("x.wav");
    EXPECT_NE(mxp4({"render", pkg, "-o", out, "--seconds", "1", "--path", "freq"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "-o", out, "--seconds", "1", "--path", "fast"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "-o", out, "--seconds", "1", "--vol", "2:1:1"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "-o", out, "--seconds", "1", "--vol", "0:1"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "-o", out, "--seconds", "-1"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "--seconds", "1"}).status, 0);
    EXPECT_NE(mxp4({"render", pkg, "-o", dir.file("no/such/dir.wav"), "--seconds", "1"}).status, 0);
    EXPECT_NE(mxp4({"frobnicate", pkg}).status, 0);
}

} // namespace
