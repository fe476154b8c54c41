// A device for the feed tests: a defaults store and documents directory of its own, the
// configuration loaded from the shipped copy, a request client, and (on demand) the reference
// content server on loopback serving a copy of the demo content.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/persisted_keys.h"
#include "app/zephrun_configuration.h"
#include "client/kt_webtools.h"
#include "feeds/feed_delegate.h"
#include "platform/notification_center.h"
#include "platform/user_defaults.h"
#include "server/content_server.h"
#include "test_support.h"

namespace feedtest {

namespace fs = std::filesystem;

inline const fs::path kRoot = fs::path(__FILE__).parent_path().parent_path().parent_path();
inline const std::string kName = "Zephrun";

// The application delegate as the models see it.
class TestDelegate : public zephrun::FeedDelegate, public kt::KT_webtoolsDelegate {
  public:
    // `package`: the directory of shipped copies (default: the repository's resources/).
    explicit TestDelegate(const std::string& documents, fs::path package = kRoot / "resources")
        : package_(std::move(package)), defaults_(fs::path(documents) / "defaults"),
          config_(defaults_, kName, package_.string()) {
        zephrun::storeCachePaths(defaults_, kName, documents);
        defaults_.setString(zephrun::persistedKey(kName, zephrun::keys::kNetworkType), "wifi");
        wt_ = newWebtools();
    }

    // Points the client at a server ("http://127.0.0.1:PORT/"); unset: nothing configured.
    void setServer(const std::string& base) {
        config_.set_url_omv(base);
        config_.set_url_resize_image(base + "resize.aspx?");
    }

    kt::KT_webtools& myWT() override { return *wt_; }
    void waitWT() override {
        lock_.lock();
        ++locks_;
    }
    void stopUseWT() override { lock_.unlock(); }
    std::int32_t configInteger(std::string_view name) const override {
        return config_.integerNamed(name).value_or(0);
    }
    std::optional<std::string> url_resize_image() const override {
        return config_.url_resize_image();
    }
    std::optional<std::string> num_version_discographie() const override {
        return config_.num_version_discographie();
    }
    std::optional<std::string> myLogin() const override { return login_; }
    zplatform::UserDefaults& defaults() override { return defaults_; }
    std::string displayName() const override { return kName; }
    std::string packageDirectory() const override { return package_.string(); }
    std::unique_ptr<kt::KT_webtools> newWebtools() override {
        kt::KT_webtoolsEnvironment env;
        env.defaults = &defaults_;
        env.displayName = kName;
        env.center = &center_;
        env.device = zplatform::DeviceInfo{"0123456789abcdef0123456789abcdef01234567", "Linux",
                                           "6.1", "test phone"};
        env.language = "fr";
        env.bundleVersion = "1.0";
        return std::make_unique<kt::KT_webtools>(this, env);
    }

    // KT_webtoolsDelegate
    std::optional<std::string> url_omv() const override { return config_.url_omv(); }
    std::optional<std::string> myToken() const override { return std::nullopt; }
    void showNotification(const std::string&, const std::string&, const std::string&) override {}
    void updateConfig(std::string_view) override {}

    zephrun::ZephrunConfiguration& config() { return config_; }
    std::string path(std::string_view suffix) { return storedString(suffix); }
    void setLogin(std::optional<std::string> login) { login_ = std::move(login); }
    int lockCount() const { return locks_; }

  private:
    fs::path package_;
    zplatform::UserDefaults defaults_;
    zephrun::ZephrunConfiguration config_;
    zplatform::NotificationCenter center_;
    std::unique_ptr<kt::KT_webtools> wt_;
    std::recursive_mutex lock_;
    int locks_ = 0;
    std::optional<std::string> login_;
};

// The reference server over a private copy of resources/server (tests may edit the copy).
class ServedContent {
  public:
    // `withMedia`: also serve the built pictures and previews under "media/" (when the build
    // names their directory); without, covers and thumbnails are answered 1 x 1.
    explicit ServedContent(const std::string& dir, bool withMedia = false)
        : content_(fs::path(dir) / "content"), withMedia_(withMedia) {
        fs::copy(kRoot / "resources/server", content_, fs::copy_options::recursive);
    }
    ~ServedContent() { stop(); }
    bool start() {
        zserver::ServerOptions o;
        o.contentDir = content_.string();
#ifdef ZEPHRUN_SERVER_MEDIA
        if (withMedia_) o.mediaDir = ZEPHRUN_SERVER_MEDIA;
#endif
        server_ = std::make_unique<zserver::ContentServer>(o);
        return server_->start();
    }
    void stop() {
        server_.reset();
    }
    std::string baseURL() const {
        return server_->baseURL();
    }
    zserver::ContentServer& server() {
        return *server_;
    }
    const fs::path& content() const {
        return content_;
    }

  private:
    fs::path content_;
    bool withMedia_ = false;
    std::unique_ptr<zserver::ContentServer> server_;
};

// An address on loopback where nothing listens: a port bound and closed again.
inline std::string deadServerURL() {
    zserver::ServerOptions o;
    o.contentDir = (kRoot / "resources/server").string();
    zserver::ContentServer s(o);
    if (!s.start()) return "http://127.0.0.1:9/";
    std::string base = s.baseURL();
    s.stop();
    return base;
}

} // namespace feedtest
