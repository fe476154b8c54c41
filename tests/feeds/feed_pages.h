// Served pages for the paged-feed tests: a web request handler answering "num_page" from a
// table of documents the test may change while the server runs, and counting its requests.
#pragma once

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "feed_fixture.h"

namespace feedtest {

inline const std::string kCDataStart = "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The payload of an xmlpipe feed: the kept document, its closing root tag, the CDATA end.
inline std::string xmlpipePayload(const std::string& keptDocument) {
    return kCDataStart + keptDocument + "</xmlpipe>]]>";
}

// What a page request is answered with.
struct PageAnswer {
    bool ok = true;
    std::string payload;
};

class PageTable {
  public:
    void set(int page, PageAnswer answer) {
        std::lock_guard lock(mutex_);
        pages_[page] = std::move(answer);
    }
    // Every answer held back this long (to widen the window of a race).
    void delay(std::chrono::milliseconds d) { delayMs_ = static_cast<int>(d.count()); }
    // Every page answered with status "error" from now on.
    void failAll(bool fail) { failAll_ = fail; }
    int requests() const { return requests_; }
    // The parameters of the last request.
    std::map<std::string, std::string> lastParams() const {
        std::lock_guard lock(mutex_);
        return lastParams_;
    }

    // Installs the handler for `id` on `server` (before start()).
    void serve(zserver::ContentServer& server, int id) {
        server.setWebRequest(id, [this](const zserver::Action& a) {
            ++requests_;
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
            std::lock_guard lock(mutex_);
            lastParams_ = a.params;
            zserver::WebRequestAnswer answer;
            if (failAll_) return answer;
            auto it = a.params.find("num_page");
            int page = it == a.params.end() ? 0 : std::atoi(it->second.c_str());
            auto p = pages_.find(page);
            if (p == pages_.end()) return answer;
            answer.ok = p->second.ok;
            answer.payload = p->second.payload;
            return answer;
        });
    }

  private:
    mutable std::mutex mutex_;
    std::map<int, PageAnswer> pages_;
    std::map<std::string, std::string> lastParams_;
    std::atomic<bool> failAll_{false};
    std::atomic<int> requests_{0};
    std::atomic<int> delayMs_{0};
};

// A served device: the reference server over a copy of the demo content, with a page table
// answering one web request id, and a device pointed at it whose shipped copies live in
// `package` (created, holding only the shipped configuration).
struct PagedSetup {
    explicit PagedSetup(int id) : package(fs::path(dir.path()) / "package") {
        fs::create_directories(package);
        // The configuration (web request ids) is read from the package directory.
        fs::copy_file(kRoot / "resources/ZephrunConfig.xml", package / "ZephrunConfig.xml");
        fs::copy(kRoot / "resources/server", fs::path(dir.path()) / "content",
                 fs::copy_options::recursive);
        zserver::ServerOptions o;
        o.contentDir = dir.file("content");
        server = std::make_unique<zserver::ContentServer>(o);
        table.serve(*server, id);
        device = std::make_unique<TestDelegate>(dir.file("docs"), package);
    }
    bool start() {
        if (!server->start()) return false;
        device->setServer(server->baseURL());
        return true;
    }
    // Writes a shipped copy.
    void ship(const std::string& name, const std::string& bytes) {
        std::ofstream(package / name, std::ios::binary) << bytes;
    }

    ts::TempDir dir;
    fs::path package;
    PageTable table;
    std::unique_ptr<zserver::ContentServer> server;
    std::unique_ptr<TestDelegate> device;
};

} // namespace feedtest
