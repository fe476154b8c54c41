// The event loop (epoll, level-triggered) and the worker pool of the HTTP listener.
#include "server/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

namespace zserver::http {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadChunk = 64 * 1024;
// Read at most this much per connection per turn, so that one fast sender cannot starve others.
constexpr size_t kReadPerTurn = 256 * 1024;
constexpr size_t kFileChunk = 64 * 1024;
// After an answer that leaves part of a request unread, what is still read and thrown away so
// that closing does not reset the connection before the client has read the answer.
constexpr std::uint64_t kDrainBytes = 4u << 20;
constexpr double kDrainSeconds = 1.0;
constexpr std::uint64_t kChunkReserveStep = 1u << 20;
constexpr uint64_t kListenerId = 0, kWakeId = 1;

Clock::duration seconds(double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_;
};

std::string peerName(const sockaddr_storage& a) {
    char host[INET6_ADDRSTRLEN] = "";
    if (a.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, host, sizeof host);
    else if (a.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(a).sin6_addr, host, sizeof host);
    return host;
}

bool hasNoBody(int status) {
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

std::string serializeHead(const Response& r, bool keepAlive) {
    std::string s = "HTTP/1.1 " + std::to_string(r.status) + " " + reasonPhrase(r.status) + "\r\n";
    for (const auto& [name, value] : r.headers) {
        // A handler's value never forges another header line.
        if (name.find_first_of("\r\n:") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos)
            continue;
        s += name + ": " + value + "\r\n";
    }
    if (!hasNoBody(r.status)) s += "Content-Length: " + std::to_string(r.bodySize()) + "\r\n";
    s += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return s;
}

} // namespace

struct Server::Impl {
    enum class State { Head, Body, Chunked, Working, Writing, Draining };

    struct Conn {
        std::uint64_t id = 0;
        Fd fd;
        std::string peer;
        State state = State::Head;
        std::string in;
        size_t scanned = 0; // bytes of `in` already searched for the head's end
        Head head;
        std::unique_ptr<ChunkedDecoder> chunked;
        std::uint64_t reserved = 0; // body budget held
        bool paused = false;        // waiting for body budget
        bool requestStarted = false;
        Clock::time_point deadline;
        std::uint32_t events = 0;
        int requests = 0;
        // The answer going out.
        std::string out;
        size_t outPos = 0;
        std::shared_ptr<FileBody> file;
        std::uint64_t fileSent = 0;
        std::string fileBuf;
        size_t fileBufPos = 0;
        bool closeAfter = false;
        bool drainAfter = false;
        std::uint64_t drained = 0;
        bool answerPending = false; // logged once its response went out or broke
        std::uint64_t logBytes = 0;
        Request logRequest;
        Response logResponse;
    };

    struct Job {
        std::uint64_t conn;
        Request request;
        bool keepAlive;
    };
    struct Done {
        std::uint64_t conn;
        Request request;
        Response response;
        bool keepAlive;
    };

    Handler handler;
    Limits limits;
    AccessLog log;
    Fd listener, epoll, wake;
    int port = 0;
    std::thread loopThread;
    std::vector<std::thread> workers;
    std::atomic<bool> stopping{false};
    bool started = false;

    // Loop thread only.
    std::unordered_map<std::uint64_t, std::unique_ptr<Conn>> conns;
    std::uint64_t nextId = 2;
    std::uint64_t budgetUsed = 0;
    std::deque<std::uint64_t> waitingForBudget;
    Clock::time_point nextSweep;

    // Shared with the workers.
    std::mutex jobMutex;
    std::condition_variable jobReady;
    std::deque<Job> jobs;
    bool workersStop = false;
    std::mutex doneMutex;
    std::vector<Done> done;

    Impl(Handler h, Limits l, AccessLog g) : handler(std::move(h)), limits(l), log(std::move(g)) {}

    // --- Set-up ---

    bool listen(const std::string& host, int wanted, std::string* error) {
        auto fail = [&](std::string why) {
            if (error) *error = std::move(why);
            listener.reset();
            return false;
        };
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        std::string service = std::to_string(wanted);
        if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
            return fail("cannot resolve " + host);
        std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
        listener.reset(::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (listener.get() < 0) return fail("cannot create a socket");
        // Address reuse for restarts, never port sharing: a busy port must be an error.
        int yes = 1;
        setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(listener.get(), found->ai_addr, found->ai_addrlen) != 0)
            return fail("cannot listen on " + host + ":" + service + ": " +
                        std::error_code(errno, std::generic_category()).message());
        if (::listen(listener.get(), SOMAXCONN) != 0) return fail("cannot listen");
        sockaddr_storage bound{};
        socklen_t len = sizeof bound;
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &len);
        port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                                 : reinterpret_cast<sockaddr_in&>(bound).sin_port);
        return true;
    }

    void start() {
        if (started || listener.get() < 0) return;
        started = true;
        epoll.reset(epoll_create1(EPOLL_CLOEXEC));
        wake.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
        watch(listener.get(), kListenerId, EPOLL_CTL_ADD, EPOLLIN);
        watch(wake.get(), kWakeId, EPOLL_CTL_ADD, EPOLLIN);
        int count = limits.workers > 0
                        ? limits.workers
                        : std::max(4, 2 * static_cast<int>(std::thread::hardware_concurrency()));
        for (int i = 0; i < count; ++i) workers.emplace_back([this] { work(); });
        loopThread = std::thread([this] { loop(); });
    }

    void stop() {
        if (!started) return;
        stopping = true;
        signal();
        if (loopThread.joinable()) loopThread.join();
        {
            std::lock_guard lock(jobMutex);
            workersStop = true;
            jobs.clear();
        }
        jobReady.notify_all();
        for (auto& w : workers) w.join();
        workers.clear();
        started = false;
    }

    void signal() {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake.get(), &one, sizeof one);
    }

    void watch(int fd, std::uint64_t id, int op, std::uint32_t events) {
        epoll_event ev{};
        ev.events = events;
        ev.data.u64 = id;
        epoll_ctl(epoll.get(), op, fd, &ev);
    }

    void setEvents(Conn& c, std::uint32_t events) {
        if (c.events == events) return;
        c.events = events;
        watch(c.fd.get(), c.id, EPOLL_CTL_MOD, events);
    }

    // --- Workers ---

    void work() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(jobMutex);
                jobReady.wait(lock, [this] { return workersStop || !jobs.empty(); });
                if (workersStop) return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            Response res;
            try {
                handler(job.request, res);
            } catch (...) {
                res = Response{};
                res.status = 500;
                res.setContent("internal error\n", "text/plain; charset=utf-8");
            }
            job.request.body.clear();
            job.request.body.shrink_to_fit();
            {
                std::lock_guard lock(doneMutex);
                done.push_back({job.conn, std::move(job.request), std::move(res), job.keepAlive});
            }
            signal();
        }
    }

    // --- The loop ---

    void loop() {
        std::vector<epoll_event> ready(256);
        nextSweep = Clock::now();
        while (!stopping) {
            auto now = Clock::now();
            int wait = static_cast<int>(std::clamp<long long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(nextSweep - now).count(), 0,
                50));
            int n = epoll_wait(epoll.get(), ready.data(), static_cast<int>(ready.size()), wait);
            if (stopping) break;
            for (int i = 0; i < n; ++i) {
                std::uint64_t id = ready[static_cast<size_t>(i)].data.u64;
                std::uint32_t ev = ready[static_cast<size_t>(i)].events;
                if (id == kListenerId)
                    acceptAll();
                else if (id == kWakeId)
                    collectDone();
                else
                    onEvent(id, ev);
            }
            if (Clock::now() >= nextSweep) sweep();
        }
        conns.clear();
        listener.reset();
    }

    Conn* find(std::uint64_t id) {
        auto it = conns.find(id);
        return it == conns.end() ? nullptr : it->second.get();
    }

    void acceptAll() {
        for (;;) {
            sockaddr_storage addr{};
            socklen_t len = sizeof addr;
            int fd = ::accept4(listener.get(), reinterpret_cast<sockaddr*>(&addr), &len,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return; // EAGAIN, or a connection that went away while queued
            if (static_cast<int>(conns.size()) >= limits.maxConnections) {
                ::close(fd);
                continue;
            }
            int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            auto c = std::make_unique<Conn>();
            c->id = nextId++;
            c->fd.reset(fd);
            c->peer = peerName(addr);
            c->deadline = Clock::now() + seconds(limits.idleSeconds);
            c->events = EPOLLIN;
            watch(fd, c->id, EPOLL_CTL_ADD, EPOLLIN);
            conns.emplace(c->id, std::move(c));
        }
    }

    void close(Conn& c) {
        releaseBudget(c);
        std::uint64_t id = c.id;
        conns.erase(id); // closes the socket, which also leaves epoll
        resumeWaiting();
    }

    void onEvent(std::uint64_t id, std::uint32_t ev) {
        Conn* c = find(id);
        if (!c) return;
        if (ev & (EPOLLERR | EPOLLHUP)) {
            if (c->state == State::Writing) logAnswer(*c);
            close(*c);
            return;
        }
        if ((ev & EPOLLIN) && !readable(*c)) return;
        if (c = find(id); c && (ev & EPOLLOUT) && c->state == State::Writing) write(*c);
    }

    // Reads what arrived; false when the connection was closed.
    bool readable(Conn& c) {
        char buf[kReadChunk];
        size_t taken = 0;
        while (taken < kReadPerTurn) {
            ssize_t n = ::recv(c.fd.get(), buf, sizeof buf, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                close(c);
                return false;
            }
            if (n == 0) {
                // The client is gone (or finished sending after an answer we drain after).
                close(c);
                return false;
            }
            taken += static_cast<size_t>(n);
            if (c.state == State::Draining) {
                c.drained += static_cast<std::uint64_t>(n);
                if (c.drained > kDrainBytes) {
                    close(c);
                    return false;
                }
                continue;
            }
            if (!c.requestStarted) {
                c.requestStarted = true;
                c.deadline = Clock::now() + seconds(limits.requestSeconds);
            }
            c.in.append(buf, static_cast<size_t>(n));
            if (c.state == State::Head && c.in.size() > limits.maxHeadBytes + 4) break;
        }
        if (c.state == State::Draining) return true;
        return advance(c);
    }

    // Moves the connection's request forward with what `in` holds; false when it was closed.
    bool advance(Conn& c) {
        for (;;) {
            switch (c.state) {
            case State::Head: {
                // Blank lines before a request are tolerated.
                size_t skip = 0;
                while (skip + 1 < c.in.size() && c.in[skip] == '\r' && c.in[skip + 1] == '\n')
                    skip += 2;
                if (skip) {
                    c.in.erase(0, skip);
                    c.scanned = 0;
                }
                size_t from = c.scanned > 3 ? c.scanned - 3 : 0;
                size_t end = c.in.find("\r\n\r\n", from);
                if (end == std::string::npos) {
                    c.scanned = c.in.size();
                    if (c.in.size() > limits.maxHeadBytes)
                        return answerError(c, 431, "request head too large");
                    return true;
                }
                if (end > limits.maxHeadBytes) return answerError(c, 431, "request head too large");
                HeadError why;
                auto head = parseHead(std::string_view(c.in).substr(0, end), &why);
                if (!head) return answerError(c, why.status, why.why);
                c.head = std::move(*head);
                c.head.request.peer = c.peer;
                c.in.erase(0, end + 4);
                c.scanned = 0;
                if (!c.head.chunked && c.head.contentLength > limits.maxBodyBytes)
                    return answerError(c, 413, "request body too large");
                if (c.head.expectContinue && (c.head.chunked || c.head.contentLength > 0))
                    sendInterim(c);
                if (c.head.chunked) {
                    c.chunked = std::make_unique<ChunkedDecoder>(limits.maxBodyBytes);
                    c.state = State::Chunked;
                } else if (c.head.contentLength > 0) {
                    c.state = State::Body;
                    if (!reserve(c, c.head.contentLength)) return true;
                    c.head.request.body.reserve(static_cast<size_t>(c.head.contentLength));
                } else {
                    return dispatch(c);
                }
                break;
            }
            case State::Body: {
                if (c.paused) return true;
                std::string& body = c.head.request.body;
                size_t need = static_cast<size_t>(c.head.contentLength - body.size());
                size_t take = std::min(need, c.in.size());
                body.append(c.in, 0, take);
                c.in.erase(0, take);
                if (body.size() < c.head.contentLength) return true;
                return dispatch(c);
            }
            case State::Chunked: {
                if (c.paused) return true;
                std::string& body = c.head.request.body;
                auto result = c.chunked->feed(c.in, body);
                if (result == ChunkedDecoder::State::TooLarge)
                    return answerError(c, 413, "request body too large");
                if (result == ChunkedDecoder::State::Malformed)
                    return answerError(c, 400, "malformed chunked body");
                if (result == ChunkedDecoder::State::Done) return dispatch(c);
                if (body.size() + kChunkReserveStep > c.reserved)
                    reserve(c, body.size() + kChunkReserveStep);
                return true;
            }
            case State::Working:
            case State::Writing:
            case State::Draining:
                return true;
            }
        }
    }

    // Holds `total` bytes of body budget for the connection (growing its reservation); when the
    // budget is spent, pauses its reading until another connection gives some back.
    bool reserve(Conn& c, std::uint64_t total) {
        std::uint64_t extra = total > c.reserved ? total - c.reserved : 0;
        bool alone = budgetUsed == c.reserved; // someone must always be able to go on
        if (!alone && budgetUsed + extra > limits.bodyBudgetBytes) {
            if (!c.paused) {
                c.paused = true;
                setEvents(c, 0);
                waitingForBudget.push_back(c.id);
            }
            return false;
        }
        budgetUsed += extra;
        c.reserved = total;
        return true;
    }

    void releaseBudget(Conn& c) {
        budgetUsed -= std::min(budgetUsed, c.reserved);
        c.reserved = 0;
    }

    void resumeWaiting() {
        while (!waitingForBudget.empty()) {
            Conn* c = find(waitingForBudget.front());
            if (!c || !c->paused) {
                waitingForBudget.pop_front();
                continue;
            }
            std::uint64_t want = c->state == State::Body
                                     ? c->head.contentLength
                                     : c->head.request.body.size() + kChunkReserveStep;
            std::uint64_t extra = want > c->reserved ? want - c->reserved : 0;
            if (budgetUsed != c->reserved && budgetUsed + extra > limits.bodyBudgetBytes) return;
            waitingForBudget.pop_front();
            budgetUsed += extra;
            c->reserved = want;
            c->paused = false;
            setEvents(*c, EPOLLIN);
            advance(*c);
        }
    }

    void sendInterim(Conn& c) {
        static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
        // Best effort: a client that cannot take 25 bytes now sends its body after a pause.
        [[maybe_unused]] ssize_t n =
            ::send(c.fd.get(), kContinue.data(), kContinue.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    bool dispatch(Conn& c) {
        c.state = State::Working;
        c.chunked.reset();
        setEvents(c, 0);
        ++c.requests;
        bool keepAlive = c.head.keepAlive && c.requests < limits.maxRequestsPerConnection;
        {
            std::lock_guard lock(jobMutex);
            jobs.push_back({c.id, std::move(c.head.request), keepAlive});
        }
        jobReady.notify_one();
        c.head = Head{};
        return true;
    }

    void collectDone() {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(wake.get(), &count, sizeof count);
        std::vector<Done> batch;
        {
            std::lock_guard lock(doneMutex);
            batch.swap(done);
        }
        for (Done& d : batch) {
            Conn* c = find(d.conn);
            if (!c) {
                if (log) log(d.request, d.response, d.response.bodySize());
                continue;
            }
            releaseBudget(*c);
            bool head = d.request.method == "HEAD";
            bool keep = d.keepAlive && !d.response.close && !stopping;
            startAnswer(*c, std::move(d.request), std::move(d.response), keep, head, false);
            resumeWaiting();
            if ((c = find(d.conn))) write(*c);
        }
    }

    void startAnswer(Conn& c, Request req, Response res, bool keepAlive, bool headOnly,
                     bool drain) {
        c.out = serializeHead(res, keepAlive);
        c.logBytes = res.bodySize();
        c.outPos = 0;
        if (!headOnly && !hasNoBody(res.status)) {
            if (res.file)
                c.file = res.file;
            else
                c.out += res.body;
        }
        c.fileSent = 0;
        c.fileBuf.clear();
        c.fileBufPos = 0;
        c.closeAfter = !keepAlive;
        c.drainAfter = drain;
        c.state = State::Writing;
        c.deadline = Clock::now() + seconds(limits.writeStallSeconds);
        res.body.clear();
        res.body.shrink_to_fit();
        res.file.reset();
        c.logRequest = std::move(req);
        c.logResponse = std::move(res);
        c.answerPending = true;
    }

    // Answers a request the loop itself refuses, then closes.
    bool answerError(Conn& c, int status, const std::string& why) {
        Request req = std::move(c.head.request);
        req.peer = c.peer;
        Response res;
        res.status = status;
        res.setContent(why + "\n", "text/plain; charset=utf-8");
        res.logDetail = "refused: " + why;
        c.in.clear();
        c.chunked.reset();
        releaseBudget(c);
        c.paused = false;
        startAnswer(c, std::move(req), std::move(res), false, false, true);
        resumeWaiting();
        return write(c);
    }

    // Sends what the socket takes; false when the connection was closed.
    bool write(Conn& c) {
        auto progress = [&] { c.deadline = Clock::now() + seconds(limits.writeStallSeconds); };
        for (;;) {
            if (c.outPos < c.out.size()) {
                ssize_t n = ::send(c.fd.get(), c.out.data() + c.outPos, c.out.size() - c.outPos,
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    if (errno == EAGAIN || errno == EWOULDBLOCK) {
                        setEvents(c, EPOLLOUT);
                        return true;
                    }
                    logAnswer(c);
                    close(c);
                    return false;
                }
                c.outPos += static_cast<size_t>(n);
                progress();
                continue;
            }
            if (c.file && (c.fileSent < c.file->length || c.fileBufPos < c.fileBuf.size())) {
                if (c.fileBufPos >= c.fileBuf.size()) {
                    size_t want = static_cast<size_t>(
                        std::min<std::uint64_t>(kFileChunk, c.file->length - c.fileSent));
                    c.fileBuf.resize(want);
                    ssize_t r = ::pread(c.file->fd, c.fileBuf.data(), want,
                                        static_cast<off_t>(c.file->offset + c.fileSent));
                    if (r <= 0) {
                        // The file shrank under us: the length already announced cannot be met.
                        logAnswer(c);
                        close(c);
                        return false;
                    }
                    c.fileBuf.resize(static_cast<size_t>(r));
                    c.fileBufPos = 0;
                    c.fileSent += static_cast<std::uint64_t>(r);
                }
                ssize_t n = ::send(c.fd.get(), c.fileBuf.data() + c.fileBufPos,
                                   c.fileBuf.size() - c.fileBufPos, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    if (errno == EAGAIN || errno == EWOULDBLOCK) {
                        setEvents(c, EPOLLOUT);
                        return true;
                    }
                    logAnswer(c);
                    close(c);
                    return false;
                }
                c.fileBufPos += static_cast<size_t>(n);
                progress();
                continue;
            }
            break;
        }
        logAnswer(c);
        c.out.clear();
        c.out.shrink_to_fit();
        c.file.reset();
        c.fileBuf.clear();
        c.fileBuf.shrink_to_fit();
        if (c.closeAfter) {
            if (!c.drainAfter) {
                close(c);
                return false;
            }
            ::shutdown(c.fd.get(), SHUT_WR);
            c.state = State::Draining;
            c.deadline = Clock::now() + seconds(kDrainSeconds);
            setEvents(c, EPOLLIN);
            return true;
        }
        c.state = State::Head;
        c.requestStarted = !c.in.empty();
        c.deadline =
            Clock::now() + seconds(c.requestStarted ? limits.requestSeconds : limits.idleSeconds);
        setEvents(c, EPOLLIN);
        return advance(c); // a pipelined request may already be here
    }

    void logAnswer(Conn& c) {
        if (log && c.answerPending) log(c.logRequest, c.logResponse, c.logBytes);
        c.answerPending = false;
        c.logRequest = Request{};
        c.logResponse = Response{};
    }

    // Deadlines: idle connections close, unfinished requests are answered 408, stalled answers
    // and drains end.
    void sweep() {
        auto now = Clock::now();
        nextSweep = now + std::chrono::milliseconds(50);
        std::vector<std::uint64_t> expired;
        for (auto& [id, c] : conns)
            if (c->state != State::Working && c->deadline <= now) expired.push_back(id);
        for (std::uint64_t id : expired) {
            Conn* c = find(id);
            if (!c) continue;
            switch (c->state) {
            case State::Head:
                if (!c->requestStarted) {
                    close(*c);
                    break;
                }
                [[fallthrough]];
            case State::Body:
            case State::Chunked:
                answerError(*c, 408, "request not received in time");
                break;
            case State::Writing:
                logAnswer(*c);
                close(*c);
                break;
            case State::Draining:
            case State::Working:
                close(*c);
                break;
            }
        }
    }
};

Server::Server(Handler handler, Limits limits, AccessLog log)
    : impl_(std::make_unique<Impl>(std::move(handler), limits, std::move(log))) {}

Server::~Server() {
    stop();
}

bool Server::listen(const std::string& host, int port, std::string* error) {
    return impl_->listen(host, port, error);
}

int Server::port() const {
    return impl_->port;
}

void Server::start() {
    impl_->start();
}

void Server::stop() {
    impl_->stop();
}

} // namespace zserver::http
