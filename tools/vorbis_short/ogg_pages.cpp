// Ogg framing with libogg.
#include "ogg_pages.h"

namespace vshort {

OggPages::OggPages(uint32_t serial) {
    ogg_stream_init(&os_, static_cast<int>(serial));
}

OggPages::~OggPages() {
    ogg_stream_clear(&os_);
}

void OggPages::packetIn(const std::vector<uint8_t>& data, int64_t granule, bool bos, bool eos) {
    ogg_packet op{};
    op.packet = const_cast<unsigned char*>(data.data());
    op.bytes = static_cast<long>(data.size());
    op.b_o_s = bos ? 1 : 0;
    op.e_o_s = eos ? 1 : 0;
    op.granulepos = granule;
    op.packetno = packetNo_++;
    ogg_stream_packetin(&os_, &op);
}

void OggPages::drain(bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&os_, &page) : ogg_stream_pageout(&os_, &page)) {
        out_.insert(out_.end(), page.header, page.header + page.header_len);
        out_.insert(out_.end(), page.body, page.body + page.body_len);
    }
}

void OggPages::headers(const std::vector<uint8_t>& id, const std::vector<uint8_t>& comment,
                       const std::vector<uint8_t>& setup) {
    packetIn(id, 0, true, false);
    drain(true);
    packetIn(comment, 0, false, false);
    packetIn(setup, 0, false, false);
    drain(true);
}

void OggPages::audio(const std::vector<uint8_t>& packet, int64_t granule, bool last) {
    packetIn(packet, granule, false, last);
    drain(last);
}

} // namespace vshort
