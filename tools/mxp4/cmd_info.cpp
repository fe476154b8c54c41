// mxp4 info: the verdict of the loader and what a package holds.
//
// The package is loaded fully first, as the player would, so that the counts of every table and
// the frequency-mixing decision are known. When the full load rejects it, the verdict is that
// rejection and the command fails; if an info-only load still accepts the file (its rejection
// comes from a playback-only table or check), what that load sees is reported as well, with
// "full_load": false and only the tables an info-only load reads. A package whose sample rate
// no output can play is described, and the command fails with the reason.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string text(const char* s) {
    return s ? s : "";
}

const char* kindName(int kind) {
    switch (kind) {
    case MXP4_RSC_OGG:
        return "Ogg Vorbis";
    case MXP4_RSC_WAV:
        return "PCM WAV";
    case MXP4_RSC_ADPCM:
        return "ADPCM";
    default:
        return "unknown";
    }
}

Json describe(const mxp4_package* p) {
    mxp4_info info;
    mxp4GetInfo(p, &info);
    Json j;
    j["version"] = info.version;
    j["sample_rate"] = info.sampleRate;
    j["compressor"] = info.compressorMode;
    Json counts;
    if (info.full) {
        counts["tracks"] = info.tracks;
        counts["clips"] = info.clips;
        counts["nodes"] = info.nodes;
        counts["options"] = info.options;
        counts["relations"] = info.relations;
        counts["conditions"] = info.conditions;
        counts["presets"] = info.presets;
    }
    counts["skins"] = info.skins;
    counts["aux_texts"] = info.auxTexts;
    counts["aux_resources"] = info.auxResources;
    counts["resources"] = info.resources;
    j["counts"] = counts;
    if (info.full) j["freq"] = info.freq != 0;
    Json skins = Json::array();
    for (int i = 0; i < info.skins; ++i) {
        mxp4_skin_info s;
        mxp4GetSkin(p, i, &s);
        skins.push_back(
            {{"name", text(mxp4SkinName(p, i))}, {"option", s.option}, {"priority", s.priority}});
    }
    j["skins"] = skins;
    Json users = Json::array();
    for (int n = 0; n < mxp4AudiotrackNb(p); ++n) {
        users.push_back(text(mxp4AudiotrackName(p, n)));
    }
    j["user_tracks"] = users;
    Json resources = Json::array();
    for (int i = 0; i < info.resources; ++i) {
        mxp4_resource_info r;
        mxp4GetResource(p, i, &r);
        resources.push_back(
            {{"kind", r.kind}, {"offset", r.offset}, {"length", r.length}, {"name", text(r.name)}});
    }
    j["resources"] = resources;
    return j;
}

void printText(const Json& j) {
    std::printf("verdict: %s\n", j["verdict"].get<std::string>().c_str());
    if (!j.contains("version")) return;
    if (j.contains("full_load")) std::printf("full load: rejected; info-only load below\n");
    std::printf("version: %d\nsample rate: %d Hz\ncompressor flags: %d\n", j["version"].get<int>(),
                j["sample_rate"].get<int>(), j["compressor"].get<int>());
    if (j.contains("freq"))
        std::printf("mixing: %s\n", j["freq"].get<bool>() ? "frequency domain" : "samples");
    std::printf("counts:");
    for (const auto& [k, v] : j["counts"].items()) std::printf(" %s %d", k.c_str(), v.get<int>());
    std::printf("\nskins:\n");
    int i = 0;
    for (const Json& s : j["skins"])
        std::printf("  %2d  %s option %d, priority %d\n", i++,
                    padRight(s["name"].get<std::string>(), 24).c_str(), s["option"].get<int>(),
                    s["priority"].get<int>());
    std::printf("user tracks:\n");
    i = 0;
    for (const Json& t : j["user_tracks"])
        std::printf("  %2d  %s\n", i++, t.get<std::string>().c_str());
    std::printf("resources:\n");
    i = 0;
    for (const Json& r : j["resources"])
        std::printf("  %2d  %-10s offset %d, length %d  %s\n", i++, kindName(r["kind"].get<int>()),
                    r["offset"].get<int>(), r["length"].get<int>(),
                    r["name"].get<std::string>().c_str());
}

} // namespace

int cmdInfo(int argc, char** argv) {
    Args args(argc, argv, {"json"});
    if (!args.ok()) return fail(args.error());
    if (std::string u = args.unknown({"json"}); !u.empty()) return fail("unknown option " + u);
    if (args.positional().size() != 1) return fail("usage: mxp4 info PKG [--json]");
    const std::string& path = args.positional()[0];

    int code = 0;
    Package p(mxp4LoaderDiag(path.c_str(), 1, &code));
    Json j;
    j["verdict"] = verdictText(p ? 0 : code);
    // The loader takes any rate; what no output can play is refused here, as the players do.
    const int rate = mxp4SampleRate(p.get());
    const bool playable = p && mxp4SampleRatePlayable(rate);
    if (p && !playable) j["verdict"] = "sample rate " + std::to_string(rate);
    if (p) {
        j.update(describe(p.get()));
    } else {
        int infoCode = 0;
        Package info(mxp4LoaderDiag(path.c_str(), 0, &infoCode));
        if (info) {
            j["full_load"] = false;
            j.update(describe(info.get()));
        }
    }
    if (args.has("json"))
        std::printf("%s\n", j.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
    else
        printText(j);
    if (p && !playable) return fail(path + ": " + unplayableRateText(rate));
    return p ? 0 : 1;
}

} // namespace cli
