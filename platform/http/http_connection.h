// Asynchronous HTTP connection over libcurl, reported through a delegate on the run loop of the
// thread that started it.
//
// Threads: construct, use and destroy a connection on one thread that turns its RunLoop; every
// delegate callback runs there, from inside that loop (never from inside the constructor).
// cancel() may also be called from another thread: callbacks not yet begun are then dropped and
// the transfer is torn down on the owning thread.
//
// Order of callbacks: didReceiveResponse once, then didReceiveData zero or more times (chunks as
// they arrive, so a caller can consume a stream progressively), then exactly one of
// connectionDidFinishLoading or didFailWithError. A failure may come before any response. No
// callback follows cancel() or the end. The delegate may cancel or destroy the connection, or
// start others, from inside a callback.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zplatform {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string url;
    // "GET", "POST" or another verb; empty means POST when a body is given, else GET.
    std::string method;
    HttpHeaders headers; // sent as given, in order, after libcurl's own
    std::string body;
    // Seconds without any progress (connecting, or between received bytes) before the transfer
    // fails with HttpError::kTimedOut.
    double timeoutInterval = 60.0;
    // Seconds for the whole transfer; 0 means no limit beyond timeoutInterval.
    double totalTimeout = 0.0;
    bool followRedirects = true;
};

struct HttpResponse {
    long statusCode = 0;
    HttpHeaders headers;           // of the final response, after redirects
    long long expectedLength = -1; // Content-Length, or -1 when unknown
    std::string url;               // final address, after redirects
    // First value of the named header, compared case-insensitively; empty when absent.
    std::string header(std::string_view name) const;
};

struct HttpError {
    // Error codes, as the platform's URL loading reports them.
    static constexpr int kUnknown = -1;
    static constexpr int kCancelled = -999;
    static constexpr int kBadURL = -1000;
    static constexpr int kTimedOut = -1001;
    static constexpr int kUnsupportedURL = -1002;
    static constexpr int kCannotFindHost = -1003;
    static constexpr int kCannotConnectToHost = -1004;
    static constexpr int kNetworkConnectionLost = -1005;
    static constexpr int kTooManyRedirects = -1007;
    static constexpr int kBadServerResponse = -1011;

    int code = kUnknown;
    std::string domain = "NSURLErrorDomain";
    std::string description;
    int curlCode = 0; // libcurl's own code, for logs

    bool isTimeout() const { return code == kTimedOut; }
};

class HttpConnection;

// Callbacks of one connection; all run on the starting thread's loop. The delegate is not owned
// and must outlive the connection or cancel it first.
class HttpConnectionDelegate {
  public:
    virtual ~HttpConnectionDelegate() = default;
    virtual void didReceiveResponse(HttpConnection&, const HttpResponse&) {}
    virtual void didReceiveData(HttpConnection&, std::string_view) {}
    virtual void connectionDidFinishLoading(HttpConnection&) {}
    virtual void didFailWithError(HttpConnection&, const HttpError&) {}
};

class HttpConnection {
  public:
    // Starts the transfer at once on the calling thread's run loop (the loop must be turned for
    // anything to happen). Cookies go through HttpCookieStore::shared().
    HttpConnection(HttpRequest request, HttpConnectionDelegate& delegate);
    // Cancels a transfer still running.
    ~HttpConnection();

    // Stops the transfer; no callback is delivered afterwards. Idempotent; any thread (see top).
    void cancel();
    // True from construction until the end is delivered or cancel().
    bool isRunning() const;
    const HttpRequest& request() const;

    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    struct Impl;

  private:
    std::shared_ptr<Impl> impl_;
};

} // namespace zplatform
