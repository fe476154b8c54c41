// Short-block Ogg Vorbis encoder: two passes over the blocks, the first to fit the code
// lengths of every book to this stream, the second to write the packets.
#include "encoder.h"

#include "block_coder.h"
#include "headers.h"
#include "ogg_pages.h"

#include <algorithm>

namespace vshort {

namespace {
constexpr int kMaxRateAttempts = 8;
constexpr double kSmallHeaders = 128;    // identification and comment headers, their pages
constexpr double kRateMargin = 0.99;     // headroom for the estimate's rounding
constexpr double kRateSharePerDb = 0.04; // typical relative rate change per dB of SNR
} // namespace

std::vector<uint8_t> encodeStereo(const int16_t* interleaved, size_t frames,
                                  const EncoderOptions& options) {
    if (options.sampleRate <= 0 || (frames > 0 && interleaved == nullptr)) return {};
    BlockCoder coder(interleaved, frames, options);
    const int64_t blocks = coder.blockCount();
    const double seconds = static_cast<double>(frames) / options.sampleRate;
    QuantisedBlock q;

    // Counting pass; repeated at a lower accuracy while the stream would exceed the ceiling.
    // The rate is nearly linear in the SNR target over a few dB, so a secant step finds it.
    double snr = BlockCoder::snrForQuality(options.quality);
    double lastSnr = 0, lastRate = 0;
    for (int attempt = 0;; ++attempt) {
        coder.setSnrDb(snr);
        coder.resetCounts();
        for (int64_t t = 0; t < blocks; ++t) {
            coder.quantise(t, q);
            coder.count(q);
        }
        coder.fitBooks();
        if (options.maxBitrate <= 0 || seconds <= 0 || attempt == kMaxRateAttempts) break;
        const double rate = static_cast<double>(coder.estimatedBytes()) * 8.0 / seconds;
        const double target = options.maxBitrate * kRateMargin;
        if (rate <= target) break;
        double slope = rate * kRateSharePerDb; // first guess, in bits per second per dB
        if (attempt > 0 && lastRate > rate && lastSnr > snr)
            slope = (lastRate - rate) / (lastSnr - snr);
        lastSnr = snr;
        lastRate = rate;
        snr -= std::max(0.25, (rate - target) / slope);
    }

    std::vector<std::vector<uint8_t>> packets;
    packets.reserve(static_cast<size_t>(blocks));
    uint64_t audioBytes = 0;
    for (int64_t t = 0; t < blocks; ++t) {
        coder.quantise(t, q);
        packets.push_back(coder.packet(q));
        audioBytes += packets.back().size();
    }
    const double average = seconds > 0 ? static_cast<double>(audioBytes) * 8 / seconds : 0;
    const int nominal = static_cast<int>(std::min(average, 2.0e9));

    OggPages ogg(options.serial);
    ogg.headers(identificationHeader(options.sampleRate, nominal), commentHeader(),
                coder.setupHeader());
    for (int64_t t = 0; t < blocks; ++t) {
        const bool last = t == blocks - 1;
        // Block t completes the output up to the centre of block t; the last granule is the
        // exact input length, which makes decoders drop the padding of the final block.
        const int64_t granule = last ? static_cast<int64_t>(frames) : t * kHalfBlock;
        ogg.audio(packets[static_cast<size_t>(t)], granule, last);
    }
    return ogg.take();
}

} // namespace vshort
