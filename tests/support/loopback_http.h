// An HTTP server on the loopback interface for the tests that need one: cpp-httplib on a port of
// its own, serving on its own thread from start() until destruction.
#pragma once
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace ts {

// Register the routes (it is an httplib::Server), then start(). Handlers that stall wait in
// waitForStop(), so that destroying the server never waits for them.
class LoopbackHttpServer : public httplib::Server {
  public:
    LoopbackHttpServer() = default;
    ~LoopbackHttpServer() override;
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Binds 127.0.0.1 at a free port and serves; false when nothing could be bound or the server
    // did not come up within a second.
    bool start();
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path = "") const;
    // Waits up to `d`; true (at once) when the server is being destroyed.
    bool waitForStop(std::chrono::milliseconds d);

  private:
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable stopping_;
    bool stop_ = false;
};

} // namespace ts
