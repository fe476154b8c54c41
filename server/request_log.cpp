// Request log lines; the sink is called under a lock so lines never interleave.
#include "server/request_log.h"

#include <ctime>

namespace zserver {

std::string protocolNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

void RequestLog::request(std::string_view peer, std::string_view method, std::string_view path,
                         int status, size_t bytes, std::string_view detail) {
    std::string s = protocolNow();
    s.append(" ").append(peer).append(" ").append(method).append(" ");
    // Paths and details quote the network: keep the line one line.
    auto appendClean = [&s](std::string_view text) {
        for (char c : text) s += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    };
    appendClean(path);
    s.append(" ").append(std::to_string(status)).append(" ").append(std::to_string(bytes));
    if (!detail.empty()) {
        s += ' ';
        appendClean(detail);
    }
    line(s);
}

void RequestLog::line(std::string_view text) {
    if (!sink_) return;
    std::lock_guard lock(mutex_);
    sink_(text);
}

} // namespace zserver
