// Pictures through stb_image_write, previews through the demo synthesizer and libvorbisenc.
#include "media_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <stb_image_write.h>
#include <vorbis/vorbisenc.h>

#include "demo_synth/songs.h"
#include "video_clips.h"

namespace mkcontent {
namespace fs = std::filesystem;
namespace {

struct Rgb {
    float r, g, b;
};

Rgb hue(float h, float s, float v) {
    h = std::fmod(h, 1.f) * 6.f;
    int i = static_cast<int>(h);
    float f = h - static_cast<float>(i), p = v * (1 - s), q = v * (1 - s * f),
          t = v * (1 - s * (1 - f));
    switch (i % 6) {
    case 0:
        return {v, t, p};
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    default:
        return {v, p, q};
    }
}

unsigned step(unsigned& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

float unit(unsigned& s) {
    return static_cast<float>(step(s) % 10000) / 10000.f;
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    auto* p = static_cast<unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}

// Owns the libvorbis encoder state.
struct VorbisEncoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool ready = false;

    VorbisEncoder(int rate, float quality, int serial) {
        vorbis_info_init(&info);
        if (vorbis_encode_init_vbr(&info, 2, rate, quality) != 0) return;
        vorbis_comment_init(&comment);
        vorbis_comment_add_tag(&comment, "ARTIST", "Zephrun");
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, serial);
        ready = true;
    }
    ~VorbisEncoder() {
        if (ready) {
            ogg_stream_clear(&stream);
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
            vorbis_comment_clear(&comment);
        }
        vorbis_info_clear(&info);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    void pages(std::vector<unsigned char>& out, bool flush) {
        ogg_page page;
        while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    }

    void drain(std::vector<unsigned char>& out) {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                pages(out, false);
            }
        }
    }
};

std::vector<unsigned char> encodeVorbis(const dsynth::Stereo& audio, int serial) {
    std::vector<unsigned char> out;
    VorbisEncoder enc(dsynth::kRate, 0.3f, serial);
    if (!enc.ready) return out;
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&enc.dsp, &enc.comment, &header, &comments, &codebooks);
    ogg_stream_packetin(&enc.stream, &header);
    ogg_stream_packetin(&enc.stream, &comments);
    ogg_stream_packetin(&enc.stream, &codebooks);
    enc.pages(out, true);
    constexpr size_t kChunk = 4096;
    for (size_t at = 0; at < audio.frames(); at += kChunk) {
        size_t n = std::min(kChunk, audio.frames() - at);
        float** buffer = vorbis_analysis_buffer(&enc.dsp, static_cast<int>(n));
        std::copy_n(audio.left.begin() + static_cast<long>(at), n, buffer[0]);
        std::copy_n(audio.right.begin() + static_cast<long>(at), n, buffer[1]);
        vorbis_analysis_wrote(&enc.dsp, static_cast<int>(n));
        enc.drain(out);
    }
    vorbis_analysis_wrote(&enc.dsp, 0);
    enc.drain(out);
    enc.pages(out, true);
    return out;
}

const char* const kLayers[] = {"drums", "bass", "keys", "lead", "pad"};

bool writeFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

fs::path underMedia(const std::string& dir, const std::string& mediaPath) {
    const std::string prefix = "media/";
    return fs::path(dir) /
           (mediaPath.rfind(prefix, 0) == 0 ? mediaPath.substr(prefix.size()) : mediaPath);
}

} // namespace

std::vector<unsigned char> drawPicture(const Picture& p) {
    unsigned s = p.seed * 2654435761u + 12345u;
    if (s == 0) s = 1;
    const int w = p.width, h = p.height;
    float base = unit(s);
    Rgb top = hue(base, 0.55f, 0.95f), bottom = hue(base + 0.35f, 0.7f, 0.35f);
    struct Disc {
        float x, y, r;
        Rgb c;
    };
    std::vector<Disc> discs;
    discs.reserve(5);
    for (int i = 0; i < 5; ++i)
        discs.push_back({unit(s) * w, unit(s) * h, (0.08f + 0.2f * unit(s)) * std::min(w, h),
                         hue(base + 0.5f + 0.3f * unit(s), 0.6f, 0.9f)});
    float horizon = (0.55f + 0.2f * unit(s)) * h;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float t = (static_cast<float>(y) + 0.3f * x) / (h + 0.3f * w);
            Rgb c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                  top.b + (bottom.b - top.b) * t};
            for (const Disc& d : discs) {
                float dx = x - d.x, dy = y - d.y;
                if (dx * dx + dy * dy < d.r * d.r)
                    c = {(c.r + d.c.r) / 2, (c.g + d.c.g) / 2, (c.b + d.c.b) / 2};
            }
            if (y > horizon) c = {c.r * 0.6f, c.g * 0.6f, c.b * 0.7f};
            unsigned char* px = &pixels[(static_cast<size_t>(y) * w + x) * 3];
            px[0] = static_cast<unsigned char>(std::clamp(c.r, 0.f, 1.f) * 255.f);
            px[1] = static_cast<unsigned char>(std::clamp(c.g, 0.f, 1.f) * 255.f);
            px[2] = static_cast<unsigned char>(std::clamp(c.b, 0.f, 1.f) * 255.f);
        }
    }
    std::vector<unsigned char> jpeg;
    if (!stbi_write_jpg_to_func(appendBytes, &jpeg, w, h, 3, pixels.data(), 85)) jpeg.clear();
    return jpeg;
}

std::vector<unsigned char> renderPreview(const Preview& p, StemCache& stems) {
    dsynth::Stereo mix(dsynth::kStemFrames);
    bool any = false;
    for (unsigned layer = 0; layer < 5; ++layer) {
        if (!(p.layers & (1u << layer))) continue;
        std::string name = "mxt_" + p.style + "_" + kLayers[layer];
        auto it = stems.find(name);
        if (it == stems.end()) {
            dsynth::Stereo stem;
            if (!dsynth::renderStem(name, stem)) return {};
            it = stems.emplace(name, std::move(stem)).first;
        }
        mix.add(it->second, 0, 0.8f);
        any = true;
    }
    if (!any) return {};
    // Two turns of the loop; the first turn's tail rings into the second.
    const size_t loop = dsynth::kLoopFrames;
    dsynth::Stereo audio(2 * loop + dsynth::kTailFrames);
    for (size_t i = 0; i < loop + dsynth::kTailFrames && i < mix.frames(); ++i) {
        for (size_t turn = 0; turn < 2; ++turn) {
            size_t at = turn * loop + i;
            audio.left[at] += mix.left[i];
            audio.right[at] += mix.right[i];
        }
    }
    float peak = audio.peak();
    if (peak > 0.f) audio.scale(0.9f / peak);
    dsynth::fadeEdges(audio, 441, 4410);
    // The stream serial from the path (FNV-1a), the same on every platform.
    uint32_t serial = 2166136261u;
    for (char c : p.path) serial = (serial ^ static_cast<unsigned char>(c)) * 16777619u;
    return encodeVorbis(audio, static_cast<int>(serial & 0x7fffffff));
}

bool writeMedia(const DemoContent& c, const std::string& dir, std::string* error) {
    for (const Picture& p : c.pictures) {
        fs::path path = underMedia(dir, p.path);
        auto bytes = drawPicture(p);
        if (bytes.empty() || !writeFile(path, bytes)) {
            if (error) *error = path.string();
            return false;
        }
    }
    for (const Video& v : c.videos) {
        fs::path path = underMedia(dir, v.clip);
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (!writeClip(v.seed, path.string(), error)) return false;
    }
    StemCache stems;
    for (const Preview& p : c.previews) {
        fs::path path = underMedia(dir, p.path);
        auto bytes = renderPreview(p, stems);
        if (bytes.empty() || !writeFile(path, bytes)) {
            if (error) *error = path.string();
            return false;
        }
    }
    return true;
}

} // namespace mkcontent
