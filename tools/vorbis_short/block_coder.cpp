// Block coding: the floor carries the quantiser step, the residue the spectrum in steps.
#include "block_coder.h"

#include "headers.h"

#include <algorithm>
#include <cmath>

namespace vshort {

namespace {

// Quantiser step below which nothing is gained: noise under the 16-bit output's own rounding.
constexpr double kMinStep = 1.0 / 32768 / 8;
// Largest |left| or |right| value: coupling may double it into the angle channel.
constexpr int kMaxChannelValue = Residue::kMaxValue / 2;
// How far the step follows the spectral envelope (0 = white noise, 1 = constant per-band SNR).
// A little shaping keeps weak high bands from vanishing under the noise of strong low ones.
constexpr double kShaping = 0.15;
// Bisection of the shaped step's gain: +-6 nepers (+-52 dB) around the flat step, to ~0.01 dB.
constexpr double kGainSearchRange = 6.0;
constexpr int kGainSearchSteps = 24;
// Posts within this many floor steps (2.2 dB each) of the line through their neighbours stay
// on it, which costs almost nothing to send.
constexpr int kPostSlack = 1;
// Values just over half a step round to zero: small loss in accuracy, larger saving in bits.
constexpr double kZeroThreshold = 0.6;

int quantiseValue(double v) {
    const double a = std::fabs(v);
    if (a < kZeroThreshold) return 0;
    const int m = static_cast<int>(std::min(a + 0.5, static_cast<double>(kMaxChannelValue)));
    return v < 0 ? -m : m;
}

} // namespace

BlockCoder::BlockCoder(const int16_t* interleaved, size_t frames, const EncoderOptions& options)
    : pcm_(interleaved), frames_(frames), floorMaster_(Codebook::scalar(Floor1::kMasterEntries)),
      floorPosts_(Codebook::scalar(Floor1::kRange)) {
    setSnrDb(snrForQuality(options.quality));
    resetCounts();
}

double BlockCoder::snrForQuality(float quality) {
    const double q =
        std::isfinite(quality) ? std::clamp(static_cast<double>(quality), 0.0, 1.0) : 0.5;
    return 10.0 + 40.0 * q;
}

void BlockCoder::setSnrDb(double db) {
    snrFactor_ = std::pow(10.0, db / 10.0);
}

int64_t BlockCoder::blockCount() const {
    return static_cast<int64_t>((frames_ + kHalfBlock - 1) / kHalfBlock) + 1;
}

void BlockCoder::transform(int64_t t, float (&spectrum)[2][kHalfBlock]) const {
    const int64_t start = (t - 1) * kHalfBlock;
    for (int ch = 0; ch < 2; ++ch) {
        float in[kBlockSize];
        for (int i = 0; i < kBlockSize; ++i) {
            const int64_t s = start + i;
            in[i] = s >= 0 && s < static_cast<int64_t>(frames_)
                        ? pcm_[static_cast<size_t>(s) * 2 + static_cast<size_t>(ch)] / 32768.0f
                        : 0.0f;
        }
        mdct_.forward(in, spectrum[ch]);
    }
}

void BlockCoder::chooseFloor(const float* spectrum, double step, int* vals, int* curve) const {
    // The step follows the band levels around the posts by kShaping on the log scale. Its gain
    // makes the block's expected noise that of the flat step (step^2 / 12 per coded bin, the
    // whole value for bins under half a step), so the shaping moves noise but does not add any.
    const int posts = floor_.posts();
    double logLevel[Floor1::kMaxPosts];
    double meanLog = 0;
    for (int p = 0; p < posts; ++p) {
        const int width = floor_.bandEnd(p) - floor_.bandStart(p);
        double e = 0;
        for (int i = floor_.bandStart(p); i < floor_.bandEnd(p); ++i)
            e += static_cast<double>(spectrum[i]) * spectrum[i];
        logLevel[p] = 0.5 * std::log(std::max(e / std::max(width, 1), step * step * 1e-6));
        meanLog += logLevel[p] * width / kHalfBlock;
    }
    double shape[Floor1::kMaxPosts];
    for (int p = 0; p < posts; ++p) shape[p] = std::exp(kShaping * (logLevel[p] - meanLog));
    double shape2[kHalfBlock], value2[kHalfBlock];
    double wanted = 0;
    for (int p = 0; p < posts; ++p)
        for (int i = floor_.bandStart(p); i < floor_.bandEnd(p); ++i) {
            shape2[i] = shape[p] * shape[p] / 12.0;
            value2[i] = static_cast<double>(spectrum[i]) * spectrum[i];
            wanted += std::min(step * step / 12.0, value2[i]);
        }
    auto noise = [&](double logGain) {
        const double g2 = std::exp(2 * logGain);
        double n = 0;
        for (int i = 0; i < kHalfBlock; ++i) n += std::min(g2 * shape2[i], value2[i]);
        return n;
    };
    double lo = std::log(step) - kGainSearchRange, hi = std::log(step) + kGainSearchRange;
    for (int it = 0; it < kGainSearchSteps; ++it) {
        const double mid = 0.5 * (lo + hi);
        (noise(mid) > wanted ? hi : lo) = mid;
    }
    const double gain = std::exp(lo);

    int target[Floor1::kMaxPosts];
    for (int p = 0; p < posts; ++p)
        target[p] = Floor1::postForLevel(std::max(gain * shape[p], kMinStep));
    // The posts' rounding and the curve between them may leave a bin with too fine a step for
    // the residue's range: lift the whole floor until every value fits.
    for (;;) {
        int finalY[Floor1::kMaxPosts];
        floor_.encodePosts(target, kPostSlack, vals, finalY);
        floor_.render(vals, curve);
        bool fits = true;
        for (int i = 0; i < kHalfBlock && fits; ++i)
            fits = std::fabs(spectrum[i]) / Floor1::level(curve[i]) < kMaxChannelValue;
        if (fits) return;
        bool raised = false;
        for (int p = 0; p < posts; ++p)
            if (target[p] < Floor1::kRange - 1) {
                ++target[p];
                raised = true;
            }
        if (!raised) return; // the top of the floor; values saturate
    }
}

void BlockCoder::quantise(int64_t t, QuantisedBlock& q) const {
    q = QuantisedBlock{};
    float spectrum[2][kHalfBlock];
    transform(t, spectrum);
    double energy = 0, peak = 0;
    for (const auto& channel : spectrum)
        for (float v : channel) {
            energy += static_cast<double>(v) * v;
            peak = std::max(peak, static_cast<double>(std::fabs(v)));
        }
    if (peak == 0) return;

    // Uniform quantisation noise (step^2 / 12 per coefficient) at the wanted ratio below the
    // block's energy; never finer than the output can show, never so fine that a value leaves
    // the residue's range.
    double step = std::sqrt(12.0 * energy / (2.0 * kHalfBlock * snrFactor_));
    step = std::max({step, kMinStep, peak / (kMaxChannelValue - 1)});

    int r[2][kHalfBlock];
    for (int ch = 0; ch < 2; ++ch) {
        int curve[kHalfBlock];
        chooseFloor(spectrum[ch], step, q.vals[ch], curve);
        for (int i = 0; i < kHalfBlock; ++i) {
            r[ch][i] = quantiseValue(spectrum[ch][i] / Floor1::level(curve[i]));
            if (r[ch][i] != 0) q.nonzero[ch] = true;
        }
    }
    if (!q.nonzero[0] && !q.nonzero[1]) return;

    // Square polar coupling, lossless on the integers: magnitude = the larger channel.
    for (int i = 0; i < kHalfBlock; ++i) {
        const int left = r[0][i], right = r[1][i];
        int mag, ang;
        if (std::abs(left) > std::abs(right)) {
            mag = left;
            ang = left > 0 ? left - right : right - left;
        } else {
            mag = right;
            ang = right > 0 ? left - right : right - left;
        }
        q.residue[2 * i] = static_cast<int16_t>(mag);
        q.residue[2 * i + 1] = static_cast<int16_t>(ang);
    }
    residue_.classify(q.residue, q.classes);
}

void BlockCoder::resetCounts() {
    masterCounts_.assign(static_cast<size_t>(Floor1::kMasterEntries), 0);
    postCounts_.assign(static_cast<size_t>(Floor1::kRange), 0);
    residue_.resetCounts();
    rawBits_ = 0;
    packets_ = 0;
}

void BlockCoder::count(const QuantisedBlock& q) {
    ++packets_;
    rawBits_ += 3; // packet type, two floor flags
    for (int ch = 0; ch < 2; ++ch)
        if (q.nonzero[ch]) {
            rawBits_ += 2 * ilog(Floor1::kRange - 1);
            floor_.count(q.vals[ch], masterCounts_, postCounts_);
        }
    if (q.nonzero[0] || q.nonzero[1]) residue_.count(q.residue, q.classes);
}

void BlockCoder::fitBooks() {
    floorMaster_.fitLengths(masterCounts_);
    floorPosts_.fitLengths(postCounts_);
    residue_.fitBooks();
}

uint64_t BlockCoder::estimatedBytes() const {
    const uint64_t bits = rawBits_ + floorMaster_.bits(masterCounts_) +
                          floorPosts_.bits(postCounts_) + residue_.bits();
    // Packets end on a byte (half a byte lost on average); Ogg adds about one lacing byte per
    // short packet and a 27-byte header per page of some 4 KiB.
    const uint64_t bytes = (bits + 4 * packets_) / 8 + packets_;
    return bytes + bytes / 4096 * 28;
}

std::vector<uint8_t> BlockCoder::packet(const QuantisedBlock& q) const {
    BitWriter w;
    w.write(0, 1); // audio packet; the single mode needs no mode bits
    for (int ch = 0; ch < 2; ++ch) {
        w.write(q.nonzero[ch] ? 1 : 0, 1);
        if (q.nonzero[ch]) floor_.writePacket(w, q.vals[ch], floorMaster_, floorPosts_);
    }
    if (q.nonzero[0] || q.nonzero[1]) residue_.writePacket(w, q.residue, q.classes);
    return w.bytes();
}

std::vector<uint8_t> BlockCoder::setupHeader() const {
    return vshort::setupHeader(floor_, floorMaster_, floorPosts_, residue_);
}

} // namespace vshort
