// One log line per request, written to a sink that may be shared by worker threads.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace zserver {

class RequestLog {
  public:
    explicit RequestLog(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {}

    // "2026-05-12 14:30:00 127.0.0.1 POST /request.aspx 200 412 OPEN s=…": UTC time, peer,
    // method, path, status, reply bytes, then what the message held (may be empty).
    void request(std::string_view peer, std::string_view method, std::string_view path, int status,
                 size_t bytes, std::string_view detail);
    void line(std::string_view text);

  private:
    std::mutex mutex_;
    std::function<void(std::string_view)> sink_;
};

// The current UTC time as "yyyy-MM-dd HH:mm:ss".
std::string protocolNow();

} // namespace zserver
