// The HTTP side: cpp-httplib routes for "request.aspx" and the content directory, on a thread.
#include "server/content_server.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <httplib.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>

#include "server/content_directory.h"
#include "server/content_handlers.h"
#include "server/image_resize.h"
#include "server/member_handlers.h"
#include "server/reply_builder.h"
#include "server/request_decoding.h"
#include "server/request_dispatch.h"
#include "server/request_log.h"
#include "server/static_files.h"
#include "server/web_request_context.h"

namespace zserver {
namespace {

// Room for a photo report; anything larger is refused before it is read.
constexpr size_t kMaxBody = 16u << 20;
// Largest picture the resize service reads.
constexpr size_t kMaxPicture = 32u << 20;

// A directory of its own under the system's temporary directory, removed with its content.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zserver-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace

struct ContentServer::Impl {
    ServerOptions options;
    ContentDirectory content;
    SessionStore store;
    MemberStore members;
    PhotoReports reports;
    std::unique_ptr<ScratchDir> scratch;
    StaticRoots roots;
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

    void handleResize(const httplib::Request& req, httplib::Response& res) const {
        auto value = [&](const char* name) -> std::optional<std::string> {
            if (!req.has_param(name)) return std::nullopt;
            return req.get_param_value(name);
        };
        auto url = value("url"), w = value("w"), h = value("h"), r = value("r"), f = value("f");
        auto query = parseResizeQuery(url, w, h, r, f);
        std::optional<std::string> picture;
        res.status = 400;
        if (query) {
            res.status = 404;
            auto file = resolveStaticFile(roots, query->url);
            auto bytes = file ? readSmallFile(*file, kMaxPicture) : std::nullopt;
            if (bytes) picture = resizePicture(*bytes, *query);
            if (picture) res.status = 200;
        }
        res.set_content(picture ? *picture : onePixelPicture(), "image/jpeg");
    }

    void handleReportPicture(const httplib::Request& req, httplib::Response& res) {
        long long id = 0;
        const std::string& digits = req.matches[1].str();
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
        auto bytes = ec == std::errc() && end == digits.data() + digits.size()
                         ? readSmallFile(reports.picturePath(id), kMaxBody)
                         : std::nullopt;
        if (!bytes) {
            res.status = 404;
            return;
        }
        res.set_content(*bytes, "image/jpeg");
    }

    // Stores, content handlers and seed members; false with the reason in `error`.
    bool openStores() {
        if (!store.open(options.dbPath, &error)) return false;
        std::filesystem::path data = options.dataDir;
        if (data.empty()) {
            scratch = std::make_unique<ScratchDir>();
            data = scratch->path();
            if (data.empty()) {
                error = "cannot create a temporary data directory";
                return false;
            }
        }
        if (!members.open(options.dbPath, &error) || !reports.open(options.dbPath, data, &error))
            return false;
        if (!members.importSeed(seedMembers(content))) {
            error = "cannot store the seed members";
            return false;
        }
        roots = {options.contentDir, options.mediaDir, data / "reports"};
        WebRequestContext ctx{&content, &members, &reports, [this] { return baseURL(); }};
        for (auto& [id, handler] : contentHandlers(ctx, content.webRequestIds()))
            webRequests.emplace(id, std::move(handler)); // handlers set by the caller win
        return true;
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
    if (!d.openStores()) return false;

    // Feeds found in the content directory answer their ids unless a handler was set.
    for (int id : d.content.feedIds()) {
        if (d.webRequests.count(id)) continue;
        d.webRequests[id] = [&d, id](const Action& a) {
            auto page = pageParam(a);
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
    d.http.Get("/resize.aspx", [&d](const httplib::Request& req, httplib::Response& res) {
        d.handleResize(req, res);
    });
    d.http.Get(R"(/reports/(\d{1,18})\.jpg)",
               [&d](const httplib::Request& req, httplib::Response& res) {
                   d.handleReportPicture(req, res);
               });
    if (!d.options.mediaDir.empty() && !d.http.set_mount_point("/media/", d.options.mediaDir)) {
        d.error = "media directory not found: " + d.options.mediaDir;
        return false;
    }
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
MemberStore& ContentServer::members() {
    return impl_->members;
}
PhotoReports& ContentServer::photoReports() {
    return impl_->reports;
}

} // namespace zserver
