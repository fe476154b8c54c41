// The encoder's streams decoded by the reference float decoder (libvorbis, libvorbisfile).
#include "signals.h"
#include "vorbis_short/encoder.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cstring>

namespace {

using vshort_test::Pcm;

struct Memory {
    const std::vector<uint8_t>* data;
    size_t pos = 0;
};

size_t readMem(void* out, size_t size, size_t n, void* user) {
    auto* m = static_cast<Memory*>(user);
    const size_t want = size * n;
    const size_t left = m->data->size() - m->pos;
    const size_t got = want < left ? want : left;
    std::memcpy(out, m->data->data() + m->pos, got);
    m->pos += got;
    return size ? got / size : 0;
}

int seekMem(void* user, ogg_int64_t off, int whence) {
    auto* m = static_cast<Memory*>(user);
    const auto size = static_cast<ogg_int64_t>(m->data->size());
    ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : size;
    if (base + off < 0 || base + off > size) return -1;
    m->pos = static_cast<size_t>(base + off);
    return 0;
}

long tellMem(void* user) {
    return static_cast<long>(static_cast<Memory*>(user)->pos);
}

struct Decoded {
    bool opened = false;
    int channels = 0;
    long rate = 0;
    ogg_int64_t total = 0; // ov_pcm_total
    Pcm pcm;
};

Decoded decode(const std::vector<uint8_t>& stream) {
    Decoded d;
    Memory mem{&stream};
    OggVorbis_File vf;
    ov_callbacks cb{readMem, seekMem, nullptr, tellMem};
    if (ov_open_callbacks(&mem, &vf, nullptr, 0, cb) != 0) return d;
    d.opened = true;
    vorbis_info* vi = ov_info(&vf, -1);
    d.channels = vi->channels;
    d.rate = vi->rate;
    d.total = ov_pcm_total(&vf, -1);
    char buf[4096];
    int section = 0;
    for (;;) {
        long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section);
        if (n <= 0) {
            if (n < 0) d.opened = false; // a hole or a bad packet: not a clean stream
            if (n < 0) continue;
            break;
        }
        const size_t old = d.pcm.size();
        d.pcm.resize(old + static_cast<size_t>(n) / 2);
        std::memcpy(d.pcm.data() + old, buf, static_cast<size_t>(n));
    }
    ov_clear(&vf);
    return d;
}

TEST(LibvorbisDecode, HeadersDescribeAShortBlockStereoStream) {
    const Pcm in = vshort_test::sines(48000, 4800, 440, 660, 8000);
    vshort::EncoderOptions opt;
    opt.sampleRate = 48000;
    const std::vector<uint8_t> stream = vshort::encodeStereo(in.data(), in.size() / 2, opt);
    const Decoded d = decode(stream);
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_EQ(d.total, 4800);
}

TEST(LibvorbisDecode, MusicLikeMaterialKeepsItsQualityAndBitRate) {
    const Pcm in = vshort_test::musicLike(44100, 4.0);
    const std::vector<uint8_t> stream = vshort::encodeStereo(in.data(), in.size() / 2);
    const Decoded d = decode(stream);
    ASSERT_TRUE(d.opened);
    ASSERT_EQ(d.pcm.size(), in.size());
    const double snr = vshort_test::snrDb(in, d.pcm);
    const double rate = vshort_test::kbps(stream.size(), in.size() / 2, 44100);
    RecordProperty("snr_db", std::to_string(snr));
    RecordProperty("kbps", std::to_string(rate));
    std::printf("music-like: %.2f dB SNR at %.1f kb/s\n", snr, rate);
    EXPECT_GE(snr, 25.0);
    EXPECT_LE(rate, 256.0);
}

} // namespace
