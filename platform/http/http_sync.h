// Synchronous transfer: starts a connection and turns the calling thread's run loop in
// 0.2-second slices until it finishes, fails or the wait runs out.
#pragma once

#include "http_connection.h"

#include <optional>
#include <string>

namespace zplatform {

struct HttpResult {
    bool completed = false; // finished or failed within the wait
    bool timedOut = false;  // the wait ran out: the transfer was cancelled, body and error empty
    std::optional<HttpResponse> response;
    std::string body;               // empty after a failure: a partial reply is dropped
    std::optional<HttpError> error; // set when the transfer failed

    bool succeeded() const { return completed && !error; }
};

// Sends `request` and waits at most `waitSeconds` (in 0.2-second run-loop slices). A transfer
// that ends during the last slice counts as ended, not as timed out. Calling thread only; other
// work of its run loop (timers, posted calls) keeps running during the wait.
HttpResult sendSynchronousRequest(const HttpRequest& request, double waitSeconds);

} // namespace zplatform
