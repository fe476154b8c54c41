// decodeStream over the reference float decoder (libvorbisfile).
#include "decoded.h"
#include "memory_source.h"

#include <vorbis/vorbisfile.h>

namespace vshort_test {

namespace {
int seekCb(void* user, ogg_int64_t off, int whence) {
    return MemorySource::seek(user, off, whence);
}
} // namespace

Decoded decodeStream(const std::vector<uint8_t>& stream) {
    Decoded d;
    MemorySource mem{&stream};
    OggVorbis_File vf;
    const ov_callbacks cb{MemorySource::read, seekCb, nullptr, MemorySource::tell};
    if (ov_open_callbacks(&mem, &vf, nullptr, 0, cb) != 0) return d;
    d.opened = true;
    d.clean = true;
    vorbis_info* vi = ov_info(&vf, -1);
    d.channels = vi->channels;
    d.rate = vi->rate;
    d.blockSizes[0] = vorbis_info_blocksize(vi, 0);
    d.blockSizes[1] = vorbis_info_blocksize(vi, 1);
    d.total = ov_pcm_total(&vf, -1);
    if (d.total > 0) d.bitrate = ov_bitrate(&vf, -1);
    char buf[4096];
    int section = 0;
    for (;;) {
        const long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section);
        if (n == 0) break;
        if (n < 0) {
            d.clean = false;
            continue;
        }
        const size_t old = d.pcm.size();
        d.pcm.resize(old + static_cast<size_t>(n) / 2);
        std::memcpy(d.pcm.data() + old, buf, static_cast<size_t>(n));
    }
    ov_clear(&vf);
    return d;
}

} // namespace vshort_test
