// mkimages: draws every picture of the manifest into a directory, at 1x and as "@2x" files.
//   mkimages MANIFEST OUTDIR        write all
//   mkimages MANIFEST --check       parse and verify every style exists (no output)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image_files.h"
#include "raster.h"
#include "styles.h"

namespace {

bool readManifest(const std::string& path, std::vector<mkimages::Entry>& out) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        mkimages::Entry e;
        if (!(fields >> e.name >> e.width >> e.height >> e.style) || e.width <= 0 ||
            e.height <= 0) {
            std::fprintf(stderr, "%s:%d: malformed entry\n", path.c_str(), lineNo);
            return false;
        }
        std::getline(fields >> std::ws, e.text);
        while (!e.text.empty() && (e.text.back() == ' ' || e.text.back() == '\r'))
            e.text.pop_back();
        out.push_back(std::move(e));
    }
    return true;
}

std::string at2x(const std::string& name) {
    auto dot = name.rfind('.');
    return name.substr(0, dot) + "@2x" + name.substr(dot);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkimages MANIFEST OUTDIR | mkimages MANIFEST --check\n");
        return 2;
    }
    std::vector<mkimages::Entry> entries;
    if (!readManifest(argv[1], entries)) return 1;
    const bool checkOnly = std::string(argv[2]) == "--check";
    std::filesystem::path out = argv[2];
    if (!checkOnly) std::filesystem::create_directories(out);
    int failures = 0;
    for (const auto& e : entries) {
        for (int scale : {1, 2}) {
            mkimages::Raster r(e.width, e.height, checkOnly ? 1 : scale);
            if (!mkimages::drawStyle(r, e)) {
                std::fprintf(stderr, "%s: unknown style \"%s\"\n", e.name.c_str(), e.style.c_str());
                ++failures;
                break;
            }
            if (checkOnly) break;
            std::string file = (out / (scale == 1 ? e.name : at2x(e.name))).string();
            if (!mkimages::writeImage(file, r.pixelWidth(), r.pixelHeight(), r.rgba8())) {
                std::fprintf(stderr, "%s: cannot write\n", file.c_str());
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}
