// Identification, comment and setup headers.
#include "headers.h"

#include <cstring>

namespace vshort {

namespace {

constexpr char kVendor[] = "Zephrun vorbis_short";

void writeCommon(BitWriter& w, int type) {
    w.write(static_cast<uint32_t>(type), 8);
    w.writeBytes("vorbis", 6);
}

} // namespace

std::vector<uint8_t> identificationHeader(int sampleRate, int nominalBitrate) {
    BitWriter w;
    writeCommon(w, 1);
    w.write(0, 32); // version
    w.write(2, 8);  // channels
    w.write(static_cast<uint32_t>(sampleRate), 32);
    w.write(0, 32); // no maximum bit rate
    w.write(static_cast<uint32_t>(nominalBitrate), 32);
    w.write(0, 32); // no minimum bit rate
    w.write(8, 4);  // short blocks: 2^8
    w.write(8, 4);  // long blocks: also 2^8
    w.write(1, 1);  // framing
    return w.bytes();
}

std::vector<uint8_t> commentHeader() {
    BitWriter w;
    writeCommon(w, 3);
    w.write(static_cast<uint32_t>(std::strlen(kVendor)), 32);
    w.writeBytes(kVendor, std::strlen(kVendor));
    w.write(0, 32); // no user comments
    w.write(1, 1);
    return w.bytes();
}

std::vector<uint8_t> setupHeader(const Floor1& floor, const Codebook& floorMaster,
                                 const Codebook& floorPosts, const Residue& residue) {
    BitWriter w;
    writeCommon(w, 5);
    w.write(static_cast<uint32_t>(2 + residue.bookCount() - 1), 8);
    floorMaster.writeHeader(w);
    floorPosts.writeHeader(w);
    for (int i = 0; i < residue.bookCount(); ++i) residue.book(i).writeHeader(w);

    w.write(0, 6); // one time-domain transform placeholder
    w.write(0, 16);

    w.write(0, 6); // one floor, type 1
    w.write(1, 16);
    floor.writeConfig(w, 0, 1);

    w.write(0, 6); // one residue, type 2
    w.write(2, 16);
    residue.writeConfig(w, 2);

    w.write(0, 6); // one mapping, type 0
    w.write(0, 16);
    w.write(0, 1); // one submap
    w.write(1, 1); // square polar coupling:
    w.write(0, 8); //   one step,
    w.write(0, 1); //   magnitude = channel 0,
    w.write(1, 1); //   angle = channel 1
    w.write(0, 2); // reserved
    w.write(0, 8); // submap 0: time transform (unused),
    w.write(0, 8); //   floor 0,
    w.write(0, 8); //   residue 0

    w.write(0, 6); // one mode:
    w.write(0, 1); //   short block,
    w.write(0, 16);
    w.write(0, 16);
    w.write(0, 8); //   mapping 0
    w.write(1, 1); // framing
    return w.bytes();
}

} // namespace vshort
