// Raw loopback sockets for the tests of what a misbehaving server does: a port nobody listens
// on, a listener that never answers, and a server whose every answer is scripted byte by byte.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ts {

// A loopback port with nothing listening (bound, then released).
int closedLoopbackPort();

// Writes all of `bytes` to the socket; false when the peer went away.
bool sendAll(int fd, std::string_view bytes);

// A loopback port that accepts connections (into the kernel's backlog) but never answers.
class SilentLoopbackListener {
  public:
    SilentLoopbackListener();
    ~SilentLoopbackListener();
    SilentLoopbackListener(const SilentLoopbackListener&) = delete;
    SilentLoopbackListener& operator=(const SilentLoopbackListener&) = delete;
    int port() const { return port_; } // 0 when nothing could be bound
    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback HTTP server whose every answer is scripted: the responder gets the connection and
// the request body, writes what it likes and returns; the connection is then closed. Responders
// that wait must poll stopping() (or wait in pause()).
class ScriptedLoopbackServer {
  public:
    using Responder = std::function<void(ScriptedLoopbackServer&, int fd, const std::string& body)>;

    explicit ScriptedLoopbackServer(Responder responder);
    ~ScriptedLoopbackServer();
    ScriptedLoopbackServer(const ScriptedLoopbackServer&) = delete;
    ScriptedLoopbackServer& operator=(const ScriptedLoopbackServer&) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    bool stopping() const { return stop_; }
    // Sleeps up to `seconds`, returning early when the server stops.
    void pause(double seconds);
    // The request bodies and targets received, in order.
    std::vector<std::string> bodies();
    std::vector<std::string> targets();

  private:
    void acceptLoop();
    void serve(int fd);

    Responder responder_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::vector<std::string> bodies_, targets_;
};

} // namespace ts
