// Writes the fuzzer's seed corpus: tiny valid packages covering every chunk type, each resource
// kind (PCM WAV, IMA ADPCM, short-block Ogg Vorbis), external resources and the compressor.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "mxp4writer/adpcm_encode.h"
#include "mxp4writer/wav_bytes.h"
#include "mxp4writer/writer.h"
#include "vorbis_short/encoder.h"

namespace {

using mxp4w::PackageWriter;

std::vector<int16_t> tone(int frames, int channels, double freq) {
    std::vector<int16_t> v(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[static_cast<size_t>(i * channels + c)] =
                static_cast<int16_t>(8000 * std::sin(2 * M_PI * freq * (i + 7 * c) / 44100));
    return v;
}

// One user-and-master track on a node whose options each play one resource.
PackageWriter oneTrack(const std::vector<mxp4w::Resource>& resources, int frames) {
    PackageWriter w;
    w.header[2] = w.header[3] = -1;
    w.header[6] = 44100;
    mxp4w::Node n;
    n.optionFirst = 0;
    n.optionCount = static_cast<int32_t>(resources.size());
    n.name = w.addString("n");
    w.nodes.push_back(n);
    w.tracks.push_back({3, 10, 0, w.addString("lead")});
    for (size_t i = 0; i < resources.size(); ++i) {
        w.resources.push_back(resources[i]);
        w.resources.back().name = w.addString("r" + std::to_string(i) + ".bin");
        mxp4w::Clip c;
        c.sectionLength = frames;
        c.audioLength = frames;
        c.option = static_cast<int32_t>(i);
        c.resource = static_cast<int32_t>(i);
        w.clips.push_back(c);
        w.options.push_back({static_cast<int32_t>(i), -1, 0});
    }
    return w;
}

mxp4w::Resource resource(int16_t kind, std::vector<uint8_t> data) {
    mxp4w::Resource r;
    r.kind = kind;
    r.data = std::move(data);
    return r;
}

PackageWriter minimal() {
    PackageWriter w;
    w.header[2] = w.header[3] = -1;
    w.nodes.push_back({0, 0, 1, 0, 0, 0, 0, -1});
    w.options.push_back({-1, -1, 0});
    w.tracks.push_back({3, 0, 0, -1});
    return w;
}

PackageWriter wav() {
    return oneTrack({resource(2, mxp4w::wavBytes(tone(96, 2, 440), 2, 44100)),
                     resource(2, mxp4w::wavBytes(tone(96, 1, 660), 1, 44100))},
                    96);
}

PackageWriter adpcm() {
    return oneTrack({resource(4, mxp4w::adpcmEncode(tone(96, 2, 330)))}, 96);
}

PackageWriter ogg() {
    std::vector<int16_t> pcm = tone(512, 2, 220);
    vshort::EncoderOptions o;
    o.quality = 0.0f;
    return oneTrack({resource(1, vshort::encodeStereo(pcm.data(), 512, o))}, 512);
}

PackageWriter external() {
    PackageWriter w = wav();
    w.embedResources = false;
    return w;
}

// Two nodes tied by a conditioned relation, a preset, skins, comments, auxiliary entries, the
// compressor and a negative start offset.
PackageWriter rich() {
    PackageWriter w = oneTrack({resource(2, mxp4w::wavBytes(tone(64, 2, 440), 2, 44100)),
                                resource(4, mxp4w::adpcmEncode(tone(64, 2, 550)))},
                               64);
    w.tracks[0].flags = 1;
    w.nodes.push_back({0, 2, 1, 0, 1, 0, 0, -1});
    w.options.push_back({1, w.addString("o2"), 300});
    w.tracks.push_back({2, 50, 1, w.addString("second")});
    w.relations.push_back({0, 0, 0, w.addMatrix({128, 0, 200, 128, 128, 128}), 0, 1, -1});
    w.relations.push_back({1, 0, 5, w.addMatrix({64, 128, 128, 128, 128, 128}), 0, 0, -1});
    w.nodes[1].relationCount = 2;
    w.conditions.push_back({0, 0});
    w.presets.push_back({3, 1, 0, -1});
    int32_t t0 = w.addText({"Un", "One"});
    w.addText({"Deux", "Two"});
    w.skins.push_back({0, 2, 1, -1, t0, 0, 1, 0, 1});
    w.auxTexts.push_back({7, 0, -1});
    w.auxResources.push_back({{0, 0, 0, 1}});
    w.header[2] = t0;
    w.header[4] = 2;
    w.header[12] = 0;
    w.header[13] = 2;
    w.header[14] = -6 << 16;
    w.header[15] = 1 << 15;
    w.header[16] = 65;
    w.header[17] = 6553;
    w.header[19] = 1 << 16;
    w.clips[1].startOffset = -32;
    w.clips[1].sectionLength = -1;
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char*, PackageWriter> seeds[] = {
        {"minimal", minimal()}, {"wav", wav()},           {"adpcm", adpcm()},
        {"ogg", ogg()},         {"external", external()}, {"rich", rich()},
    };
    for (const auto& [name, w] : seeds) {
        std::string error;
        // External resources stay out of the corpus directory: only the package is a seed.
        std::vector<uint8_t> bytes = w.build();
        std::string path = dir + "/" + name + ".mxp4";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}
