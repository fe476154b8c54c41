// IMA ADPCM encoder and reference decoder for the "ADPs" layout.
#include "adpcm_encode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mxp4w {
namespace {

constexpr int32_t kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int32_t kIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Applies one 4-bit code to a channel state; returns the decoded sample.
int32_t step(AdpcmChannelState& s, int code) {
    const int m = code & 7;
    const int32_t stepSize = kSteps[s.stepIndex];
    s.stepIndex = std::clamp(s.stepIndex + kIndexStep[m], 0, 88);
    const int32_t diff = (stepSize * (2 * m + 1)) >> 3;
    int32_t p = (code & 8) ? s.predictor - diff : s.predictor + diff;
    if (p < -32768 || p > 32767) p = p <= 0 ? -32768 : 32767;
    s.predictor = p;
    return p;
}

int bestCode(const AdpcmChannelState& s, int32_t target) {
    int best = 0;
    int64_t bestErr = INT64_MAX;
    for (int code = 0; code < 16; ++code) {
        AdpcmChannelState t = s;
        int64_t err = std::llabs(static_cast<int64_t>(step(t, code)) - target);
        if (err < bestErr) {
            bestErr = err;
            best = code;
        }
    }
    return best;
}

void put16(std::vector<uint8_t>& out, int32_t v) {
    auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
}

int32_t get16(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}

} // namespace

std::vector<uint8_t> adpcmHeader(AdpcmChannelState left, AdpcmChannelState right) {
    std::vector<uint8_t> out = {'A', 'D', 'P', 's'};
    put16(out, left.predictor);
    put16(out, left.stepIndex);
    put16(out, right.predictor);
    put16(out, right.stepIndex);
    return out;
}

std::vector<uint8_t> adpcmEncode(const std::vector<int16_t>& stereo, int32_t startIndex) {
    const size_t frames = stereo.size() / 2;
    AdpcmChannelState st[2];
    for (int c = 0; c < 2; ++c) {
        st[c].predictor = frames ? stereo[c] : 0;
        st[c].stepIndex = std::clamp(startIndex, 0, 88);
    }
    std::vector<uint8_t> out = adpcmHeader(st[0], st[1]);
    out.reserve(out.size() + frames);
    for (size_t f = 0; f < frames; ++f) {
        int codes[2];
        for (int c = 0; c < 2; ++c) {
            codes[c] = bestCode(st[c], stereo[2 * f + c]);
            step(st[c], codes[c]);
        }
        out.push_back(static_cast<uint8_t>((codes[0] << 4) | codes[1]));
    }
    return out;
}

std::vector<int16_t> adpcmDecode(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "ADPs", 4) != 0) return {};
    AdpcmChannelState st[2];
    for (int c = 0; c < 2; ++c) {
        st[c].predictor = get16(&bytes[4 + 4 * c]);
        st[c].stepIndex = std::clamp(get16(&bytes[6 + 4 * c]), 0, 88);
    }
    std::vector<int16_t> out;
    out.reserve(2 * (bytes.size() - 12));
    for (size_t i = 12; i < bytes.size(); ++i) {
        out.push_back(static_cast<int16_t>(step(st[0], bytes[i] >> 4)));
        out.push_back(static_cast<int16_t>(step(st[1], bytes[i] & 15)));
    }
    return out;
}

} // namespace mxp4w
