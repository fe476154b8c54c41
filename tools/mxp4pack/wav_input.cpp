// WAV input of the package builder.
#include "wav_input.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace mxpack {
namespace {

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace

bool parseWav(const std::vector<uint8_t>& bytes, WavAudio& out, std::string& error) {
    const size_t n = bytes.size();
    if (n < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    bool haveFormat = false;
    int channels = 0, rate = 0;
    size_t pos = 12;
    while (pos + 8 <= n) {
        const uint8_t* head = bytes.data() + pos;
        const uint64_t size = le32(head + 4);
        const size_t body = pos + 8;
        const size_t avail = n - body;
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16 || size > avail) {
                error = "truncated \"fmt \" chunk";
                return false;
            }
            const uint8_t* f = bytes.data() + body;
            uint16_t format = le16(f);
            if (format == 0xFFFE && size >= 26) format = le16(f + 24); // extensible: sub-format
            channels = le16(f + 2);
            rate = static_cast<int>(le32(f + 4));
            const int bits = le16(f + 14);
            if (format != 1 || bits != 16) {
                error = "only 16-bit PCM WAV is accepted (format " + std::to_string(format) + ", " +
                        std::to_string(bits) + " bits)";
                return false;
            }
            if (channels != 1 && channels != 2) {
                error = "only mono or stereo WAV is accepted (" + std::to_string(channels) +
                        " channels)";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFormat) {
                error = "\"data\" comes before \"fmt \"";
                return false;
            }
            // A writer that streamed the file may leave the size too large: take what is there.
            const size_t take = size_t(std::min<uint64_t>(size, avail));
            const size_t frameBytes = size_t(channels) * 2;
            const size_t count = (take / frameBytes) * size_t(channels);
            out.channels = channels;
            out.sampleRate = rate;
            out.samples.resize(count);
            for (size_t i = 0; i < count; ++i)
                out.samples[i] = static_cast<int16_t>(le16(bytes.data() + body + 2 * i));
            return true;
        }
        pos = body + size + (size & 1); // chunks are padded to even sizes
        if (pos < body) break;          // size overflowed
    }
    error = haveFormat ? "no \"data\" chunk" : "no \"fmt \" chunk";
    return false;
}

bool readWav(const std::string& path, WavAudio& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    if (!parseWav(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<int16_t> toStereo(const WavAudio& audio) {
    if (audio.channels == 2) return audio.samples;
    std::vector<int16_t> out(audio.samples.size() * 2);
    for (size_t i = 0; i < audio.samples.size(); ++i)
        out[2 * i] = out[2 * i + 1] = audio.samples[i];
    return out;
}

} // namespace mxpack
