// Short-block Ogg Vorbis encoder: two passes over the blocks, the first to fit the code
// lengths of every book to this stream, the second to write the packets.
#include "encoder.h"

#include "block_coder.h"
#include "headers.h"
#include "ogg_pages.h"

#include <algorithm>

namespace vshort {

namespace {
constexpr int kMaxRateAttempts = 6;
constexpr double kRateCloseEnough = 0.97; // search stops within 3 % under the ceiling
constexpr double kFallbackDb = 20;        // when no pass fitted: far below the last one
constexpr double kSmallHeaders = 128;     // identification and comment headers, their pages
constexpr double kRateMargin = 0.99;      // headroom for the estimate's rounding
constexpr double kRateSharePerDb = 0.04;  // typical relative rate change per dB of SNR
} // namespace

std::vector<uint8_t> encodeStereo(const int16_t* interleaved, size_t frames,
                                  const EncoderOptions& options) {
    if (options.sampleRate <= 0 || (frames > 0 && interleaved == nullptr)) return {};
    BlockCoder coder(interleaved, frames, options);
    const int64_t blocks = coder.blockCount();
    const double seconds = static_cast<double>(frames) / options.sampleRate;
    QuantisedBlock q;

    // Counting pass at the wanted accuracy. Above the ceiling, the SNR target is searched:
    // the rate is nearly linear in it over a few dB, so secant steps inside the bracket of the
    // best target found to fit and the lowest found not to converge in a few passes. The last
    // pass must be the one kept: its counts shaped the books.
    auto countPass = [&](double snrDb) {
        coder.setSnrDb(snrDb);
        coder.resetCounts();
        for (int64_t t = 0; t < blocks; ++t) {
            coder.quantise(t, q);
            coder.count(q);
        }
        coder.fitBooks();
        return seconds > 0 ? static_cast<double>(coder.estimatedBytes()) * 8.0 / seconds : 0.0;
    };
    const double target = options.maxBitrate * kRateMargin;
    double snr = BlockCoder::snrForQuality(options.quality);
    double rate = countPass(snr);
    if (options.maxBitrate > 0 && rate > target) {
        double overSnr = snr, overRate = rate; // lowest target found too expensive
        double fitSnr = 0, fitRate = 0;        // highest target found to fit
        bool haveFit = false;
        for (int attempt = 0; attempt < kMaxRateAttempts; ++attempt) {
            if (haveFit) {
                // Aim inside the accepted window; stay clear of the bracket's ends so that it
                // shrinks even where the rate curve bends.
                const double aim = target * (1 + kRateCloseEnough) / 2;
                const double width = overSnr - fitSnr;
                snr = fitSnr + width * (aim - fitRate) / (overRate - fitRate);
                snr = std::clamp(snr, fitSnr + 0.1 * width, overSnr - 0.1 * width);
            } else {
                snr = overSnr - std::max(0.5, (overRate - target) / (overRate * kRateSharePerDb));
            }
            rate = countPass(snr);
            if (rate > target) {
                overSnr = snr;
                overRate = rate;
            } else {
                haveFit = true;
                fitSnr = snr;
                fitRate = rate;
                if (rate >= target * kRateCloseEnough) break;
            }
            if (haveFit && overSnr - fitSnr < 0.2) break;
        }
        if (rate > target) countPass(haveFit ? fitSnr : snr - kFallbackDb);
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
