// libFuzzer target of the stream player's input: the bytes of a download, as a server sends
// them, through the decoder the player uses (probe, demux, decode, convert to 16-bit stereo) with
// the player's limits. The first byte sets how many bytes each read gets (arrival in pieces).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/media/audio_decoder.h"

namespace {

class PiecewiseInput : public zplatform::MediaInput {
  public:
    PiecewiseInput(const uint8_t* data, size_t size, int piece)
        : data_(data), size_(size), piece_(piece) {}
    int read(uint8_t* out, int size) override {
        if (at_ >= size_) return 0;
        const size_t n =
            std::min({size_ - at_, static_cast<size_t>(size), static_cast<size_t>(piece_)});
        std::memcpy(out, data_ + at_, n);
        at_ += n;
        return static_cast<int>(n);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    int piece_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    PiecewiseInput input(data + 1, size - 1, 1 + data[0] * 64);
    zplatform::AudioDecoder decoder;
    if (decoder.open(input) != zplatform::AudioDecoder::Status::kOk) return 0;
    std::vector<int16_t> pcm;
    // Bounded: a stream of packets that decode to nothing still ends with the input.
    for (int i = 0; i < 100000; ++i) {
        pcm.clear();
        if (decoder.decode(pcm) != zplatform::AudioDecoder::Status::kOk) break;
        if (pcm.size() % 2 != 0) __builtin_trap(); // always whole stereo frames
    }
    return 0;
}
