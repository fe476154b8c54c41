// Ogg Vorbis test fixtures, encoded with libvorbisenc: each stream NAME.ogg comes with NAME.raw,
// the interleaved 16-bit little-endian PCM it was encoded from.
// Usage: gen_ogg OUTPUT_DIR
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Fixture {
    const char* name;
    int channels;
    long rate;
    float quality;
    int frames;
};

// Distinct tones per channel, so a swapped or duplicated channel shows in the comparison.
constexpr Fixture kFixtures[] = {
    {"stereo_44k", 2, 44100, 0.4f, 88200},
    {"stereo_44k_q10", 2, 44100, 1.0f, 22050}, // finest codebooks: the decoder's peak memory
    {"mono_44k", 1, 44100, 0.4f, 44100},
    {"mono_22k", 1, 22050, 0.4f, 22050},
    {"stereo_22k", 2, 22050, 0.4f, 22050},
    {"three_44k", 3, 44100, 0.4f, 11025},
};

std::vector<int16_t> signal(const Fixture& f) {
    std::vector<int16_t> pcm(static_cast<size_t>(f.frames) * f.channels);
    for (int i = 0; i < f.frames; ++i)
        for (int c = 0; c < f.channels; ++c) {
            double hz = 440.0 * (1.0 + 0.5 * c);
            double t = static_cast<double>(i) / f.rate;
            // A rising sweep over the tone keeps the encoder busy: several audio pages.
            double v =
                0.4 * std::sin(2 * M_PI * hz * t) + 0.2 * std::sin(2 * M_PI * (200 + 2000 * t) * t);
            pcm[static_cast<size_t>(i) * f.channels + c] =
                static_cast<int16_t>(std::lround(v * 32767));
        }
    return pcm;
}

bool writeFile(const std::string& path, const void* data, size_t bytes) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(data, 1, bytes, out) == bytes;
    return std::fclose(out) == 0 && ok;
}

bool encode(const Fixture& f, const std::vector<int16_t>& pcm, std::vector<uint8_t>& out) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, f.channels, f.rate, f.quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);

    auto put = [&out](const ogg_page& pg) {
        out.insert(out.end(), pg.header, pg.header + pg.header_len);
        out.insert(out.end(), pg.body, pg.body + pg.body_len);
    };
    ogg_packet h0, h1, h2;
    vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
    ogg_stream_packetin(&os, &h0);
    ogg_stream_packetin(&os, &h1);
    ogg_stream_packetin(&os, &h2);
    ogg_page pg;
    while (ogg_stream_flush(&os, &pg)) put(pg);

    constexpr int kChunk = 1024;
    for (int done = 0;;) {
        int n = f.frames - done < kChunk ? f.frames - done : kChunk;
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < f.channels; ++c)
                    buf[c][i] = pcm[static_cast<size_t>(done + i) * f.channels + c] / 32768.0f;
        }
        vorbis_analysis_wrote(&vd, n); // 0 marks the end of the stream
        done += n;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &pg)) put(pg);
            }
        }
        if (n == 0) break;
    }
    while (ogg_stream_flush(&os, &pg)) put(pg);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_ogg OUTPUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    for (const Fixture& f : kFixtures) {
        std::vector<int16_t> pcm = signal(f);
        std::vector<uint8_t> ogg;
        if (!encode(f, pcm, ogg) ||
            !writeFile(dir + "/" + f.name + ".raw", pcm.data(), pcm.size() * 2) ||
            !writeFile(dir + "/" + f.name + ".ogg", ogg.data(), ogg.size())) {
            std::fprintf(stderr, "gen_ogg: cannot write %s\n", f.name);
            return 1;
        }
    }
    return 0;
}
