// Short-block Ogg Vorbis encoder: two passes over the blocks, the first to fit the code
// lengths of every book to this stream, the second to write the packets.
#include "encoder.h"

#include "block_coder.h"
#include "headers.h"
#include "ogg_pages.h"

namespace vshort {

std::vector<uint8_t> encodeStereo(const int16_t* interleaved, size_t frames,
                                  const EncoderOptions& options) {
    if (options.sampleRate <= 0 || (frames > 0 && interleaved == nullptr)) return {};
    BlockCoder coder(interleaved, frames, options);
    const int64_t blocks = coder.blockCount();
    QuantisedBlock q;
    for (int64_t t = 0; t < blocks; ++t) {
        coder.quantise(t, q);
        coder.count(q);
    }
    coder.fitBooks();

    std::vector<std::vector<uint8_t>> packets;
    packets.reserve(static_cast<size_t>(blocks));
    uint64_t audioBytes = 0;
    for (int64_t t = 0; t < blocks; ++t) {
        coder.quantise(t, q);
        packets.push_back(coder.packet(q));
        audioBytes += packets.back().size();
    }
    const double seconds = static_cast<double>(frames) / options.sampleRate;
    const int nominal = seconds > 0 ? static_cast<int>(audioBytes * 8 / seconds) : 0;

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
