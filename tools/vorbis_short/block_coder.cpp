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

} // namespace

BlockCoder::BlockCoder(const int16_t* interleaved, size_t frames, const EncoderOptions& options)
    : pcm_(interleaved), frames_(frames), floorMaster_(Codebook::scalar(Floor1::kMasterEntries)),
      floorPosts_(Codebook::scalar(Floor1::kRange)),
      masterCounts_(static_cast<size_t>(Floor1::kMasterEntries), 0),
      postCounts_(static_cast<size_t>(Floor1::kRange), 0) {
    const double q = std::clamp(static_cast<double>(options.quality), 0.0, 1.0);
    const double snrDb = 10.0 + 40.0 * q;
    snrFactor_ = std::pow(10.0, snrDb / 10.0);
}

int64_t BlockCoder::blockCount() const {
    return static_cast<int64_t>((frames_ + kHalfBlock - 1) / kHalfBlock) + 1;
}

void BlockCoder::quantise(int64_t t, QuantisedBlock& q) const {
    q = QuantisedBlock{};
    float spectrum[2][kHalfBlock];
    double energy = 0, peak = 0;
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
        for (float v : spectrum[ch]) {
            energy += static_cast<double>(v) * v;
            peak = std::max(peak, static_cast<double>(std::fabs(v)));
        }
    }
    if (peak == 0) return;

    // Uniform quantisation noise (step^2 / 12 per coefficient) at the wanted ratio below the
    // block's energy, never finer than the output can show, never so coarse... or so fine that
    // a value leaves the cascade's range.
    double step = std::sqrt(12.0 * energy / (2.0 * kHalfBlock * snrFactor_));
    step = std::max({step, kMinStep, peak / (kMaxChannelValue - 1)});

    int target[Floor1::kMaxPosts];
    std::fill(target, target + floor_.posts(), Floor1::postForLevel(step));
    int finalY[Floor1::kMaxPosts];
    floor_.encodePosts(target, 0, q.vals[0], finalY);
    std::copy(q.vals[0], q.vals[0] + floor_.posts(), q.vals[1]);
    int curve[kHalfBlock];
    floor_.render(q.vals[0], curve);

    int r[2][kHalfBlock];
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < kHalfBlock; ++i) {
            const double v = spectrum[ch][i] / Floor1::level(curve[i]);
            r[ch][i] =
                std::clamp(static_cast<int>(std::lround(v)), -kMaxChannelValue, kMaxChannelValue);
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

void BlockCoder::count(const QuantisedBlock& q) {
    for (int ch = 0; ch < 2; ++ch)
        if (q.nonzero[ch]) floor_.count(q.vals[ch], masterCounts_, postCounts_);
    if (q.nonzero[0] || q.nonzero[1]) residue_.count(q.residue, q.classes);
}

void BlockCoder::fitBooks() {
    floorMaster_.fitLengths(masterCounts_);
    floorPosts_.fitLengths(postCounts_);
    residue_.fitBooks();
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
