// RequestMutex: the request lock (`waitWT` / `stopUseWT`) around every exchange on the shared
// request client.
//
// Not re-entrant, by design: the exchange state it guards belongs to one request at a time. A
// second lock() from the thread that already holds it would hang for ever (the holder waits
// for itself); it is caught instead: an assertion in debug builds; in release builds an error
// line, and the nested hold is counted so that the inner unlock() leaves the outer hold in
// place. Other threads wait as usual. unlock() from a thread that does not hold the lock is
// ignored with an error line.
//
// Threads: any. Never take it from work that can run inside a synchronous wait (post such work
// with RunDepth::Outermost).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace zplatform {

class RequestMutex {
  public:
    RequestMutex() = default;
    RequestMutex(const RequestMutex&) = delete;
    RequestMutex& operator=(const RequestMutex&) = delete;

    void lock();
    void unlock();
    // True when the calling thread holds the lock.
    bool heldByCurrentThread() const { return owner_.load() == std::this_thread::get_id(); }
    // Nested holds caught since creation (release builds only; debug builds assert first).
    int nestedHolds() const { return nestedHolds_.load(); }

  private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int holds_ = 0; // owner thread only
    std::atomic<int> nestedHolds_{0};
};

} // namespace zplatform
