// Ogg framing of a Vorbis stream: header pages, audio pages with granule positions, end of stream.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <vector>

namespace vshort {

class OggPages {
  public:
    explicit OggPages(uint32_t serial);
    ~OggPages();
    OggPages(const OggPages&) = delete;
    OggPages& operator=(const OggPages&) = delete;

    // The three headers: the identification header alone on the first page, the other two
    // on the following page(s), so that audio starts on a page of its own.
    void headers(const std::vector<uint8_t>& id, const std::vector<uint8_t>& comment,
                 const std::vector<uint8_t>& setup);
    // `granule`: PCM samples complete once this packet is decoded. The last packet carries the
    // exact stream length and ends the stream.
    void audio(const std::vector<uint8_t>& packet, int64_t granule, bool last);
    std::vector<uint8_t> take() { return std::move(out_); }

  private:
    void packetIn(const std::vector<uint8_t>& data, int64_t granule, bool bos, bool eos);
    void drain(bool flush);

    ogg_stream_state os_;
    int64_t packetNo_ = 0;
    std::vector<uint8_t> out_;
};

} // namespace vshort
