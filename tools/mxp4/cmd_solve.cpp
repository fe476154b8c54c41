// mxp4 solve: runs the renderer for N sections (audio discarded) and reports every decision.
#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

// The decision just made, as the engine reports it.
Json decision(const mxp4_package* p) {
    mxp4_decision m;
    mxp4GetDecision(p, &m);
    Json d;
    d["boundary"] = m.boundary;
    d["length"] = m.length;
    d["solved"] = m.solved;
    Json options = Json::array();
    mxp4_info info;
    mxp4GetInfo(p, &info);
    for (int n = 0; n < info.nodes; ++n) options.push_back(mxp4NodeOption(p, n));
    d["options"] = options;
    d["comment"] = m.comment;
    Json started = Json::array();
    for (int i = 0; i < m.startedCount && i < MXP4_MAX_VOICES; ++i) {
        const mxp4_started_clip& s = m.started[i];
        started.push_back(
            {{"track", s.track}, {"clip", s.clip}, {"voice", s.voice}, {"start", s.start}});
    }
    d["started"] = started;
    d["time_origin"] = m.timeOrigin;
    return d;
}

void printTable(const Json& decisions) {
    std::printf("%4s %12s %10s %6s %7s %12s  %-20s %s\n", "#", "boundary", "length", "solved",
                "comment", "time origin", "options", "started (track:clip@start)");
    int i = 0;
    for (const Json& d : decisions) {
        std::string options;
        for (const Json& o : d["options"]) {
            if (!options.empty()) options += ' ';
            options += o.get<int>() < 0 ? "-" : std::to_string(o.get<int>());
        }
        std::string started;
        for (const Json& s : d["started"]) {
            if (!started.empty()) started += ' ';
            started += std::to_string(s["track"].get<int>()) + ":" +
                       std::to_string(s["clip"].get<int>()) + "@" +
                       std::to_string(s["start"].get<long long>());
        }
        std::printf("%4d %12lld %10lld %6d %7d %12lld  %-20s %s\n", i++,
                    d["boundary"].get<long long>(), d["length"].get<long long>(),
                    d["solved"].get<int>(), d["comment"].get<int>(),
                    d["time_origin"].get<long long>(), options.c_str(), started.c_str());
    }
}

} // namespace

int cmdSolve(int argc, char** argv) {
    Args args(argc, argv, {"json"});
    if (!args.ok()) return fail(args.error());
    if (std::string u = args.unknown({"json", "sections", "skin"}); !u.empty())
        return fail("unknown option " + u);
    long long sections = 0;
    if (args.positional().size() != 1 || !args.has("sections"))
        return fail("usage: mxp4 solve PKG --sections N [--skin I]... [--json]");
    if (!parseInt(args.get("sections"), 0, 1000000, &sections))
        return fail("--sections: a count from 0 to 1000000");
    Package p = loadForMix(args.positional()[0]);
    if (!p || !selectSkins(p.get(), args)) return 1;

    std::vector<int16_t> buffer(2 * MXP4_BUFFER_FRAMES);
    Json decisions = Json::array();
    while (static_cast<long long>(decisions.size()) < sections) {
        // A decision is due in this buffer; a renderer that skips it would loop forever here.
        int64_t toBoundary = 0, before = 0, after = 0;
        mxp4GetClock(p.get(), &toBoundary, &before);
        const bool due = toBoundary < MXP4_BUFFER_FRAMES;
        int decided = mxp4NextBuffer(p.get(), buffer.data());
        mxp4GetClock(p.get(), nullptr, &after);
        if (decided) {
            decisions.push_back(decision(p.get()));
        } else if (due || after <= before) {
            return fail("the renderer made no decision where one was due (sample " +
                        std::to_string(before) + ")");
        }
    }
    if (args.has("json"))
        std::printf("%s\n", decisions.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
    else
        printTable(decisions);
    return 0;
}

} // namespace cli
