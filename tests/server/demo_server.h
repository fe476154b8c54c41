// The reference server over a private copy of the demo content (and the built media when the
// build gives their directory), with a session and WEBREQUEST exchanges as the application
// sends them. Replies come back deciphered, with line feeds removed as the feed models do.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "client/cipher.h"
#include "client/reply_parsers.h"
#include "server/content_server.h"
#include "test_support.h"

namespace demo {

namespace fs = std::filesystem;

inline const fs::path kRoot = fs::path(__FILE__).parent_path().parent_path().parent_path();

// The built media, when the build names their directory.
inline std::string mediaDir() {
#ifdef ZEPHRUN_SERVER_MEDIA
    return ZEPHRUN_SERVER_MEDIA;
#else
    return {};
#endif
}

using Params = std::vector<std::pair<std::string, std::string>>;

inline std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string withoutLineFeeds(std::string s) {
    std::erase(s, '\n');
    return s;
}

class DemoServer {
  public:
    // `dbFile`: keep the stores in this SQLite file (else in memory).
    explicit DemoServer(const ts::TempDir& dir, std::string dbFile = {})
        : content_(fs::path(dir.path()) / "content"), data_(fs::path(dir.path()) / "data") {
        fs::copy(kRoot / "resources/server", content_, fs::copy_options::recursive);
        options_.contentDir = content_.string();
        options_.mediaDir = mediaDir();
        options_.dataDir = data_.string();
        options_.dbPath = std::move(dbFile);
    }

    bool start() {
        server_ = std::make_unique<zserver::ContentServer>(options_);
        if (!server_->start()) return false;
        session_.clear();
        return true;
    }
    void stop() { server_.reset(); }

    zserver::ContentServer& server() { return *server_; }
    std::string base() const { return server_->baseURL(); }
    const fs::path& content() const { return content_; }
    const fs::path& data() const { return data_; }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", server_->port());
        c.set_connection_timeout(5);
        c.set_read_timeout(10);
        return c;
    }

    // The deciphered reply to one message (line feeds removed), "" when none came.
    std::string post(const std::string& envelope) {
        auto body =
            "data=" + kt::KT_EncryptWithBase64(envelope, kt::kCipherKey) + "&listVarCrypt=data";
        auto res = client().Post("/request.aspx", body, "application/x-www-form-urlencoded");
        if (!res) return {};
        return withoutLineFeeds(kt::KT_DecryptWithBase64(res->body, kt::kCipherKey).value_or(""));
    }

    // One WEBREQUEST action in the session (opened on first use).
    std::string webRequest(int id, const Params& params = {}) {
        if (session_.empty()) openSession();
        std::string action = "<action name=\"WEBREQUEST\" id=\"" + std::to_string(id) + "\">";
        for (auto& [name, value] : params)
            action += "<param name=\"" + name + "\"><![CDATA[" + value + "]]></param>";
        action += "</action>";
        return post("<Omnivale v=\"1.0\"><id session=\"" + session_ + "\"/>" + action +
                    "</Omnivale>");
    }
    std::string page(int id, int n) { return webRequest(id, {{"num_page", std::to_string(n)}}); }

    // An HTTP GET of a path of the server; status 0 when no answer.
    std::pair<int, std::string> get(const std::string& path) const {
        auto res = client().Get(path);
        if (!res) return {0, ""};
        return {res->status, res->body};
    }

  private:
    void openSession() {
        auto reply = post("<Omnivale v=\"1.0\"><id application=\"7\" phone=\"DEVICE-1\"/>"
                          "<phone osname=\"Linux\" osversion=\"6.1\" phone_name=\"test\" />"
                          "<application language=\"fr\" version=\"1.0\" last_config=\"2030-01-01 "
                          "00:00:00\" last_notification=\"2030-01-01 00:00:00\" /><network "
                          "type=\"wifi\"/><action name=\"OPEN\"></action></Omnivale>");
        session_ = kt::KT_ParseSessionID(reply).getSessionID().value_or("");
        ASSERT_FALSE(session_.empty()) << reply;
    }

    fs::path content_, data_;
    zserver::ServerOptions options_;
    std::unique_ptr<zserver::ContentServer> server_;
    std::string session_;
};

// The marker of an answer with status "error".
inline std::string errorMarker(int id) {
    return "<action name=\"WEBREQUEST\" id=\"" + std::to_string(id) + "\" status=\"error\" >";
}

} // namespace demo
