// Routing of the HTTP requests: "request.aspx", "resize.aspx", mix packages and static files.
#include "server/content_server.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "server/content_directory.h"
#include "server/content_handlers.h"
#include "server/image_resize.h"
#include "server/member_handlers.h"
#include "server/reply_builder.h"
#include "server/request_decoding.h"
#include "server/request_dispatch.h"
#include "server/request_log.h"
#include "server/site_handlers.h"
#include "server/static_files.h"
#include "server/web_request_context.h"

namespace zserver {
namespace {

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

void answerText(http::Response& res, int status, const std::string& text) {
    res.status = status;
    res.setContent(text + "\n", "text/plain; charset=utf-8");
}

bool isGetOrHead(const http::Request& req) {
    return req.method == "GET" || req.method == "HEAD";
}

} // namespace

struct ContentServer::Impl {
    ServerOptions options;
    ContentDirectory content;
    SessionStore store;
    MemberStore members;
    PhotoReports reports;
    SiteHandlers site{members};
    std::unique_ptr<ScratchDir> scratch;
    StaticRoots roots;
    RequestLog log;
    ResizeCache resizeCache;
    WebRequestTable webRequests;
    std::unique_ptr<http::Server> http;
    int port = 0;
    std::string error;

    explicit Impl(ServerOptions o)
        : options(std::move(o)), content(options.contentDir), log(options.log) {}

    std::string baseURL() const {
        bool v6 = options.host.find(':') != std::string::npos;
        return "http://" + (v6 ? "[" + options.host + "]" : options.host) + ":" +
               std::to_string(port) + "/";
    }

    // The envelope of a "request.aspx" request, or nullopt with the reason in why.
    static std::optional<Envelope> readEnvelope(const http::Request& req, std::string& why) {
        Variables vars = splitForm(req.body);
        for (auto& [k, v] : http::decodeUrlForm(req.query))
            vars.emplace(k, v); // query string; the body wins
        if (!decipherListed(vars, &why)) return std::nullopt;
        auto data = vars.find("data");
        if (data == vars.end()) {
            why = "no \"data\" variable";
            return std::nullopt;
        }
        return parseEnvelope(data->second, &why);
    }

    void handleRequest(const http::Request& req, http::Response& res) {
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
        res.setContent(std::move(body), "text/plain");
        res.logDetail = std::move(detail);
    }

    void handleResize(const http::Request& req, http::Response& res) {
        const auto params = http::decodeUrlForm(req.query);
        auto value = [&](const char* name) -> std::optional<std::string> {
            auto it = params.find(name);
            if (it == params.end()) return std::nullopt;
            return it->second;
        };
        auto url = value("url"), w = value("w"), h = value("h"), r = value("r"), f = value("f");
        auto query = parseResizeQuery(url, w, h, r, f);
        std::optional<std::string> picture;
        res.status = 400;
        if (query) {
            res.status = 404;
            auto file = resolveStaticFile(roots, query->url);
            std::error_code ec;
            auto size = file ? std::filesystem::file_size(*file, ec) : 0;
            auto time = file ? std::filesystem::last_write_time(*file, ec)
                             : std::filesystem::file_time_type();
            // The source's identity (a replaced file is a new key) and the answer's shape.
            std::string key =
                file && !ec
                    ? file->string() + '|' + std::to_string(size) + '|' +
                          std::to_string(time.time_since_epoch().count()) + '|' +
                          std::to_string(query->width) + 'x' + std::to_string(query->height) + '|' +
                          std::to_string(query->ratio) + '|' + (query->fit ? "fit" : "fill")
                    : std::string();
            picture = key.empty() ? std::nullopt : resizeCache.find(key);
            if (!picture && !key.empty()) {
                auto bytes = readSmallFile(*file, kMaxPicture);
                if (bytes) picture = resizePicture(*bytes, *query);
                if (picture) resizeCache.add(key, *picture);
            }
            if (picture) res.status = 200;
        }
        res.setContent(picture ? *picture : onePixelPicture(), "image/jpeg");
    }

    // "mix/NAME.mxp4": a built package of the packages directory. "mxt" is the mix table's
    // package under its older name.
    void handlePackage(const http::Request& req, http::Response& res) const {
        std::string name = req.path.substr(5);
        if (name == "mxt.mxp4") name = "mxt_2010.mxp4";
        auto file = options.packagesDir.empty()
                        ? std::nullopt
                        : resolveStaticFile({options.packagesDir, {}, {}}, "/" + name);
        if (!file || file->extension() != ".mxp4") return answerText(res, 404, "no such package");
        serveFile(*file, req, res);
    }

    void handleStatic(const http::Request& req, http::Response& res) const {
        // The service's own address (url_omv) leads to the site.
        if (req.path == "/") {
            res.headers.emplace_back("Location", "/site/");
            return answerText(res, 303, "see /site/");
        }
        // A directory address names its index page.
        std::string path = req.path;
        if (path.back() == '/') path += "index.html";
        auto file = resolveStaticFile(roots, path);
        if (!file) return answerText(res, 404, "not found");
        serveFile(*file, req, res);
    }

    void route(const http::Request& req, http::Response& res) {
        const std::string& path = req.path;
        if (path.rfind("/site/", 0) == 0 && site.handle(req, res)) return;
        if (path == "/request.aspx") {
            if (req.method == "POST" || req.method == "GET") return handleRequest(req, res);
        } else if (isGetOrHead(req)) {
            if (path == "/resize.aspx") return handleResize(req, res);
            if (path.rfind("/mix/", 0) == 0) return handlePackage(req, res);
            return handleStatic(req, res);
        }
        answerText(res, 405, "method not allowed");
        res.headers.emplace_back("Allow", path == "/request.aspx" ? "GET, POST" : "GET, HEAD");
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
    if (d.http) return true;
    std::error_code ec;
    if (!std::filesystem::is_directory(d.options.contentDir, ec)) {
        d.error = "content directory not found: " + d.options.contentDir;
        return false;
    }
    if (!d.options.mediaDir.empty() && !std::filesystem::is_directory(d.options.mediaDir, ec)) {
        d.error = "media directory not found: " + d.options.mediaDir;
        return false;
    }
    if (!d.options.packagesDir.empty() &&
        !std::filesystem::is_directory(d.options.packagesDir, ec)) {
        d.error = "packages directory not found: " + d.options.packagesDir;
        return false;
    }
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

    auto server = std::make_unique<http::Server>(
        [&d](const http::Request& req, http::Response& res) { d.route(req, res); },
        d.options.limits,
        [&d](const http::Request& req, const http::Response& res, std::uint64_t bytes) {
            d.log.request(req.peer, req.method, req.path, res.status, static_cast<size_t>(bytes),
                          res.logDetail);
        });
    if (!server->listen(d.options.host, d.options.port, &d.error)) return false;
    d.port = server->port();
    server->start();
    d.http = std::move(server);
    return true;
}

void ContentServer::stop() {
    auto& d = *impl_;
    if (!d.http) return;
    d.http->stop();
    d.http.reset();
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
