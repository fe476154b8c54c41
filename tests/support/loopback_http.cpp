// The loopback HTTP server of the tests.
#include "loopback_http.h"

namespace ts {

LoopbackHttpServer::~LoopbackHttpServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopping_.notify_all();
    stop();
    if (thread_.joinable()) thread_.join();
}

bool LoopbackHttpServer::start() {
    port_ = bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { listen_after_bind(); });
    for (int i = 0; i < 500 && !is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return is_running();
}

std::string LoopbackHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool LoopbackHttpServer::waitForStop(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    return stopping_.wait_for(lock, d, [this] { return stop_; });
}

} // namespace ts
