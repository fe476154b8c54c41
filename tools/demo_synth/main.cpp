// demosynth: renders the stems of the demo songs to 16-bit stereo WAV files.
//
//   demosynth --list             prints the stem names
//   demosynth OUTDIR [STEM]...   writes OUTDIR/STEM.wav for the given stems (all by default)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "demo_synth/songs.h"
#include "mxp4writer/wav_bytes.h"

namespace {

std::vector<int16_t> toPcm(const dsynth::Stereo& audio) {
    std::vector<int16_t> out(audio.frames() * 2);
    auto q = [](float v) {
        return static_cast<int16_t>(std::lround(std::clamp(v, -1.f, 1.f) * 32767.f));
    };
    for (size_t i = 0; i < audio.frames(); ++i) {
        out[2 * i] = q(audio.left[i]);
        out[2 * i + 1] = q(audio.right[i]);
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const std::string& name : dsynth::stemNames()) std::printf("%s\n", name.c_str());
        return 0;
    }
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: demosynth --list | demosynth OUTDIR [STEM]...\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> stems(argv + 2, argv + argc);
    if (stems.empty()) stems = dsynth::stemNames();
    for (const std::string& name : stems) {
        dsynth::Stereo audio;
        if (!dsynth::renderStem(name, audio)) {
            std::fprintf(stderr, "demosynth: unknown stem \"%s\"\n", name.c_str());
            return 1;
        }
        const std::string path = dir + "/" + name + ".wav";
        if (!writeFile(path, mxp4w::wavBytes(toPcm(audio), 2, dsynth::kRate))) {
            std::fprintf(stderr, "demosynth: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
