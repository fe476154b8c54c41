// The reference content server: "request.aspx" and the content directory over HTTP on loopback.
//
// Every web request id the configuration names has a handler (feed pages, discography, members,
// photo albums and reports, show announcements); "resize.aspx" resizes the server's own pictures.
// One ContentServer owns its HTTP listener (http_server.h: an event loop and a worker pool), its
// session store and its member store. start() binds and serves on threads of its own; stop() (or
// the destructor) closes every connection and joins every thread, so a test can run a server per
// case. Handlers run on the listener's worker threads; the stores and the web-request table are
// safe to use from them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "server/envelope.h"
#include "server/http_server.h"
#include "server/member_store.h"
#include "server/photo_reports.h"
#include "server/session_store.h"

namespace zserver {

// Answer of one WEBREQUEST action. ok: the payload follows the action's "ok" marker (for a feed,
// `<![CDATA[<?xml …?><xmlpipe>…</xmlpipe>]]>`); not ok: the action is answered with status "error".
struct WebRequestAnswer {
    bool ok = false;
    std::string payload;
};

// Builds the answer of one WEBREQUEST action; runs on a worker thread and must be thread-safe.
using WebRequestHandler = std::function<WebRequestAnswer(const Action& action)>;

struct ServerOptions {
    std::string contentDir;         // configuration, notification, feeds and static files
    std::string mediaDir;           // pictures and previews served under "media/"; may be empty
    std::string dataDir;            // photo reports ("reports/"); empty: a private temporary one
    std::string host = "127.0.0.1"; // loopback unless the caller asks otherwise
    int port = 0;                   // 0: any free port (see ContentServer::port())
    std::string dbPath;             // SQLite file; empty: an in-memory database
    std::string packagesDir;        // mix packages served under "mix/"; may be empty
    http::Limits limits;            // request sizes, deadlines, connections, workers
    // One line per request, without the line end; called from worker threads, serialised.
    std::function<void(std::string_view)> log;
};

class ContentServer {
  public:
    explicit ContentServer(ServerOptions options);
    ~ContentServer();
    ContentServer(const ContentServer&) = delete;
    ContentServer& operator=(const ContentServer&) = delete;

    // Opens the store, loads the content directory, binds and starts serving. False (with a
    // reason in error()) when the store cannot be opened or the address cannot be bound.
    bool start();
    // Stops listening and joins the serving thread; idempotent.
    void stop();

    int port() const;
    // "http://HOST:PORT/", the value the served configuration gives as its service address.
    std::string baseURL() const;
    const std::string& error() const;

    // Adds or replaces the handler of a web request id. Call before start().
    void setWebRequest(int id, WebRequestHandler handler);

    SessionStore& store();
    MemberStore& members();
    PhotoReports& photoReports();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zserver
