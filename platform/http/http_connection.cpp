// HttpConnection: one libcurl easy handle on the thread's multi driver, with the events libcurl
// reports queued and handed to the delegate between turns of the multi handle.
#include "http_connection.h"

#include "curl_multi_driver.h"
#include "http_cookies.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>

namespace zplatform {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

int errorCodeFor(CURLcode code) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::kTimedOut;
    case CURLE_URL_MALFORMAT:
        return HttpError::kBadURL;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpError::kUnsupportedURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpError::kCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return HttpError::kCannotConnectToHost;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return HttpError::kNetworkConnectionLost;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpError::kTooManyRedirects;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return HttpError::kBadServerResponse;
    case CURLE_ABORTED_BY_CALLBACK:
        return HttpError::kCancelled;
    default:
        return HttpError::kUnknown;
    }
}

bool isFollowedRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

std::string HttpResponse::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (equalsIgnoringCase(key, name)) return value;
    return {};
}

struct HttpConnection::Impl : CurlMultiDriver::Transfer, std::enable_shared_from_this<Impl> {
    using Clock = std::chrono::steady_clock;

    HttpConnection* owner;
    HttpConnectionDelegate* delegate;
    HttpRequest request;
    std::shared_ptr<CurlMultiDriver> driver;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    bool attached = false; // easy handle in the multi handle

    std::atomic<bool> cancelled{false};
    std::atomic<bool> ended{false}; // final callback delivered (or cancelled)
    bool delivering = false;        // a delegate callback of ours is on the stack

    // Collected inside libcurl's callbacks, handed out by deliver().
    HttpResponse pendingResponse;
    bool headerBlockOpen = false;
    bool responseReady = false;
    bool responseDelivered = false;
    std::string pendingData;
    bool hasResult = false;
    CURLcode result = CURLE_OK;
    std::string timeoutText; // set when our own stall timer ended the transfer

    Clock::time_point lastActivity;
    curl_off_t lastUploaded = 0;
    std::shared_ptr<Timer> stallTimer;

    Impl(HttpConnection* o, HttpConnectionDelegate* d, HttpRequest r)
        : owner(o), delegate(d), request(std::move(r)) {}

    ~Impl() override {
        if (stallTimer) stallTimer->invalidate();
        if (attached && driver) driver->remove(easy);
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
    }

    void start();
    void configure();
    void scheduleStallCheck(double seconds);
    void stallCheck();
    void teardown();
    void transferDone(CURLcode code) override;
    void deliver() override;
    HttpError makeError() const;

    static size_t onHeader(char* data, size_t size, size_t count, void* userp);
    static size_t onData(char* data, size_t size, size_t count, void* userp);
    static int onProgress(void* userp, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow);
};

void HttpConnection::Impl::configure() {
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    // Only the web's own schemes, also after a redirect (never file: or others).
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 16L);
    curl_easy_setopt(easy, CURLOPT_SHARE, HttpCookieStore::shared().curlShare());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // cookie engine on, no file
    if (request.timeoutInterval > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::ceil(request.timeoutInterval * 1000)));
    if (request.totalTimeout > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(std::ceil(request.totalTimeout * 1000)));

    std::string method = request.method;
    if (method.empty()) method = request.body.empty() ? "GET" : "POST";
    // libcurl frames the body it sends itself, and drops its framing when a redirect turns the
    // request into a GET; a Content-Length of ours would stay on that GET and hang it.
    const bool curlFramesBody =
        method == "POST" || (method != "GET" && method != "HEAD" && !request.body.empty());
    if (method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
    } else if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (method != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        if (!request.body.empty()) {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
        }
    }

    // No "Expect: 100-continue" round trip: servers of this kind do not answer it.
    headerList = curl_slist_append(headerList, "Expect:");
    for (const auto& [name, value] : request.headers) {
        // Header injection: a name or value with a line break would forge further headers.
        if (name.find_first_of("\r\n:") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos)
            continue;
        if (curlFramesBody && equalsIgnoringCase(name, "Content-Length")) continue;
        // The same goes for libcurl's own form type, which it sends with the body only.
        if (method == "POST" && equalsIgnoringCase(name, "Content-Type") &&
            equalsIgnoringCase(value, "application/x-www-form-urlencoded"))
            continue;
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        headerList = curl_slist_append(headerList, line.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::onData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

void HttpConnection::Impl::start() {
    driver = CurlMultiDriver::forCurrentThread();
    easy = curl_easy_init();
    lastActivity = Clock::now();
    if (easy) {
        configure();
        attached = driver->add(easy, weak_from_this());
    }
    if (!attached) {
        // Reported from the loop like any other failure, never from the constructor.
        hasResult = true;
        result = CURLE_OUT_OF_MEMORY;
        std::weak_ptr<Impl> weak = weak_from_this();
        driver->loop().post([weak] {
            if (auto self = weak.lock()) self->deliver();
        });
        return;
    }
    if (request.timeoutInterval > 0) scheduleStallCheck(request.timeoutInterval);
}

void HttpConnection::Impl::scheduleStallCheck(double seconds) {
    std::weak_ptr<Impl> weak = weak_from_this();
    stallTimer = driver->loop().performAfterDelay(seconds, [weak] {
        if (auto self = weak.lock()) self->stallCheck();
    });
}

void HttpConnection::Impl::stallCheck() {
    if (ended || hasResult || cancelled) return;
    double idle = std::chrono::duration<double>(Clock::now() - lastActivity).count();
    double left = request.timeoutInterval - idle;
    if (left > 0.001) {
        scheduleStallCheck(left);
        return;
    }
    if (attached) driver->remove(easy);
    attached = false;
    timeoutText = "The request timed out.";
    transferDone(CURLE_OPERATION_TIMEDOUT);
    deliver();
}

size_t HttpConnection::Impl::onHeader(char* data, size_t size, size_t count, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    size_t bytes = size * count;
    self->lastActivity = Clock::now();
    std::string_view line = trim(std::string_view(data, bytes));
    HttpResponse& r = self->pendingResponse;
    if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
        // A new response (1xx, a redirect hop or the final one) replaces the previous headers.
        r.headers.clear();
        r.statusCode = 0;
        r.expectedLength = -1;
        size_t space = line.find(' ');
        if (space != std::string_view::npos) {
            std::string_view rest = line.substr(space + 1);
            long status = 0;
            for (char c : rest.substr(0, 3))
                if (c >= '0' && c <= '9') status = status * 10 + (c - '0');
            r.statusCode = status;
        }
        self->headerBlockOpen = true;
    } else if (line.empty()) {
        if (self->headerBlockOpen) {
            self->headerBlockOpen = false;
            bool interim = r.statusCode >= 100 && r.statusCode < 200;
            bool redirected = self->request.followRedirects && isFollowedRedirect(r.statusCode) &&
                              !r.header("Location").empty();
            if (!interim && !redirected) self->responseReady = true;
        }
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
        std::string name(trim(line.substr(0, colon)));
        std::string value(trim(line.substr(colon + 1)));
        if (equalsIgnoringCase(name, "Content-Length")) {
            char* end = nullptr;
            long long length = std::strtoll(value.c_str(), &end, 10);
            if (end && *end == '\0' && !value.empty() && length >= 0) r.expectedLength = length;
        }
        r.headers.emplace_back(std::move(name), std::move(value));
    }
    return bytes;
}

size_t HttpConnection::Impl::onData(char* data, size_t size, size_t count, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    size_t bytes = size * count;
    self->lastActivity = Clock::now();
    self->responseReady = true;
    self->pendingData.append(data, bytes);
    return bytes;
}

int HttpConnection::Impl::onProgress(void* userp, curl_off_t, curl_off_t, curl_off_t,
                                     curl_off_t ulnow) {
    auto* self = static_cast<Impl*>(userp);
    if (ulnow != self->lastUploaded) { // a large body going out slowly is progress too
        self->lastUploaded = ulnow;
        self->lastActivity = Clock::now();
    }
    return 0;
}

void HttpConnection::Impl::transferDone(CURLcode code) {
    attached = false;
    if (hasResult) return;
    hasResult = true;
    result = code;
    if (stallTimer) stallTimer->invalidate();
}

HttpError HttpConnection::Impl::makeError() const {
    HttpError error;
    error.code = errorCodeFor(result);
    error.curlCode = static_cast<int>(result);
    if (!timeoutText.empty())
        error.description = timeoutText;
    else if (errorBuffer[0] != '\0')
        error.description = errorBuffer;
    else
        error.description = curl_easy_strerror(result);
    return error;
}

void HttpConnection::Impl::deliver() {
    if (delivering || ended) return;
    auto keep = shared_from_this(); // the delegate may destroy the connection
    delivering = true;
    while (!cancelled && !ended && owner) {
        bool failed = hasResult && result != CURLE_OK;
        // A failure before any header (refused, unreachable) comes without a response.
        bool haveHeaders = pendingResponse.statusCode > 0;
        if (!responseDelivered &&
            (responseReady || (hasResult && haveHeaders) || (hasResult && !failed))) {
            responseDelivered = true;
            char* effective = nullptr;
            if (easy && curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
                effective)
                pendingResponse.url = effective;
            else
                pendingResponse.url = request.url;
            HttpResponse response = pendingResponse;
            delegate->didReceiveResponse(*owner, response);
            continue;
        }
        if (!pendingData.empty()) {
            std::string chunk;
            chunk.swap(pendingData);
            delegate->didReceiveData(*owner, chunk);
            continue;
        }
        if (hasResult) {
            ended = true;
            if (failed)
                delegate->didFailWithError(*owner, makeError());
            else
                delegate->connectionDidFinishLoading(*owner);
        }
        break;
    }
    delivering = false;
}

void HttpConnection::Impl::teardown() {
    ended = true;
    if (stallTimer) stallTimer->invalidate();
    if (attached && driver) driver->remove(easy);
    attached = false;
}

HttpConnection::HttpConnection(HttpRequest request, HttpConnectionDelegate& delegate)
    : impl_(std::make_shared<Impl>(this, &delegate, std::move(request))) {
    impl_->start();
}

HttpConnection::~HttpConnection() {
    cancel();
    impl_->owner = nullptr;
}

void HttpConnection::cancel() {
    if (impl_->cancelled.exchange(true)) return;
    if (impl_->driver && !impl_->driver->onOwnerThread()) {
        // libcurl handles belong to the owning thread: tear down there.
        std::shared_ptr<Impl> impl = impl_;
        impl_->driver->loop().post([impl] { impl->teardown(); });
        return;
    }
    impl_->teardown();
}

bool HttpConnection::isRunning() const {
    return !impl_->cancelled && !impl_->ended;
}

const HttpRequest& HttpConnection::request() const {
    return impl_->request;
}

} // namespace zplatform
