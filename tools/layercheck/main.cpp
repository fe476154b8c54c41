// layercheck: fails when an #include or a link dependency makes an arrow between layers that the
// build's rules do not allow, naming the file and the line of each.
//
//   layercheck --root DIR [--facts FILE] --layer "a -> b c"... [--private-viewer DIR]...
//              [--public-only DIR]...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "layering.h"

int main(int argc, char** argv) {
    layercheck::Rules rules;
    std::string root, facts, error;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "layercheck: %s needs a value\n", a.c_str());
            return 2;
        }
        const std::string v = argv[++i];
        if (a == "--root") {
            root = v;
        } else if (a == "--facts") {
            facts = v;
        } else if (a == "--layer") {
            if (!rules.addLayer(v, error)) {
                std::fprintf(stderr, "layercheck: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--private-viewer") {
            rules.privateViewers.push_back(v);
        } else if (a == "--public-only") {
            rules.publicOnly.push_back(v);
        } else {
            std::fprintf(stderr, "layercheck: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (root.empty() || rules.uses.empty()) {
        std::fprintf(stderr, "usage: layercheck --root DIR [--facts FILE] --layer \"a -> b c\"... "
                             "[--private-viewer DIR]... [--public-only DIR]...\n");
        return 2;
    }

    std::vector<layercheck::Link> links;
    std::vector<std::string> includeRoots;
    if (!facts.empty() && !layercheck::readBuildFacts(facts, links, includeRoots, error)) {
        std::fprintf(stderr, "layercheck: %s\n", error.c_str());
        return 2;
    }
    layercheck::Report report;
    layercheck::checkIncludes(root, rules, includeRoots, report);
    layercheck::checkLinks(root, rules, links, report);

    std::sort(report.violations.begin(), report.violations.end(), [](const auto& a, const auto& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    for (const auto& v : report.violations)
        std::printf("%s:%d: error: %s\n", v.file.c_str(), v.line, v.message.c_str());
    std::printf("layercheck: %zu forbidden arrows; %d files, %d includes and %d link dependencies "
                "checked\n",
                report.violations.size(), report.files, report.includes, report.links);
    return report.violations.empty() ? 0 : 1;
}
