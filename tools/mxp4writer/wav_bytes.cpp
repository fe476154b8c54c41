// RIFF/WAVE writer for 16-bit PCM.
#include "wav_bytes.h"

#include <string>

namespace mxp4w {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void tag(std::vector<uint8_t>& out, const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
}

} // namespace

std::vector<uint8_t> wavBytes(const std::vector<int16_t>& samples, int channels, int sampleRate,
                              uint32_t padBytes) {
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t padChunk = padBytes ? 8 + padBytes + (padBytes & 1) : 0;
    std::vector<uint8_t> out;
    out.reserve(44 + padChunk + dataBytes);
    tag(out, "RIFF");
    put32(out, 36 + padChunk + dataBytes);
    tag(out, "WAVE");
    tag(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, static_cast<uint16_t>(channels));
    put32(out, static_cast<uint32_t>(sampleRate));
    put32(out, static_cast<uint32_t>(sampleRate * channels * 2));
    put16(out, static_cast<uint16_t>(channels * 2));
    put16(out, 16);
    if (padBytes) {
        tag(out, "pad ");
        put32(out, padBytes);
        out.insert(out.end(), padBytes + (padBytes & 1), 0);
    }
    tag(out, "data");
    put32(out, dataBytes);
    for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
    return out;
}

} // namespace mxp4w
