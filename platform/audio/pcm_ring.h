// PcmRing: the ring between a decoder thread and an audio output's callback, of interleaved
// stereo 16-bit frames. One thread writes, one reads; positions count frames since the start and
// only grow, so "written() - read()" is what waits to be heard.
//
// Threads: write() on the producer thread only, pull() on the consumer (the output's callback)
// only; the positions may be read from anywhere. pull() never waits and never allocates.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace zplatform {

class PcmRing {
  public:
    explicit PcmRing(uint64_t frames) : capacity_(frames), samples_(frames * 2) {}

    // Writes every frame of `pcm` (interleaved stereo), waiting while the ring is full. Gives up
    // and returns false when `stop()` turns true during a wait.
    template <class Stop> bool write(const int16_t* pcm, uint64_t frames, Stop stop) {
        uint64_t done = 0;
        while (done < frames) {
            const uint64_t w = writePos_.load(std::memory_order_relaxed);
            const uint64_t space = capacity_ - (w - readPos_.load(std::memory_order_acquire));
            if (space == 0) {
                if (stop()) return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            const uint64_t at = w % capacity_;
            const uint64_t n = std::min({space, frames - done, capacity_ - at});
            std::memcpy(samples_.data() + 2 * at, pcm + 2 * done, n * 2 * sizeof(int16_t));
            writePos_.store(w + n, std::memory_order_release);
            done += n;
        }
        return true;
    }

    // Copies up to `frames` frames into `out` and fills the rest with silence; returns how many
    // came from the ring.
    uint64_t pull(int16_t* out, uint64_t frames) {
        const uint64_t w = writePos_.load(std::memory_order_acquire);
        const uint64_t r = readPos_.load(std::memory_order_relaxed);
        const uint64_t n = std::min(w - r, frames);
        for (uint64_t i = 0; i < n;) {
            const uint64_t at = (r + i) % capacity_;
            const uint64_t piece = std::min(n - i, capacity_ - at);
            std::memcpy(out + 2 * i, samples_.data() + 2 * at, piece * 2 * sizeof(int16_t));
            i += piece;
        }
        readPos_.store(r + n, std::memory_order_release);
        std::memset(out + 2 * n, 0, (frames - n) * 2 * sizeof(int16_t));
        return n;
    }

    uint64_t written() const { return writePos_.load(std::memory_order_acquire); }
    uint64_t read() const { return readPos_.load(std::memory_order_acquire); }
    uint64_t capacity() const { return capacity_; }

  private:
    const uint64_t capacity_;
    std::vector<int16_t> samples_;
    std::atomic<uint64_t> writePos_{0};
    std::atomic<uint64_t> readPos_{0};
};

} // namespace zplatform
