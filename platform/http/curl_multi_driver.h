// One libcurl multi handle per run loop: its sockets are watched and its time-outs timed by the
// loop of the thread that created it, so transfers progress whenever that thread turns its loop.
// Internal to the HTTP connection.
#pragma once

#include "platform/run_loop.h"

#include <curl/curl.h>

#include <memory>
#include <unordered_map>

namespace zplatform {

// Started once per process, before any handle is made.
void ensureCurlGlobalInit();

class CurlMultiDriver : public std::enable_shared_from_this<CurlMultiDriver> {
  public:
    // Something driven by this multi handle. Both calls come on the owning thread, never from
    // inside a libcurl call, so they may add or remove handles.
    class Transfer {
      public:
        virtual ~Transfer() = default;
        // libcurl finished the easy handle (already removed from the multi handle).
        virtual void transferDone(CURLcode code) = 0;
        // Hand what arrived to the delegate; called after every turn of the multi handle.
        virtual void deliver() = 0;
    };

    // The calling thread's driver, created when none is alive. Transfers keep it alive.
    static std::shared_ptr<CurlMultiDriver> forCurrentThread();

    ~CurlMultiDriver();

    RunLoop& loop() { return *loop_; }
    const std::shared_ptr<RunLoop>& loopHandle() const { return loop_; }
    bool onOwnerThread() const;

    // Owning thread only. add() starts the transfer on the next turn of the loop.
    bool add(CURL* easy, std::weak_ptr<Transfer> transfer);
    void remove(CURL* easy);

    CurlMultiDriver(const CurlMultiDriver&) = delete;
    CurlMultiDriver& operator=(const CurlMultiDriver&) = delete;

  private:
    CurlMultiDriver();
    static int socketCallback(CURL* easy, curl_socket_t s, int what, void* userp, void* socketp);
    static int timerCallback(CURLM* multi, long timeoutMs, void* userp);
    void drive(curl_socket_t s, int eventMask);
    void finishTurn();

    std::shared_ptr<RunLoop> loop_;
    CURLM* multi_;
    std::unordered_map<curl_socket_t, int> watches_; // socket -> run loop watch id
    std::unordered_map<CURL*, std::weak_ptr<Transfer>> transfers_;
    std::shared_ptr<Timer> timer_;
};

} // namespace zplatform
