// mxp4 info: the verdict of the loader and what a package holds.
//
// The package is loaded fully first, as the player would, so that the counts of every table and
// the frequency-mixing decision are known. When the full load rejects it, the verdict is that
// rejection and the command fails; if an info-only load still accepts the file (its rejection
// comes from a playback-only table or check), what that load sees is reported as well, with
// "full_load": false and only the tables an info-only load reads.
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
    case mx::kRscOgg:
        return "Ogg Vorbis";
    case mx::kRscWav:
        return "PCM WAV";
    case mx::kRscAdpcm:
        return "ADPCM";
    default:
        return "unknown";
    }
}

Json describe(const mxp4_package* p) {
    Json j;
    j["version"] = p->version;
    j["sample_rate"] = p->header[mx::kHSampleRate];
    j["compressor"] = p->header[mx::kHCompressorMode];
    Json counts;
    if (p->full) {
        counts["tracks"] = p->tracks.count;
        counts["clips"] = p->clips.count;
        counts["nodes"] = p->nodes.count;
        counts["options"] = p->options.count;
        counts["relations"] = p->relations.count;
        counts["conditions"] = p->conditions.count;
        counts["presets"] = p->presets.count;
    }
    counts["skins"] = p->skins.count;
    counts["aux_texts"] = p->auxTexts.count;
    counts["aux_resources"] = p->auxResources.count;
    counts["resources"] = p->resources.count;
    j["counts"] = counts;
    if (p->mix) j["freq"] = p->mix->freq;
    Json skins = Json::array();
    for (int i = 0; i < p->skins.count; ++i) {
        const mx::Skin& s = p->skins.items[i];
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
    for (int i = 0; i < p->resources.count; ++i) {
        const mx::Resource& r = p->resources.items[i];
        resources.push_back({{"kind", r.kind},
                             {"offset", r.offset},
                             {"length", r.length},
                             {"name", text(mxp4String(p, r.name))}});
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
    return p ? 0 : 1;
}

} // namespace cli
