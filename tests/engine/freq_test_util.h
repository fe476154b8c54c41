// Helpers of the frequency-path tests: Ogg streams decoded from memory through a voice source,
// by Tremor's own read and by the frequency path.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "freq/tremor_hooks.h"
#include "freq/vorbis_freq.h"
#include "package.h"

namespace freqtest {

// Non-seekable memory stream, as the engine's resource streams are.
struct MemStream {
    const std::vector<uint8_t>* bytes = nullptr;
    size_t pos = 0;
};

inline size_t memRead(void* ptr, size_t size, size_t nmemb, void* ds) {
    auto* m = static_cast<MemStream*>(ds);
    if (size == 0) return 0;
    size_t want = size * nmemb;
    size_t left = m->bytes->size() - m->pos;
    size_t n = want < left ? want : left;
    std::memcpy(ptr, m->bytes->data() + m->pos, n);
    m->pos += n;
    return n / size;
}
inline int memSeek(void*, ogg_int64_t, int) {
    return -1;
}
inline long memTell(void*) {
    return -1;
}
inline int memClose(void*) {
    return 0;
}

// An Ogg stream opened on a voice source; closed on destruction.
class OpenStream {
  public:
    explicit OpenStream(const std::vector<uint8_t>& bytes) {
        mem_.bytes = &bytes;
        ov_callbacks cb = {memRead, memSeek, memClose, memTell};
        ok_ = ov_open_callbacks(&mem_, &src_.ogg, nullptr, 0, cb) == 0;
        src_.oggOpen = ok_;
    }
    ~OpenStream() { close(); }
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    void close() {
        if (src_.oggOpen) ov_clear(&src_.ogg);
        src_.oggOpen = false;
    }
    bool ok() const { return ok_; }
    mx::VoiceSource* src() { return &src_; }
    OggVorbis_File* vf() { return &src_.ogg; }

  private:
    MemStream mem_;
    mx::VoiceSource src_;
    bool ok_ = false;
};

// Tremor's own 16-bit output of the whole stream (interleaved as the stream's channels).
inline std::vector<int16_t> tremorDecode(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> out;
    OpenStream s(bytes);
    if (!s.ok()) return out;
    char buf[4096];
    int bitstream = 0;
    for (;;) {
        long n = ov_read(s.vf(), buf, sizeof buf, &bitstream);
        if (n <= 0) break;
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(n) / 2);
        std::memcpy(out.data() + at, buf, static_cast<size_t>(n));
    }
    return out;
}

// One stream through the frequency path, one block per slot from reset on, rendered frame by
// frame as the renderer does. `bytesRead` receives the sum of ov_read_FREQ's results.
inline std::vector<int16_t> freqDecode(const std::vector<uint8_t>& bytes, int32_t gainLeft,
                                       int32_t gainRight, long* bytesRead = nullptr,
                                       int extraFrames = 1) {
    std::vector<int16_t> out;
    mx::SpectrumAccumulator acc;
    if (mx::BufferMixedOGGInit(&acc) != 0) return out;
    OpenStream s(bytes);
    long total = 0;
    bool ended = false;
    int tail = extraFrames;
    while (s.ok() && tail > 0) {
        mx::BufferMixedOGGNewFrame(&acc);
        for (int k = 0; k < mx::kAccSlots && !ended; ++k) {
            s.src()->mixGainLeft = gainLeft;
            s.src()->mixGainRight = gainRight;
            long r = mx::ov_read_FREQ(&acc, s.src(), k);
            if (r <= 0)
                ended = true;
            else
                total += r;
        }
        if (ended) --tail;
        mx::mapping0_finalIMDCT_MIXED(&acc);
        size_t at = out.size();
        out.resize(at + 2 * 128 * mx::kAccSlots);
        mx::ov_read_MIXEDN(&acc, out.data() + at, acc.state == -1 ? 1 : 0);
    }
    mx::BufferMixedOGGRelease(&acc);
    if (bytesRead) *bytesRead = total;
    return out;
}

// Position in Tremor's output of frame `p` of the frequency path's output (single stream started
// in slot 0 after reset), or -1 for the silent block that ends the first frame: the first frame
// skips the stream's first block.
inline long tremorFrameOf(long p) {
    if (p < 1408) return p + 128;
    if (p < 1536) return -1;
    return p;
}

// Path of a fixture of the tests' data directory (Ogg streams encoded by the reference encoder).
inline std::string fixture(const std::string& name) {
#ifdef ZEPHRUN_TEST_DATA_DIR
    std::string dir = ZEPHRUN_TEST_DATA_DIR;
#else
    // Under ctest the directory comes from the environment; run directly, it lies beside the
    // test binary.
    const char* env = std::getenv("ZEPHRUN_TEST_DATA");
    std::string dir;
    if (env) {
        dir = env;
    } else {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string exe(self, n > 0 ? static_cast<size_t>(n) : 0);
        dir = exe.substr(0, exe.rfind('/')) + "/data";
    }
#endif
    return dir + "/" + name;
}

} // namespace freqtest
