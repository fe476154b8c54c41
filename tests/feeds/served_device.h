// A device served by the reference server over a copy of the demo content, with web-request
// handlers of the test installed before the server starts, counted per request.
#pragma once

#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "feed_fixture.h"

namespace feedtest {

inline const std::string kCData = "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The payload of an xmlpipe document answered under a WEBREQUEST "ok" marker.
inline std::string pipePayload(const std::string& keptDocument) {
    return kCData + keptDocument + "</xmlpipe>]]>";
}

// Every request seen by the handlers: how many per id, and the parameters of the last one.
class RequestRecord {
  public:
    void note(const zserver::Action& a) {
        std::lock_guard lock(mutex_);
        int id = a.id.value_or(-1);
        ++counts_[id];
        last_[id] = a.params;
    }
    int count(int id) const {
        std::lock_guard lock(mutex_);
        auto it = counts_.find(id);
        return it == counts_.end() ? 0 : it->second;
    }
    std::map<std::string, std::string> lastParams(int id) const {
        std::lock_guard lock(mutex_);
        auto it = last_.find(id);
        return it == last_.end() ? std::map<std::string, std::string>{} : it->second;
    }

  private:
    mutable std::mutex mutex_;
    std::map<int, int> counts_;
    std::map<int, std::map<std::string, std::string>> last_;
};

// The answer a handler gives now; the test may change it while the server runs.
class Answer {
  public:
    void set(bool ok, std::string payload) {
        std::lock_guard lock(mutex_);
        answer_ = {ok, std::move(payload)};
    }
    zserver::WebRequestAnswer get() const {
        std::lock_guard lock(mutex_);
        return answer_;
    }

  private:
    mutable std::mutex mutex_;
    zserver::WebRequestAnswer answer_;
};

struct ServedDevice {
    ServedDevice() : package(fs::path(dir.path()) / "package") {
        fs::create_directories(package);
        // The configuration ships with the application: web request ids 101 to 121.
        fs::copy_file(kRoot / "resources/ZephrunConfig.xml", package / "ZephrunConfig.xml");
        fs::copy(kRoot / "resources/server", fs::path(dir.path()) / "content",
                 fs::copy_options::recursive);
        zserver::ServerOptions o;
        o.contentDir = dir.file("content");
        server = std::make_unique<zserver::ContentServer>(o);
        device = std::make_unique<TestDelegate>(dir.file("docs"), package);
    }
    // Before start(): `handler` answers id, every request recorded.
    void handle(int id,
                const std::function<zserver::WebRequestAnswer(const zserver::Action&)>& handler) {
        server->setWebRequest(id, [this, handler](const zserver::Action& a) {
            record.note(a);
            return handler(a);
        });
    }
    // Before start(): id answered with what `answer` holds at the time of the request.
    void handle(int id, Answer& answer) {
        handle(id, [&answer](const zserver::Action&) { return answer.get(); });
    }
    bool start() {
        if (!server->start()) return false;
        device->setServer(server->baseURL());
        return true;
    }
    // Points the device at a closed port.
    void stopServing() { device->setServer(deadServerURL()); }
    void ship(const std::string& name, const std::string& bytes) {
        std::ofstream(package / name, std::ios::binary) << bytes;
    }
    std::string docs(const std::string& name) const { return dir.file("docs/" + name); }

    ts::TempDir dir;
    fs::path package;
    RequestRecord record;
    std::unique_ptr<zserver::ContentServer> server;
    std::unique_ptr<TestDelegate> device;
};

// Bytes of a GIF header of the given size: enough for the picture reader.
inline std::string gifBytes(int width, int height) {
    std::string b = "GIF89a";
    b += static_cast<char>(width & 0xFF);
    b += static_cast<char>(width >> 8);
    b += static_cast<char>(height & 0xFF);
    b += static_cast<char>(height >> 8);
    b += std::string("\x80\x00\x00", 3);
    return b;
}

} // namespace feedtest
