// Load on the reference content server, in process, over loopback: OPEN messages from 50
// clients on fresh connections and on kept-alive ones (requests per second, p50 and p99 of the
// answer time, and the processor time a request costs clients and server together, the figure
// that stays put when other work shares the machine), then the server's resident memory while it
// receives a 16 MB body and refuses a 300 MB chunked one.
//
//   server_bench [SECONDS]   (default 3 seconds per load run)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "client/cipher.h"
#include "server/content_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClients = 50;

int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return fd;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Reads one response with a Content-Length body; its status, 0 on failure.
int readResponse(int fd, std::string& buffer) {
    char chunk[65536];
    for (;;) {
        size_t head = buffer.find("\r\n\r\n");
        if (head != std::string::npos) {
            size_t cl = buffer.find("Content-Length: ");
            size_t length = cl < head ? std::strtoul(buffer.c_str() + cl + 16, nullptr, 10) : 0;
            if (buffer.size() >= head + 4 + length) {
                int status = std::atoi(buffer.c_str() + 9);
                buffer.erase(0, head + 4 + length);
                return status;
            }
        }
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return 0;
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

std::string openRequest(bool keepAlive) {
    const std::string open =
        "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"BENCH\"/><phone osname=\"Linux\" "
        "osversion=\"6\" phone_name=\"bench\" /><application language=\"fr\" version=\"1.0\" "
        "last_config=\"2030-01-01 00:00:00\" last_notification=\"2030-01-01 00:00:00\" />"
        "<network type=\"wifi\"/><action name=\"OPEN\"></action></Omnivale>";
    std::string body =
        "data=" + kt::KT_EncryptWithBase64(open, kt::kCipherKey) + "&listVarCrypt=data";
    return "POST /request.aspx HTTP/1.1\r\nHost: bench\r\nContent-Type: "
           "application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n" + (keepAlive ? "" : "Connection: close\r\n") +
           "\r\n" + body;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double seconds = 0, cpu = 0; // wall time; processor time of clients and server together
    long answers = 0, failures = 0;
    std::vector<double> latencies; // milliseconds
};

Run load(int port, bool keepAlive, double seconds) {
    const std::string request = openRequest(keepAlive);
    std::vector<Run> perClient(kClients);
    std::atomic<bool> go{false}, stop{false};
    std::vector<std::thread> clients;
    clients.reserve(kClients);
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            Run& r = perClient[static_cast<size_t>(c)];
            while (!go) std::this_thread::yield();
            int fd = -1;
            std::string buffer;
            while (!stop) {
                auto start = Clock::now();
                if (fd < 0) {
                    fd = connectTo(port);
                    buffer.clear();
                }
                int status = fd >= 0 && sendAll(fd, request) ? readResponse(fd, buffer) : 0;
                if (status == 200) {
                    ++r.answers;
                    r.latencies.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                } else {
                    ++r.failures;
                }
                if (!keepAlive || status != 200) {
                    if (fd >= 0) ::close(fd);
                    fd = -1;
                }
            }
            if (fd >= 0) ::close(fd);
        });
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    go = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& t : clients) t.join();
    Run all;
    all.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    all.cpu = cpuSeconds() - cpuStart;
    for (auto& r : perClient) {
        all.answers += r.answers;
        all.failures += r.failures;
        all.latencies.insert(all.latencies.end(), r.latencies.begin(), r.latencies.end());
    }
    std::sort(all.latencies.begin(), all.latencies.end());
    return all;
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * sorted.size()))];
}

// Peak resident memory of this process since the last reset, in megabytes.
double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void report(const char* name, const Run& r) {
    std::printf("%-24s %7.0f req/s  p50 %6.2f ms  p99 %6.2f ms  %5.0f us CPU/req  (%ld answers, "
                "%ld failures)\n",
                name, r.answers / r.seconds, percentile(r.latencies, 0.5),
                percentile(r.latencies, 0.99), 1e6 * r.cpu / std::max(1L, r.answers), r.answers,
                r.failures);
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (seconds <= 0) seconds = 3.0;
    zserver::ServerOptions o;
    o.contentDir = ZEPHRUN_CONTENT_DIR;
    zserver::ContentServer server(o);
    if (!server.start()) {
        std::fprintf(stderr, "server_bench: %s\n", server.error().c_str());
        return 1;
    }
    std::printf("%d clients, OPEN messages, %.1f s a run, server on %s\n", kClients, seconds / 2,
                server.baseURL().c_str());
    // The machine is shared: each kind runs twice, alternating, and its better run counts.
    auto better = [](const Run& a, const Run& b) {
        return a.answers / a.seconds >= b.answers / b.seconds ? a : b;
    };
    Run fresh = load(server.port(), false, seconds / 2);
    Run kept = load(server.port(), true, seconds / 2);
    fresh = better(fresh, load(server.port(), false, seconds / 2));
    kept = better(kept, load(server.port(), true, seconds / 2));
    report("fresh connections", fresh);
    report("kept-alive connections", kept);
    std::printf("kept-alive / fresh: %.2f\n",
                (kept.answers / kept.seconds) / std::max(1.0, fresh.answers / fresh.seconds));

    // Memory: a body at the cap (read whole, then refused by the envelope reader), and a chunked
    // body of 300 MB, refused at the cap.
    resetPeak();
    double before = peakMegabytes();
    std::string buffer;
    int fd = connectTo(server.port());
    const std::string big(16u << 20, 'A');
    sendAll(fd, "POST /request.aspx HTTP/1.1\r\nContent-Length: " + std::to_string(big.size()) +
                    "\r\n\r\n");
    sendAll(fd, big);
    int bigStatus = readResponse(fd, buffer);
    ::close(fd);
    fd = connectTo(server.port());
    sendAll(fd, "POST /request.aspx HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::string chunk = "100000\r\n" + std::string(1u << 20, 'z') + "\r\n";
    // The answer comes while the body is still going out: read it meanwhile.
    int chunkedStatus = 0;
    std::thread reader([&] {
        std::string answer;
        chunkedStatus = readResponse(fd, answer);
    });
    int sentMB = 0;
    while (sentMB < 300 && sendAll(fd, chunk)) ++sentMB;
    ::shutdown(fd, SHUT_WR);
    reader.join();
    ::close(fd);
    std::printf("16 MB body: status %d; 300 MB chunked body: status %d after %d MB sent\n",
                bigStatus, chunkedStatus, sentMB);
    std::printf("resident memory peak: %.1f MB (%.1f MB before the bodies, the 16 MB of the "
                "client's own body included)\n",
                peakMegabytes(), before);
    server.stop();
    return 0;
}
