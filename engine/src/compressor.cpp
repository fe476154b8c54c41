// Dynamic-range compressor of the mix output: level detection per 128-frame block, an
// attack/release envelope in 1/256 dB and a Q15 gain ramped across the block.
#include "compressor.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fixed.h"
#include "tables.h"

namespace mx {
namespace {

// Truncating float-to-int conversion that saturates instead of invoking undefined behaviour
// on out-of-range or NaN values from a hostile header.
int32_t truncSat(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

double clampd(double v, double lo, double hi) {
    if (std::isnan(v)) return lo;
    return v < lo ? lo : (v > hi ? hi : v);
}

// Level of an RMS sum b in 1/256 dB.
int32_t rmsLevel(int64_t b) {
    if (b < 65536) return kLevelTable[b / 128] / 2 - 10788;
    if (b < 4194304) return kLevelTable[b / 8192] / 2 - 6165;
    return kLevelTable[511] / 2 - 6165;
}

// Level of a peak or mean amplitude b (16-bit scale) in 1/256 dB.
int32_t amplitudeLevel(int64_t b) {
    if (b > 32767) b = 32767;
    if (b < 512) return kLevelTable[b] - 23119;
    return kLevelTable[b / 64] - 13871;
}

// Envelope update and target gain from a block level; returns the Q15 target.
int32_t updateEnvelope(CompressorContext* c, int32_t level) {
    int32_t over = level > c->threshold ? level - c->threshold : 0;
    if (over > c->envelope) {
        int64_t d = static_cast<int64_t>(c->envelope - c->previousOver) * c->attack1 -
                    static_cast<int64_t>(over - c->previousOver) * c->attack2;
        c->envelope = sat32(over + fromQ15(d));
    } else {
        c->envelope = sat32(mulQ15Wide(c->envelope, c->release));
    }
    c->previousOver = over;
    // The envelope can exceed the 128 dB the tables cover (a level over a very low threshold);
    // clamp the lookup rather than read past the coarse table.
    int32_t e = clampi(c->envelope, 0, 128 * 256 - 1);
    int64_t g = mulQ15Wide(c->fine[e & 255], c->coarse[e >> 8]);
    g = mulGain256Wide(g, c->makeup);
    if (g > c->ceiling) g = c->ceiling;
    return sat32(g);
}

bool fitsQ16(int64_t g) {
    return g > -65536 && g < 65536;
}

} // namespace

void compressorInit(CompressorContext* c, float thresholdDb, float ratioSlope, float attackS,
                    float releaseS, int32_t sampleRate, float makeupDb, float ceiling,
                    int32_t modeFlags) {
    c->mode = modeFlags;
    if (thresholdDb < -128.0f)
        c->threshold = -32768;
    else if (thresholdDb >= 0.0f)
        c->threshold = 0;
    else
        c->threshold = static_cast<int32_t>(static_cast<double>(thresholdDb) * 256.0);

    double s;
    if (ratioSlope < 0.0f)
        s = -1.0;
    else if (ratioSlope > 1.0f)
        s = 0.0;
    else
        s = static_cast<double>(ratioSlope) - 1.0; // NaN falls through to here
    if (std::isnan(s)) s = 0.0;
    double attack = clampd(attackS, 0.0001, 10.0);
    double release = clampd(releaseS, 0.0001, 10.0);
    double makeup = clampd(makeupDb, -144.0, 100.0);

    c->coarse[0] = 32768;
    c->fine[0] = 32768;
    for (int k = 1; k < 128; ++k)
        c->coarse[k] = static_cast<uint16_t>(truncSat(32768.0 * std::pow(10.0, k * s / 20.0)));
    for (int j = 1; j < 256; ++j)
        c->fine[j] = static_cast<uint16_t>(truncSat(32768.0 * std::pow(10.0, j * s / 5120.0)));

    double rate = static_cast<double>(sampleRate);
    double u =
        static_cast<double>(sampleRate / 128); // NOLINT(bugprone-integer-division): whole blocks
    double t = std::pow(10.0, -2.0 / (rate * attack));
    double v = std::pow(10.0, -2.0 / (u * attack));
    c->attack1 = truncSat(v * 32768.0);
    c->attack2 = truncSat(((1.0 - v) * t / (1.0 - t)) / 128.0 * 32768.0);
    c->release = truncSat(std::pow(10.0, -2.0 / (u * release)) * 32768.0);

    c->makeup = truncSat(std::pow(10.0, makeup / 20.0) * 256.0);
    c->ceiling = truncSat(static_cast<double>(ceiling) * 32768.0);
    c->gain = 32767;
    c->envelope = 0;
    c->previousOver = 0;
}

void compressorDisable(CompressorContext* c) {
    c->mode = 0;
}

int32_t compressorActive(const CompressorContext* c) {
    return c->mode;
}

void compressorProcess(CompressorContext* c, int16_t* out, const int32_t* acc) {
    int32_t level;
    if (c->mode & 8) {
        int64_t b = 0;
        for (ptrdiff_t f = 0; f < 128; ++f) {
            int64_t l = acc[2 * f] >> 11;
            int64_t r = acc[2 * f + 1] >> 11;
            int64_t m = l * l > r * r ? l * l : r * r;
            b += m >> 10;
        }
        level = rmsLevel(b);
    } else if (c->mode & 2) {
        int64_t peak = 0;
        for (int i = 0; i < 256; ++i) {
            int64_t a = abs64(acc[i]);
            if (a > peak) peak = a;
        }
        level = amplitudeLevel(peak >> 8);
    } else {
        int64_t sum = 0;
        for (ptrdiff_t f = 0; f < 128; ++f) {
            int64_t l = abs64(acc[2 * f] >> 8);
            int64_t r = abs64(acc[2 * f + 1] >> 8);
            sum += l > r ? l : r;
        }
        level = amplitudeLevel(sum >> 7);
    }

    int32_t target = updateEnvelope(c, level);
    int64_t g = c->gain;
    int64_t step = (static_cast<int64_t>(target) - c->gain) / 256;
    if (fitsQ16(g) && fitsQ16(target)) {
        // The ramp stays between the two ends, so every gain of the block fits too.
        int32_t g32 = static_cast<int32_t>(g);
        const int32_t step32 = static_cast<int32_t>(step);
        for (int i = 0; i < 256; ++i) {
            out[i] = static_cast<int16_t>(gainQ15ToSample8(g32, acc[i]));
            g32 += step32;
        }
    } else {
        for (int i = 0; i < 256; ++i) {
            out[i] = static_cast<int16_t>(gainQ15ToSample(g, acc[i], 8));
            g += step;
        }
    }
    c->gain = target;
}

void compressorProcessFreq(CompressorContext* c, int16_t* out, const int32_t* left,
                           const int32_t* right) {
    int64_t vl[128];
    int64_t vr[128];
    for (ptrdiff_t f = 0; f < 128; ++f) {
        vl[f] = static_cast<int64_t>(left[f]) + left[128 + f];
        vr[f] = static_cast<int64_t>(right[f]) + right[128 + f];
    }

    int32_t level;
    if (c->mode & 8) {
        int64_t b = 0;
        for (ptrdiff_t f = 0; f < 128; ++f) {
            int64_t l = toSample16(vl[f], 12);
            int64_t r = toSample16(vr[f], 12);
            int64_t m = l * l > r * r ? l * l : r * r;
            b += m >> 10;
        }
        level = rmsLevel(b);
    } else {
        int64_t peak = 0;
        int64_t sum = 0;
        for (ptrdiff_t f = 0; f < 128; ++f) {
            int64_t l = abs64(vl[f] >> 9);
            int64_t r = abs64(vr[f] >> 9);
            int64_t m = l > r ? l : r;
            if (m > peak) peak = m;
            sum += m;
        }
        level = amplitudeLevel((c->mode & 2) ? peak : (sum >> 7));
    }

    int32_t target = updateEnvelope(c, level);
    int64_t g = c->gain;
    int64_t step = (static_cast<int64_t>(target) - c->gain) / 128;
    for (ptrdiff_t f = 0; f < 128; ++f) {
        out[2 * f] = static_cast<int16_t>(gainQ15ToSample(g, vl[f], 9));
        out[2 * f + 1] = static_cast<int16_t>(gainQ15ToSample(g, vr[f], 9));
        g += step;
    }
    c->gain = target;
}

} // namespace mx
