// Byte pipe: bytes received from a download, read in order by a decoder on another thread.
// Reads block until bytes arrive, the download ends or fails, or the reader is aborted.
//
// Threads: append/finish/fail on the producer's thread, read on one consumer thread, abort from
// any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>

namespace zplatform {

class BytePipe {
  public:
    static constexpr int kAborted = -1;
    static constexpr int kFailed = -2;

    // Bytes beyond `limit` unread make append() fail the pipe (a reader that cannot keep up
    // with an endless body does not take all memory).
    explicit BytePipe(size_t limit = 64u << 20) : limit_(limit) {}

    void append(std::string_view bytes);
    void finish(); // the body is complete
    void fail();   // the download broke: reads past the received bytes fail
    void abort();  // the reader gives up: blocked and later reads return kAborted

    // Copies up to `size` bytes; returns the count, 0 at the end of a complete body, kFailed
    // after fail() (once the received bytes are read), kAborted after abort().
    int read(uint8_t* out, int size);
    bool aborted() const;
    size_t received() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<uint8_t> bytes_;
    size_t limit_;
    size_t received_ = 0;
    bool finished_ = false;
    bool failed_ = false;
    bool aborted_ = false;
};

} // namespace zplatform
