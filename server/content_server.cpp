// The HTTP side: cpp-httplib routes for "request.aspx" and the content directory, on a thread.
#include "server/content_server.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <httplib.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>

#include "server/content_directory.h"
#include "server/reply_builder.h"
#include "server/request_decoding.h"
#include "server/request_dispatch.h"
#include "server/request_log.h"

namespace zserver {
namespace {

// Room for a photo report; anything larger is refused before it is read.
constexpr size_t kMaxBody = 16u << 20;

std::optional<int> pageOf(const Action& a) {
    auto it = a.params.find("num_page");
    if (it == a.params.end()) return 1;
    int v = 0;
    auto& s = it->second;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

} // namespace

struct ContentServer::Impl {
    ServerOptions options;
    ContentDirectory content;
    SessionStore store;
    RequestLog log;
    WebRequestTable webRequests;
    httplib::Server http;
    std::thread thread;
    std::atomic<bool> listenEnded{false};
    int port = 0;
    std::string error;
    // What each "request.aspx" message held, handed from its handler to the logger, which
    // httplib calls on the same thread with the same response once it is sent.
    std::mutex detailMutex;
    std::map<const httplib::Response*, std::string> details;

    explicit Impl(ServerOptions o)
        : options(std::move(o)), content(options.contentDir), log(options.log) {}

    std::string baseURL() const {
        bool v6 = options.host.find(':') != std::string::npos;
        return "http://" + (v6 ? "[" + options.host + "]" : options.host) + ":" +
               std::to_string(port) + "/";
    }

    // The envelope of a "request.aspx" request, or nullopt with the reason in why.
    static std::optional<Envelope> readEnvelope(const httplib::Request& req, std::string& why) {
        Variables vars = splitForm(req.body);
        for (auto& [k, v] : req.params) vars.emplace(k, v); // query string; the body wins
        if (!decipherListed(vars, &why)) return std::nullopt;
        auto data = vars.find("data");
        if (data == vars.end()) {
            why = "no \"data\" variable";
            return std::nullopt;
        }
        return parseEnvelope(data->second, &why);
    }

    void handleRequest(const httplib::Request& req, httplib::Response& res) {
        std::string why, detail;
        std::optional<Envelope> env = readEnvelope(req, why);
        std::string body;
        res.status = 200;
        if (!env) {
            res.status = 400;
            body = errorReply(why);
            detail = "refused: " + why;
        } else {
            auto result = dispatch(*env, store, content, webRequests, baseURL());
            body = encipherReply(result.document);
            detail = result.summary;
        }
        res.set_content(body, "text/plain");
        std::lock_guard lock(detailMutex);
        details[&res] = std::move(detail);
    }
};

ContentServer::ContentServer(ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

ContentServer::~ContentServer() {
    stop();
}

void ContentServer::setWebRequest(int id, WebRequestHandler handler) {
    impl_->webRequests[id] = std::move(handler);
}

bool ContentServer::start() {
    auto& d = *impl_;
    if (d.thread.joinable()) return true;
    if (!d.store.open(d.options.dbPath, &d.error)) return false;

    // Feeds found in the content directory answer their ids unless a handler was set.
    for (int id : d.content.feedIds()) {
        if (d.webRequests.count(id)) continue;
        d.webRequests[id] = [&d, id](const Action& a) {
            auto page = pageOf(a);
            auto doc = page ? d.content.feedPage(id, *page) : std::nullopt;
            if (!doc) return WebRequestAnswer{};
            return WebRequestAnswer{true, "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
                                              withServerAddress(*doc, d.baseURL()) + "]]>"};
        };
    }

    // httplib's default sets SO_REUSEPORT, which lets a second server share a busy port and
    // steal half of its requests; a busy port must be an error.
    d.http.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    d.http.set_payload_max_length(kMaxBody);
    d.http.set_read_timeout(5, 0);
    d.http.set_write_timeout(5, 0);
    // Short keep-alive so that stop() does not wait long for idle connections.
    d.http.set_keep_alive_timeout(1);
    auto handler = [&d](const httplib::Request& req, httplib::Response& res) {
        d.handleRequest(req, res);
    };
    d.http.Post("/request.aspx", handler);
    d.http.Get("/request.aspx", handler);
    if (!d.options.contentDir.empty() && !d.http.set_mount_point("/", d.options.contentDir)) {
        d.error = "content directory not found: " + d.options.contentDir;
        return false;
    }
    d.http.set_logger([&d](const httplib::Request& req, const httplib::Response& res) {
        std::string detail;
        {
            std::lock_guard lock(d.detailMutex);
            if (auto it = d.details.find(&res); it != d.details.end()) {
                detail = std::move(it->second);
                d.details.erase(it);
            }
        }
        d.log.request(req.remote_addr, req.method, req.path, res.status, res.body.size(), detail);
    });

    if (d.options.port == 0) {
        d.port = d.http.bind_to_any_port(d.options.host);
        if (d.port < 0) d.port = 0;
    } else if (d.http.bind_to_port(d.options.host, d.options.port)) {
        d.port = d.options.port;
    }
    if (d.port <= 0) {
        d.error = "cannot listen on " + d.options.host + ":" + std::to_string(d.options.port);
        return false;
    }
    d.listenEnded = false;
    d.thread = std::thread([&d] {
        d.http.listen_after_bind();
        d.listenEnded = true;
    });
    // stop() only reaches a running listener; wait until it runs (or gave up).
    while (!d.http.is_running() && !d.listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void ContentServer::stop() {
    auto& d = *impl_;
    if (!d.thread.joinable()) return;
    d.http.stop();
    d.thread.join();
}

int ContentServer::port() const {
    return impl_->port;
}
std::string ContentServer::baseURL() const {
    return impl_->baseURL();
}
const std::string& ContentServer::error() const {
    return impl_->error;
}
SessionStore& ContentServer::store() {
    return impl_->store;
}

} // namespace zserver
