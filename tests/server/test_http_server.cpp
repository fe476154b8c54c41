// The content server's HTTP layer under hostile clients: trickling and idle connections that
// must not hold anyone else up, a stop that does not wait for them, body caps (chunked too),
// malformed heads, kept-alive and pipelined requests, and byte ranges of static files.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>

#include "client/cipher.h"
#include "client/reply_parsers.h"
#include "server/content_server.h"
#include "server/http_message.h"
#include "server/http_server.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace zserver;
using Clock = std::chrono::steady_clock;

namespace {

const fs::path kDemoContent = fs::path(__FILE__).parent_path() / "../../resources/server";

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// A raw loopback connection, to send exactly the bytes a hostile client would.
class Raw {
  public:
    explicit Raw(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Raw() { ::close(fd_); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    bool connected() const { return connected_; }
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    // Everything until the peer closes or `seconds` pass.
    std::string readAll(double seconds) {
        std::string out = std::move(buffer_);
        buffer_.clear();
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buf[65536];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }
    // One response with a Content-Length body, or "" after `seconds`.
    std::string readResponse(double seconds) {
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            size_t head = buffer_.find("\r\n\r\n");
            if (head != std::string::npos) {
                size_t cl = buffer_.find("Content-Length: ");
                size_t length = cl < head ? std::stoul(buffer_.substr(cl + 16)) : 0;
                if (buffer_.size() >= head + 4 + length) {
                    std::string r = buffer_.substr(0, head + 4 + length);
                    buffer_.erase(0, r.size());
                    return r;
                }
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buf[65536];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) break;
            buffer_.append(buf, static_cast<size_t>(n));
        }
        return {};
    }
    // Sends `bytes` while reading what comes back into `received`; false when the connection
    // broke or stayed blocked for `seconds`.
    bool sendReading(std::string_view bytes, std::string& received, double seconds = 2.0) {
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (!bytes.empty() && Clock::now() < end) {
            pollfd p{fd_, POLLIN | POLLOUT, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (p.revents & POLLIN) {
                char buf[65536];
                ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
                if (n <= 0) return false;
                received.append(buf, static_cast<size_t>(n));
            }
            if (p.revents & POLLOUT) {
                ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN) return false;
                if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
            }
        }
        return bytes.empty();
    }
    // True when the server closed the connection within `seconds`.
    bool closedWithin(double seconds) {
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buf[4096];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return true;
        }
        return false;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    std::string buffer_;
};

int statusOf(const std::string& response) {
    return response.size() > 12 ? std::stoi(response.substr(9, 3)) : 0;
}

std::string bodyOf(const std::string& response) {
    size_t head = response.find("\r\n\r\n");
    return head == std::string::npos ? "" : response.substr(head + 4);
}

// An echo server: the body back, with the method and target in headers.
class EchoServer {
  public:
    explicit EchoServer(http::Limits limits = {}) : server_(echo, limits) {
        std::string error;
        EXPECT_TRUE(server_.listen("127.0.0.1", 0, &error)) << error;
        server_.start();
    }
    int port() const { return server_.port(); }
    http::Server& server() { return server_; }

  private:
    static void echo(const http::Request& req, http::Response& res) {
        res.headers.emplace_back("X-Target", req.method + " " + req.target);
        res.setContent(req.body, "application/octet-stream");
    }
    http::Server server_;
};

std::string openBody() {
    const std::string open =
        "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"P\"/><phone osname=\"L\" "
        "osversion=\"1\" phone_name=\"n\" /><application language=\"fr\" version=\"1\" "
        "last_config=\"\" last_notification=\"\" /><network type=\"wifi\"/><action "
        "name=\"OPEN\"></action></Omnivale>";
    return "data=" + kt::KT_EncryptWithBase64(open, kt::kCipherKey) + "&listVarCrypt=data";
}

std::string post(const std::string& target, const std::string& body) {
    return "POST " + target +
           " HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

} // namespace

TEST(HttpServer, TricklingClientsHoldNobodyUpAndStopDoesNotWaitForThem) {
    ServerOptions o;
    o.contentDir = kDemoContent.string();
    ContentServer server(o);
    ASSERT_TRUE(server.start()) << server.error();

    // 64 clients that each send a request head one byte at a time, slowly.
    std::vector<std::unique_ptr<Raw>> slow;
    for (int i = 0; i < 64; ++i) {
        slow.push_back(std::make_unique<Raw>(server.port()));
        ASSERT_TRUE(slow.back()->connected());
        slow.back()->send("P");
    }
    std::atomic<bool> trickling{true};
    std::thread trickler([&] {
        const std::string rest = "OST /request.aspx HTTP/1.1\r\nContent-Length: 10\r\n\r\n";
        for (size_t i = 0; trickling && i < rest.size(); ++i) {
            for (auto& c : slow) c->send(rest.substr(i, 1));
            for (int k = 0; trickling && k < 10; ++k)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Meanwhile, several OPENs from another client are each answered at once.
    for (int i = 0; i < 5; ++i) {
        Raw fast(server.port());
        auto start = Clock::now();
        ASSERT_TRUE(fast.send(post("/request.aspx", openBody())));
        std::string reply = fast.readResponse(1.0);
        EXPECT_LT(since(start), 1.0);
        ASSERT_EQ(statusOf(reply), 200) << reply;
        auto plain = kt::KT_DecryptWithBase64(bodyOf(reply), kt::kCipherKey);
        ASSERT_TRUE(plain);
        EXPECT_TRUE(kt::KT_ParseSessionID(*plain).getSessionID());
    }

    // And the server stops while they still trickle.
    auto start = Clock::now();
    server.stop();
    EXPECT_LT(since(start), 2.0);
    for (auto& c : slow) EXPECT_TRUE(c->closedWithin(1.0));
    trickling = false;
    trickler.join();
}

#ifdef ZEPHRUN_SERVER_TOOL
TEST(HttpServer, SigtermStopsTheServerWhileClientsTrickle) {
    ts::TempDir dir;
    const std::string log = dir.file("server.log");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string content = kDemoContent.string();
    const char* argv[] = {
        ZEPHRUN_SERVER_TOOL, "--content", content.c_str(), "--port", "0", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, ZEPHRUN_SERVER_TOOL, &actions, nullptr,
                          const_cast<char* const*>(argv), environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    int port = 0;
    for (int i = 0; i < 500 && port == 0; ++i) {
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        size_t at = text.find("listening on http://127.0.0.1:");
        if (at != std::string::npos) port = std::atoi(text.c_str() + at + 30);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(port, 0);
    std::vector<std::unique_ptr<Raw>> slow;
    for (int i = 0; i < 64; ++i) {
        slow.push_back(std::make_unique<Raw>(port));
        slow.back()->send("POST /request.aspx HTTP/1.1\r\nContent-Len");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto start = Clock::now();
    ::kill(pid, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && since(start) < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    EXPECT_EQ(ended, pid);
    EXPECT_LT(since(start), 2.0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

TEST(HttpServer, WholeRequestDeadlineAndIdleConnections) {
    http::Limits limits;
    limits.requestSeconds = 0.4;
    limits.idleSeconds = 0.3;
    EchoServer server(limits);

    // A byte every 100 ms never looks idle, but the request as a whole runs out of time.
    Raw slow(server.port());
    auto start = Clock::now();
    std::string answer;
    for (char ch : std::string("GET /slow HTTP/1.1\r\nHost: x\r\n")) {
        if (!slow.send(std::string(1, ch))) break;
        answer = slow.readAll(0.1);
        if (!answer.empty()) break;
    }
    EXPECT_EQ(statusOf(answer), 408) << answer;
    EXPECT_LT(since(start), 1.5);

    // A connection that never sends anything is closed after the idle time.
    Raw idle(server.port());
    start = Clock::now();
    EXPECT_TRUE(idle.closedWithin(2.0));
    EXPECT_LT(since(start), 1.0);
}

TEST(HttpServer, BodiesAreCappedWhateverTheirFraming) {
    EchoServer server;
    const size_t cap = http::Limits{}.maxBodyBytes;

    // A declared length past the cap is refused before any of the body is read.
    Raw declared(server.port());
    declared.send("POST /x HTTP/1.1\r\nContent-Length: " + std::to_string(cap + 1) + "\r\n\r\n");
    std::string answer = declared.readResponse(2.0);
    EXPECT_EQ(statusOf(answer), 413) << answer;
    EXPECT_NE(answer.find("Connection: close"), std::string::npos);

    // A chunked body is counted as it is decoded: 64 KB chunks until the server refuses.
    Raw chunked(server.port());
    chunked.send("POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'z') + "\r\n";
    size_t sent = 0;
    answer.clear();
    while (sent < 3 * cap && chunked.sendReading(chunk, answer)) sent += 0x10000;
    answer += chunked.readAll(1.0);
    EXPECT_EQ(statusOf(answer), 413) << answer.substr(0, 200);
    EXPECT_LT(sent, 3 * cap) << "the server kept reading far past the cap";

    // Up to the cap, both framings are accepted and reach the handler whole.
    const std::string body(1u << 20, 'b');
    Raw ok(server.port());
    ok.send("POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n100000;ext=1\r\n" + body +
            "\r\n0\r\nX-Trailer: t\r\n\r\n");
    answer = ok.readResponse(5.0);
    EXPECT_EQ(statusOf(answer), 200);
    EXPECT_EQ(bodyOf(answer), body);
    ok.send(post("/y", body));
    answer = ok.readResponse(5.0);
    EXPECT_EQ(statusOf(answer), 200);
    EXPECT_EQ(bodyOf(answer).size(), body.size());
}

TEST(HttpServer, MalformedHeadsAreRefused) {
    EchoServer server;
    const std::pair<std::string, int> cases[] = {
        {"GARBAGE\r\n\r\n", 400},
        {"GET /a HTTP/2.0\r\n\r\n", 505},
        {"GET a HTTP/1.1\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nBad Name: x\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nX: 1\r\n folded\r\n\r\n", 400},
        {"POST /a HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", 400},
        {"POST /a HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"POST /a HTTP/1.1\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n", 400},
        {"POST /a HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", 501},
        {"POST /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400},
        {"GET /a HTTP/1.1\r\nX: " + std::string(40000, 'a') + "\r\n\r\n", 431},
        {"GET /" + std::string(40000, 'a'), 431},
    };
    for (const auto& [request, status] : cases) {
        Raw c(server.port());
        c.send(request);
        std::string answer = c.readResponse(2.0);
        EXPECT_EQ(statusOf(answer), status) << request.substr(0, 80);
        EXPECT_TRUE(c.closedWithin(2.0)) << request.substr(0, 80);
    }
}

TEST(HttpServer, KeptAliveAndPipelinedRequestsAnswerInOrder) {
    EchoServer server;
    Raw c(server.port());
    c.send("GET /one HTTP/1.1\r\n\r\nPOST /two HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"
           "HEAD /three HTTP/1.1\r\n\r\n");
    std::string first = c.readResponse(2.0), second = c.readResponse(2.0);
    EXPECT_NE(first.find("X-Target: GET /one"), std::string::npos);
    EXPECT_NE(first.find("Connection: keep-alive"), std::string::npos);
    EXPECT_NE(second.find("X-Target: POST /two"), std::string::npos);
    EXPECT_EQ(bodyOf(second), "abc");
    // HEAD: the length of the body it would have, and no body.
    c.send("GET /four HTTP/1.1\r\nConnection: close\r\n\r\n");
    std::string rest = c.readAll(2.0);
    EXPECT_LT(rest.find("X-Target: HEAD /three"), rest.find("X-Target: GET /four")) << rest;
    EXPECT_NE(rest.find("X-Target: GET /four"), std::string::npos);
    EXPECT_NE(rest.find("Connection: close"), std::string::npos);

    // HTTP/1.0 closes unless asked otherwise.
    Raw old(server.port());
    old.send("GET /old HTTP/1.0\r\n\r\n");
    EXPECT_NE(old.readAll(2.0).find("Connection: close"), std::string::npos);
}

TEST(HttpServer, StaticFilesRefuseEscapesAndServeByteRanges) {
    ts::TempDir dir;
    fs::path content = fs::path(dir.path()) / "content";
    fs::copy(kDemoContent, content, fs::copy_options::recursive);
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i % 251);
    std::ofstream(content / "clip.webm", std::ios::binary) << bytes;
    std::ofstream(fs::path(dir.path()) / "secret.txt") << "outside the root";
    fs::create_symlink(fs::path(dir.path()) / "secret.txt", content / "secret.html");
    fs::create_directory_symlink(fs::path(dir.path()), content / "up");
    ServerOptions o;
    o.contentDir = content.string();
    ContentServer server(o);
    ASSERT_TRUE(server.start());

    auto request = [&](const std::string& target, const std::string& extra = "",
                       const std::string& method = "GET") {
        Raw c(server.port());
        c.send(method + " " + target + " HTTP/1.1\r\n" + extra + "Connection: close\r\n\r\n");
        return c.readAll(2.0);
    };
    // A NUL cuts no name short, and no link leads out of the content.
    for (auto target : {"/test.jpg%00.html", "/test.jpg%00", "/secret.html", "/up/secret.txt",
                        "/%2e%2e/secret.txt", "/a/../test.jpg"})
        EXPECT_EQ(statusOf(request(target)), 404) << target;
    EXPECT_EQ(statusOf(request("/test.jpg")), 200);

    auto get = [&](const std::string& extra, const std::string& method = "GET") {
        return request("/clip.webm", extra, method);
    };
    std::string whole = get("");
    EXPECT_EQ(statusOf(whole), 200);
    EXPECT_NE(whole.find("Content-Type: video/webm"), std::string::npos);
    EXPECT_NE(whole.find("Accept-Ranges: bytes"), std::string::npos);
    EXPECT_EQ(bodyOf(whole), bytes);

    std::string part = get("Range: bytes=100-199\r\n");
    EXPECT_EQ(statusOf(part), 206);
    EXPECT_NE(part.find("Content-Range: bytes 100-199/1000"), std::string::npos);
    EXPECT_EQ(bodyOf(part), bytes.substr(100, 100));
    EXPECT_EQ(bodyOf(get("Range: bytes=990-\r\n")), bytes.substr(990));
    EXPECT_EQ(bodyOf(get("Range: bytes=-5\r\n")), bytes.substr(995));
    EXPECT_EQ(bodyOf(get("Range: bytes=900-5000\r\n")), bytes.substr(900));
    std::string past = get("Range: bytes=1000-\r\n");
    EXPECT_EQ(statusOf(past), 416);
    EXPECT_NE(past.find("Content-Range: bytes */1000"), std::string::npos);
    // Several ranges: the whole file.
    EXPECT_EQ(statusOf(get("Range: bytes=0-1,5-6\r\n")), 200);
    std::string head = get("", "HEAD");
    EXPECT_NE(head.find("Content-Length: 1000"), std::string::npos);
    EXPECT_EQ(bodyOf(head), "");
    EXPECT_EQ(statusOf(get("", "DELETE")), 405);
}

TEST(HttpMessages, FormsCookiesAndRanges) {
    auto form = http::decodeUrlForm("name=a%26b&pass=%C3%A9+x%2B%25&empty=&flag&x=1&x=2&%zz=1");
    EXPECT_EQ(form["name"], "a&b");
    EXPECT_EQ(form["pass"], "\xC3\xA9 x+%");
    EXPECT_EQ(form["empty"], "");
    EXPECT_TRUE(form.count("flag"));
    EXPECT_EQ(form["x"], "2");
    EXPECT_EQ(form["%zz"], "1");

    EXPECT_EQ(http::cookieValue("a=1; ZSITE=\"tok\"; b=2", "ZSITE"), "tok");
    EXPECT_FALSE(http::cookieValue("XZSITE=1", "ZSITE"));

    EXPECT_FALSE(http::parseRange("items=0-1", 10));
    EXPECT_FALSE(http::parseRange("bytes=5-2", 10));
    EXPECT_FALSE(http::parseRange("bytes=x-", 10));
    EXPECT_FALSE(http::parseRange("bytes=-0", 10)->satisfiable);
    auto last = http::parseRange("bytes=-20", 10);
    EXPECT_EQ(last->first, 0u);
    EXPECT_EQ(last->length, 10u);

    EXPECT_EQ(http::contentTypeFor("a/b.JPG"), "image/jpeg");
    EXPECT_EQ(http::contentTypeFor("a.b/c"), "application/octet-stream");
}
