// The content server's HTTP/1.1 listener: one event loop that accepts, reads and writes every
// connection without blocking, and a pool of workers that only ever see complete requests.
//
// Why not a thread per connection: a client that trickles its request, or keeps an idle
// connection alive, must not hold a worker that another client needs. Here a slow or idle
// connection costs a buffer and a deadline; workers run handlers only.
//
// Limits (all in Limits): the request head and body sizes (a chunked body counts as it is
// decoded), the bytes of request bodies held at once across connections (a reader past it is
// paused until others finish), a deadline for a whole request from its first byte to its last,
// an idle time between requests, a stall time for a response the client does not take, and the
// number of connections. A request over a limit is answered (413, 431, 408, 400) and its
// connection closed.
//
// Threads: the handler and the log run on worker threads, several at once. stop() may be called
// from any thread but a worker; it closes every connection at once, so it returns as soon as the
// handlers already running have returned.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "server/http_message.h"

namespace zserver::http {

struct Limits {
    size_t maxHeadBytes = 32 * 1024;
    std::uint64_t maxBodyBytes = 16u << 20;
    std::uint64_t bodyBudgetBytes = 48u << 20;
    double requestSeconds = 30;    // first byte of a request to its last
    double idleSeconds = 5;        // before a connection's first request and between requests
    double writeStallSeconds = 30; // a response the client stops taking
    int maxConnections = 512;
    int maxRequestsPerConnection = 1000;
    int workers = 0; // 0: twice the processor count, at least 4
};

// Fills the response of one request. Runs on a worker thread; must be thread-safe.
using Handler = std::function<void(const Request&, Response&)>;
// Called once per answered request, after its response went out or its connection broke, with
// the length of the body the response announced (the bodies themselves are already dropped).
// Runs on the event loop's thread: keep it short.
using AccessLog = std::function<void(const Request&, const Response&, std::uint64_t bodyBytes)>;

class Server {
  public:
    Server(Handler handler, Limits limits = {}, AccessLog log = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens (port 0: any free port). False with the reason in *error.
    bool listen(const std::string& host, int port, std::string* error);
    int port() const;
    // Starts the event loop and the workers; listen() first.
    void start();
    // Closes the listener and every connection and joins the threads. Idempotent.
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zserver::http
