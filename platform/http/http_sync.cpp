// Synchronous transfer by turning the calling thread's run loop in 0.2-second slices.
#include "http_sync.h"

#include "platform/run_loop.h"

#include <cmath>

namespace zplatform {

namespace {

class Collector : public HttpConnectionDelegate {
  public:
    explicit Collector(HttpResult& result) : result_(result) {}
    bool done = false;

    void didReceiveResponse(HttpConnection&, const HttpResponse& response) override {
        result_.response = response;
    }
    void didReceiveData(HttpConnection&, std::string_view chunk) override {
        result_.body.append(chunk);
    }
    void connectionDidFinishLoading(HttpConnection&) override { done = true; }
    void didFailWithError(HttpConnection&, const HttpError& error) override {
        result_.error = error;
        result_.body.clear(); // a partial reply is no reply
        done = true;
    }

  private:
    HttpResult& result_;
};

} // namespace

HttpResult sendSynchronousRequest(const HttpRequest& request, double waitSeconds) {
    constexpr double kSlice = 0.2;
    HttpResult result;
    Collector collector(result);
    HttpConnection connection(request, collector);
    RunLoop& loop = RunLoop::current();
    long slices = waitSeconds > 0 ? std::lround(std::ceil(waitSeconds / kSlice - 1e-9)) : 0;
    for (long n = slices; n > 0 && !collector.done; --n)
        loop.runUntil([&] { return collector.done; }, kSlice);
    if (collector.done) {
        result.completed = true;
        return result;
    }
    connection.cancel();
    result.timedOut = true;
    result.response.reset();
    result.body.clear();
    return result;
}

} // namespace zplatform
