// Package builder: a bad description is refused with an error that names the offending item.
#include <functional>

#include "pack_fixture.h"

namespace packtest {
namespace {

using PackErrors = PackFixture;

struct Case {
    const char* what;
    std::function<void(json&)> change;
    std::vector<std::string> expected; // substrings of the error
};

TEST_F(PackErrors, ReferencesAndShapes) {
    const Case cases[] = {
        {"unknown node of a track",
         [](json& j) { j["tracks"][1]["node"] = "drums"; },
         {"tracks[1] \"lead\"", "unknown node \"drums\""}},
        {"unknown node in an option reference",
         [](json& j) { j["presets"][0]["option"] = "keys/x"; },
         {"presets[0] \"p\"", "unknown node \"keys\""}},
        {"unknown option name",
         [](json& j) { j["skins"][0]["option"] = "lead/z"; },
         {"skins[0] \"s1\"", "node \"lead\" has no option \"z\""}},
        {"option index out of range",
         [](json& j) { j["skins"][0]["option"] = "lead/#3"; },
         {"skins[0] \"s1\"", "option index 3 out of range", "has 3 options"}},
        {"option index given as an object",
         [](json& j) {
             j["presets"][0]["option"] = {{"node", "bass"}, {"option", -1}};
         },
         {"presets[0] \"p\"", "option index -1 out of range"}},
        {"matrix with too few rows",
         [](json& j) { j["nodes"][2]["relations"][0]["matrix"].erase(3); },
         {"nodes[2] \"bass\"", "relations[0] \"follow\"", "3 rows, expected 4"}},
        {"matrix row with too many cells",
         [](json& j) { j["nodes"][2]["relations"][0]["matrix"][1].push_back(5); },
         {"relations[0] \"follow\"", "row 1 has 3 cells, expected 2"}},
        {"affinity cell naming an unknown option",
         [](json& j) { j["nodes"][1]["relations"][0]["cells"][0]["own"] = "w"; },
         {"nodes[1] \"lead\"", "relations[0] \"vary\"", "cells[0]", "has no option \"w\""}},
        {"relation to an unknown node",
         [](json& j) { j["nodes"][2]["relations"][0]["other"] = "keys"; },
         {"relations[0] \"follow\"", "unknown node \"keys\""}},
        {"option playing an unknown clip",
         [](json& j) { j["nodes"][1]["options"][1]["clip"] = "lz"; },
         {"nodes[1] \"lead\"", "options[1] \"y\"", "unknown clip \"lz\""}},
        {"activation condition on an unknown option",
         [](json& j) { j["nodes"][2]["conditions"] = {"lead/#7"}; },
         {"nodes[2] \"bass\"", "conditions[0]", "option index 7 out of range"}},
        {"duplicate clip name",
         [](json& j) { j["clips"][2]["name"] = "lx"; },
         {"clips[2] \"lx\"", "duplicate clip name"}},
        {"duplicate node name",
         [](json& j) { j["nodes"][2]["name"] = "lead"; },
         {"nodes[2] \"lead\"", "duplicate node name"}},
        {"node without options",
         [](json& j) { j["nodes"][0]["options"] = json::array(); },
         {"nodes[0] \"form\"", "at least one option"}},
        {"two nodes reading each other",
         [](json& j) {
             j["nodes"][1]["relations"][0]["useCurrent"] = false;
             j["nodes"][1]["relations"][0]["other"] = "bass";
             j["nodes"][1]["relations"][0]["cells"] = json::array();
         },
         {"cyclic dependency", "\"lead\"", "\"bass\""}},
        {"node reading itself",
         [](json& j) { j["nodes"][1]["relations"][0]["useCurrent"] = false; },
         {"nodes[1] \"lead\"", "cyclic dependency"}},
        {"master clip without a length",
         [](json& j) { j["clips"][0].erase("sectionLength"); },
         {"clips[0] \"section\"", "master track \"form\"", "positive"}},
        {"weight that the relations scale past 32 bits",
         [](json& j) {
             j["nodes"][1]["options"][1]["weight"] = 65535;
             for (int k = 0; k < 8; ++k)
                 j["nodes"][1]["relations"].push_back(
                     {{"other", "form"}, {"default", 255}, {"useCurrent", true}});
         },
         {"nodes[1] \"lead\"", "options[1] \"y\"", "overflows"}},
        {"track neither master nor user",
         [](json& j) { j["tracks"][2]["user"] = false; },
         {"tracks[2] \"bass\"", "master track, a user track or both"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json j = base();
        c.change(j);
        mxpack::Description d;
        std::string error;
        ASSERT_TRUE(parse(j, d, error)) << error;
        EXPECT_FALSE(mxpack::validateDescription(d, error));
        for (const std::string& s : c.expected)
            EXPECT_NE(error.find(s), std::string::npos) << error;
        // Building runs the same checks before touching any audio.
        EXPECT_FALSE(buildError(j).empty());
    }
}

TEST_F(PackErrors, ValuesAndTypes) {
    const Case cases[] = {
        {"misspelt member",
         [](json& j) { j["nodes"][1]["options"][0]["wieght"] = 3; },
         {"nodes[1] \"lead\"", "options[0] \"x\"", "unknown member \"wieght\""}},
        {"weight 0, which the engine would read as 256",
         [](json& j) { j["nodes"][1]["options"][0]["weight"] = 0; },
         {"options[0] \"x\"", "\"weight\"", "outside 1..65535"}},
        {"weight as text",
         [](json& j) { j["nodes"][1]["options"][0]["weight"] = "heavy"; },
         {"\"weight\"", "must be an integer"}},
        {"keep maximum below minimum",
         [](json& j) {
             j["clips"][1]["keep"] = {3, 1};
         },
         {"clips[1] \"lx\"", "maximum is below minimum"}},
        {"negative gain",
         [](json& j) { j["clips"][1]["gain"] = -1; },
         {"clips[1] \"lx\"", "\"gain\""}},
        {"bars without a tempo",
         [](json& j) { j.erase("tempo"); },
         {"clips[0] \"section\"", "need \"tempo\""}},
        {"unknown encoding",
         [](json& j) {
             j["resources"] = {{"encoding", "mp3"}};
         },
         {"\"resources\"", "\"encoding\""}},
        {"compressor ratio above 1",
         [](json& j) {
             j["compressor"] = {{"ratio", 2.0}};
         },
         {"\"compressor\"", "\"ratio\""}},
        {"package name with a directory", [](json& j) { j["name"] = "a/b"; }, {"\"name\""}},
        {"text that is not text",
         [](json& j) { j["skins"][1]["displayName"] = 5; },
         {"skins[1] \"none\"", "\"displayName\""}},
        {"matrix cell out of range",
         [](json& j) { j["nodes"][2]["relations"][0]["matrix"][0][0] = 256; },
         {"nodes[2] \"bass\"", "\"matrix\"[0][0]", "outside 0..255"}},
        {"malformed option reference",
         [](json& j) { j["presets"][0]["option"] = "lead"; },
         {"presets[0] \"p\"", "\"node/option\""}},
        {"missing node of a track",
         [](json& j) { j["tracks"][0].erase("node"); },
         {"tracks[0] \"form\"", "missing \"node\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json j = base();
        c.change(j);
        mxpack::Description d;
        std::string error;
        EXPECT_FALSE(parse(j, d, error));
        for (const std::string& s : c.expected)
            EXPECT_NE(error.find(s), std::string::npos) << error;
    }
    mxpack::Description d;
    std::string error;
    EXPECT_FALSE(mxpack::parseDescription("{ \"name\": ", d, error));
    EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;
}

TEST_F(PackErrors, Audio) {
    // Missing file.
    json j = base();
    j["clips"][2]["file"] = "nothere.wav";
    std::string e = buildError(j);
    EXPECT_NE(e.find("clips[2] \"ly\""), std::string::npos) << e;
    EXPECT_NE(e.find("missing audio file"), std::string::npos) << e;

    // Wrong rate.
    writeWav("slow.wav", 440, 2, 22050);
    j = base();
    j["clips"][1]["file"] = "slow.wav";
    e = buildError(j);
    EXPECT_NE(e.find("clips[1] \"lx\""), std::string::npos) << e;
    EXPECT_NE(e.find("22050 Hz, the package at 44100 Hz"), std::string::npos) << e;

    // Not 16-bit PCM: patch the bits per sample of a valid file to 8.
    std::vector<uint8_t> bytes = ts::readBytes(dir.file("lx.wav"));
    ASSERT_GT(bytes.size(), 40u);
    bytes[34] = 8;
    ASSERT_TRUE(ts::writeBytes(dir.file("eight.wav"), bytes));
    j = base();
    j["clips"][3]["file"] = "eight.wav";
    e = buildError(j);
    EXPECT_NE(e.find("clips[3] \"bx\""), std::string::npos) << e;
    EXPECT_NE(e.find("16-bit PCM"), std::string::npos) << e;

    // Not a WAV file at all, and a truncated one.
    ASSERT_TRUE(ts::writeBytes(dir.file("junk.wav"), {'O', 'g', 'g', 'S', 0, 0, 0, 0, 0, 0, 0, 0}));
    j["clips"][3]["file"] = "junk.wav";
    e = buildError(j);
    EXPECT_NE(e.find("not a RIFF/WAVE file"), std::string::npos) << e;
    bytes = ts::readBytes(dir.file("lx.wav"));
    bytes.resize(30);
    ASSERT_TRUE(ts::writeBytes(dir.file("short.wav"), bytes));
    j["clips"][3]["file"] = "short.wav";
    e = buildError(j);
    EXPECT_NE(e.find("clips[3] \"bx\""), std::string::npos) << e;

    // An audio length past the file's end.
    j = base();
    j["clips"][1]["audioLength"] = kClipFrames + 1;
    e = buildError(j);
    EXPECT_NE(e.find("clips[1] \"lx\""), std::string::npos) << e;
    EXPECT_NE(e.find("exceeds"), std::string::npos) << e;
}

} // namespace
} // namespace packtest
