// mxp4pack: builds a mix package from a JSON description.
//
//   mxp4pack DESCRIPTION -o OUT.mxp4 [--audio-dir DIR] [--encoding vorbis|wav|adpcm]
//            [--quality Q] [--embed | --external] [--check] [--quiet]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mxp4pack/builder.h"
#include "mxp4pack/description.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: mxp4pack DESCRIPTION -o OUT.mxp4 [--audio-dir DIR]\n"
                         "                [--encoding vorbis|wav|adpcm] [--quality Q]\n"
                         "                [--embed | --external] [--quiet]\n"
                         "       mxp4pack DESCRIPTION --check   (checks the description only)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string input, output;
    mxpack::BuildOptions options;
    bool quiet = false, checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takesValue =
            a == "-o" || a == "--audio-dir" || a == "--encoding" || a == "--quality";
        if (takesValue && i + 1 >= argc) {
            std::fprintf(stderr, "mxp4pack: %s needs a value\n", a.c_str());
            return 2;
        }
        auto value = [&]() -> std::string { return argv[++i]; };
        if (a == "-o") {
            output = value();
        } else if (a == "--audio-dir") {
            options.audioDir = value();
        } else if (a == "--encoding") {
            const std::string e = value();
            if (e == "vorbis")
                options.encoding = mxpack::Encoding::Vorbis;
            else if (e == "wav")
                options.encoding = mxpack::Encoding::Wav;
            else if (e == "adpcm")
                options.encoding = mxpack::Encoding::Adpcm;
            else
                return usage();
        } else if (a == "--quality") {
            char* end = nullptr;
            const std::string q = value();
            const double v = std::strtod(q.c_str(), &end);
            if (end == q.c_str() || *end || !(v >= 0.0 && v <= 1.0)) return usage();
            options.quality = v;
        } else if (a == "--embed") {
            options.embed = true;
        } else if (a == "--external") {
            options.embed = false;
        } else if (a == "--check") {
            checkOnly = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else if (input.empty()) {
            input = a;
        } else {
            return usage();
        }
    }
    if (input.empty() || (output.empty() && !checkOnly)) return usage();

    mxpack::Description d;
    std::string error;
    if (!mxpack::loadDescription(input, d, error)) {
        std::fprintf(stderr, "mxp4pack: %s\n", error.c_str());
        return 1;
    }
    if (checkOnly) {
        if (!mxpack::validateDescription(d, error)) {
            std::fprintf(stderr, "mxp4pack: %s: %s\n", input.c_str(), error.c_str());
            return 1;
        }
        return 0;
    }
    mxpack::BuildReport report;
    if (!mxpack::writePackage(d, options, output, &report, error)) {
        std::fprintf(stderr, "mxp4pack: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    if (!quiet)
        std::printf("%s: %d resources, %.1f s of audio, %llu bytes of resources (%.0f kb/s), "
                    "package %llu bytes%s\n",
                    output.c_str(), report.resources,
                    double(report.audioFrames) / double(d.sampleRate),
                    static_cast<unsigned long long>(report.resourceBytes),
                    report.kbps(static_cast<int>(d.sampleRate)),
                    static_cast<unsigned long long>(report.packageBytes),
                    report.freqMixable ? ", frequency-mixable" : "");
    return 0;
}
