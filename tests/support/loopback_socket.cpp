// Raw loopback sockets of the tests.
#include "loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace ts {
namespace {

using Clock = std::chrono::steady_clock;

// A TCP socket bound to 127.0.0.1 at a free port; -1 on failure. `port` receives the port.
int boundLoopbackSocket(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

} // namespace

int closedLoopbackPort() {
    int port = 0;
    int fd = boundLoopbackSocket(&port);
    if (fd >= 0) ::close(fd);
    return port;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

SilentLoopbackListener::SilentLoopbackListener() {
    int port = 0;
    fd_ = boundLoopbackSocket(&port);
    if (fd_ >= 0 && ::listen(fd_, 8) == 0) port_ = port;
}

SilentLoopbackListener::~SilentLoopbackListener() {
    if (fd_ >= 0) ::close(fd_);
}

ScriptedLoopbackServer::ScriptedLoopbackServer(Responder responder)
    : responder_(std::move(responder)) {
    listener_ = boundLoopbackSocket(&port_);
    if (listener_ >= 0) ::listen(listener_, 16);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

ScriptedLoopbackServer::~ScriptedLoopbackServer() {
    stop_ = true;
    acceptor_.join();
    for (auto& t : workers_) t.join();
    if (listener_ >= 0) ::close(listener_);
}

void ScriptedLoopbackServer::pause(double seconds) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!stop_ && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::vector<std::string> ScriptedLoopbackServer::bodies() {
    std::lock_guard lock(mutex_);
    return bodies_;
}

std::vector<std::string> ScriptedLoopbackServer::targets() {
    std::lock_guard lock(mutex_);
    return targets_;
}

void ScriptedLoopbackServer::acceptLoop() {
    while (!stop_ && listener_ >= 0) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        workers_.emplace_back([this, fd] { serve(fd); });
    }
}

// Reads one request (headers, then Content-Length bytes of body) for at most 5 s.
void ScriptedLoopbackServer::serve(int fd) {
    std::string in;
    std::size_t headerEnd = std::string::npos;
    std::size_t need = 0;
    char buf[4096];
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!stop_ && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos) {
            headerEnd = in.find("\r\n\r\n");
            if (headerEnd == std::string::npos) continue;
            auto cl = in.find("Content-Length: ");
            if (cl != std::string::npos && cl < headerEnd) need = std::stoul(in.substr(cl + 16));
        }
        if (in.size() >= headerEnd + 4 + need) break;
    }
    std::string body = headerEnd == std::string::npos ? "" : in.substr(headerEnd + 4);
    {
        std::lock_guard lock(mutex_);
        bodies_.push_back(body);
        auto sp = in.find(' ');
        targets_.push_back(
            sp == std::string::npos ? "" : in.substr(sp + 1, in.find(' ', sp + 1) - sp - 1));
    }
    responder_(*this, fd, body);
    ::close(fd);
}

} // namespace ts
