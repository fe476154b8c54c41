// WAV resources: locating the format and the sample data, and reading 16-bit PCM frames.
#include <bit>
#include <cstring>
#include <utility>

#include "rsc_private.h"

namespace mx {
namespace {

constexpr int kWindow = 256;
constexpr int kOverlap = 16;
constexpr int kMaxWindows = 256;
constexpr int kChannelsAt = 10; // channel count byte, counted from the "fmt " tag

} // namespace

int rscWavOpen(mxp4_package*, VoiceSource* src) {
    if (!src || !src->fileOpen || !src->rsc) return -1;
    uint8_t win[kWindow];
    int channels = 0;
    for (int w = 0; w < kMaxWindows; ++w) {
        // Each window keeps the previous one's last bytes, so a tag across the seam is found.
        int keep = w == 0 ? 0 : kOverlap;
        if (keep) std::memmove(win, win + kWindow - kOverlap, kOverlap);
        if (rscFileRead(src, win + keep, kWindow - keep) != kWindow - keep) return -1;
        int64_t winStart = src->pos - kWindow;
        for (int i = 0; i + 4 <= kWindow; ++i) {
            if (channels == 0 && std::memcmp(win + i, "fmt ", 4) == 0) {
                // A tag too near the end comes again at the start of the next window, with
                // its channel byte inside.
                if (i + kChannelsAt >= kWindow) break;
                channels = win[i + kChannelsAt];
                // The renderer reads mono or stereo frames only: another count would mix
                // garbage and overrun its read buffer.
                if (channels < 1 || channels > 2) return -1;
            } else if (std::memcmp(win + i, "data", 4) == 0) {
                if (channels == 0) return -1;
                int64_t start = winStart + i + 8;
                if (start > src->rsc->length) start = src->rsc->length;
                fsrcskip(&src->file, start - src->pos);
                src->pos = start;
                src->channelsMinus1 = channels - 1;
                return 0;
            }
        }
    }
    return -1;
}

int32_t _wavRead(VoiceSource* src, int16_t* buffer, int32_t frames) {
    int32_t channels = src->channelsMinus1 + 1;
    if (channels < 1 || channels > 2 || frames <= 0 || frames > INT32_MAX / 4) return 0;
    int32_t got = rscFileRead(src, buffer, frames * channels * 2);
    if constexpr (std::endian::native == std::endian::big) {
        auto* b = reinterpret_cast<uint8_t*>(buffer);
        for (int32_t i = 0; i + 1 < got; i += 2) std::swap(b[i], b[i + 1]);
    }
    return got / (2 * channels);
}

} // namespace mx
