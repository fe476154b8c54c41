// The shell's server session against the reference content server on loopback: OPEN, shared
// session id, events, CLOSE, the notification shown once, the configuration update cached, and
// a server that is down.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "app/persisted_keys.h"
#include "app/server_session.h"
#include "app/zephrun_configuration.h"
#include "loopback_socket.h"
#include "platform/notification_center.h"
#include "platform/text_date.h"
#include "platform/user_defaults.h"
#include "server/content_server.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace zephrun;

namespace {

const fs::path kRoot = fs::path(__FILE__).parent_path().parent_path().parent_path();
const std::string kName = "Zephrun";
const std::string kServedConfigDate = "2026-12-05 09:00:00"; // resources/server's config date

struct Alert {
    std::string title, message, button;
};

// One device: its defaults, documents and configuration, as a launch builds them.
class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        content_ = fs::path(dir_.path()) / "content";
        fs::copy(kRoot / "resources/server", content_, fs::copy_options::recursive);
        defaults_.emplace(fs::path(dir_.path()) / "defaults");
        storeCachePaths(*defaults_, kName, (fs::path(dir_.path()) / "Documents").string());
        defaults_->setString(persistedKey(kName, keys::kNetworkType), "wifi");
    }
    void TearDown() override {
        server_.reset(); // before the content directory goes
    }

    void startServer() {
        zserver::ServerOptions o;
        o.contentDir = content_.string();
        o.log = [this](std::string_view) { ++requests_; };
        server_ = std::make_unique<zserver::ContentServer>(o);
        ASSERT_TRUE(server_->start()) << server_->error();
    }

    // A launch: configuration from the cache or the shipped copy, pointed at the server.
    std::unique_ptr<ServerSession> launch(const std::string& base) {
        config_.emplace(*defaults_, kName, (kRoot / "resources").string());
        config_->set_url_omv(base);
        kt::KT_webtoolsEnvironment env;
        env.center = &center_;
        env.device = zplatform::DeviceInfo{"0123456789abcdef0123456789abcdef01234567", "Linux",
                                           "6.1", "test phone"};
        env.language = "fr";
        env.bundleVersion = "1.0";
        return std::make_unique<ServerSession>(
            *defaults_, kName, *config_,
            [this](const std::string& t, const std::string& m, const std::string& b) {
                alerts_.push_back({t, m, b});
            },
            env);
    }

    std::optional<std::string> stored(std::string_view suffix) {
        return defaults_->stringForKey(persistedKey(kName, suffix));
    }

    ts::TempDir dir_;
    fs::path content_;
    std::optional<zplatform::UserDefaults> defaults_;
    std::optional<ZephrunConfiguration> config_;
    zplatform::NotificationCenter center_;
    std::unique_ptr<zserver::ContentServer> server_;
    std::atomic<int> requests_{0};
    std::vector<Alert> alerts_;
};

TEST_F(SessionTest, OpenSharesTheSessionThenEventsAndCloseReachTheServer) {
    startServer();
    auto session = launch(server_->baseURL());
    ASSERT_TRUE(session->open(std::string("a1b2c3"), "wifi"));
    EXPECT_TRUE(session->isOpen());
    const auto id = session->sessionID();
    ASSERT_TRUE(id);
    EXPECT_TRUE(std::regex_match(*id, std::regex("[0-9a-f]{32}"))) << *id;
    EXPECT_EQ(session->myWTEvent().sessionID(), id);

    auto device = server_->store().session(*id);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->token, "a1b2c3");
    EXPECT_EQ(device->networkType, "wifi");
    EXPECT_EQ(device->language, "fr");

    const std::string start = "2026-12-08 10:00:00";
    session->sendEventWithID(31, "");
    session->sendEventWithID(32, "http://127.0.0.1/preview.mp3");
    session->sendEventWithID(33, "", start);
    session->sendEventWithID(34, "home_2010", start);
    EXPECT_TRUE(session->finishPendingExchanges(10));

    auto events = server_->store().events(*id);
    ASSERT_EQ(events.size(), 4u);
    std::map<int, zserver::Event> byId;
    for (const auto& e : events) byId[e.event.id] = e.event;
    ASSERT_EQ(byId.size(), 4u);
    EXPECT_EQ(byId[31].hit, 1);
    EXPECT_FALSE(byId[31].cle); // key "" sends no key attribute
    ASSERT_TRUE(byId[31].date);
    EXPECT_TRUE(zplatform::parseProtocolDate(*byId[31].date));
    EXPECT_EQ(byId[32].cle, "http://127.0.0.1/preview.mp3");
    EXPECT_EQ(byId[33].start, start);
    EXPECT_FALSE(byId[33].cle);
    ASSERT_TRUE(byId[33].stop);
    EXPECT_GT(*byId[33].stop, start); // now, after the given start
    EXPECT_FALSE(byId[33].hit);
    EXPECT_EQ(byId[34].cle, "home_2010");
    EXPECT_EQ(byId[34].start, start);

    session->close();
    EXPECT_FALSE(session->isOpen());
    EXPECT_TRUE(session->finishPendingExchanges(10));
    EXPECT_FALSE(server_->store().isOpen(*id));

    // Nothing leaves after the close, neither events nor a second CLOSE.
    const int before = requests_;
    session->sendEventWithID(31, "");
    session->sendEventWithID(33, "", start);
    session->close();
    EXPECT_TRUE(session->finishPendingExchanges(10));
    EXPECT_EQ(requests_, before);
    EXPECT_EQ(server_->store().events(*id).size(), 4u);
}

TEST_F(SessionTest, EventKeysWithMarkupCharactersArriveUnchanged) {
    startServer();
    auto session = launch(server_->baseURL());
    ASSERT_TRUE(session->open(std::nullopt, "wifi"));
    const std::string key = "http://127.0.0.1/play?track=3&format=\"mp3\"<1>";
    session->sendEventWithID(51, key);
    session->sendEventWithID(52, key, "2026-12-08 10:00:00");
    EXPECT_TRUE(session->finishPendingExchanges(10));
    auto events = server_->store().events(*session->sessionID());
    ASSERT_EQ(events.size(), 2u);
    for (const auto& e : events) EXPECT_EQ(e.event.cle, key) << e.event.id;
}

TEST_F(SessionTest, DestroyedWithExchangesInFlight) {
    startServer();
    auto session = launch(server_->baseURL());
    ASSERT_TRUE(session->open(std::nullopt, "wifi"));
    for (int i = 0; i < 5; ++i) session->sendEventWithID(60 + i, "k");
    session->close();
    session.reset(); // cancels what has not finished; nothing may call back afterwards
    EXPECT_EQ(center_.observerCount(), 0u);
}

TEST_F(SessionTest, NotificationShownOnceAndConfigurationCached) {
    startServer();
    {
        auto session = launch(server_->baseURL());
        ASSERT_TRUE(session->open(std::nullopt, "wifi"));
        ASSERT_EQ(alerts_.size(), 1u);
        EXPECT_EQ(alerts_[0].title, "Zephrun");
        EXPECT_NE(alerts_[0].message.find("New tour"), std::string::npos);
        EXPECT_EQ(alerts_[0].button, "OK");
        auto dateNotif = stored(keys::kDateNotif);
        ASSERT_TRUE(dateNotif);
        EXPECT_TRUE(zplatform::parseProtocolDate(*dateNotif)) << *dateNotif;

        // The served configuration names the server itself: applied now and cached.
        EXPECT_EQ(stored(keys::kDateConfig), kServedConfigDate);
        EXPECT_EQ(config_->url_omv(), server_->baseURL());
        auto device = server_->store().session(*session->sessionID());
        ASSERT_TRUE(device);
        EXPECT_EQ(device->token, ""); // no token: no token attribute
        session->close();
        session->finishPendingExchanges(5);
    }
    const auto cachedPath = stored(keys::kPathConfigFile);
    ASSERT_TRUE(cachedPath);
    std::ifstream in(*cachedPath);
    const std::string cached{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(cached.find(server_->baseURL()), std::string::npos) << cached;

    // The next launch reads the cached copy (no package copy at all this time) and, having shown
    // the notification and read the configuration, gets neither again.
    {
        ZephrunConfiguration fromCache(*defaults_, kName, dir_.file("no-package"));
        EXPECT_EQ(fromCache.url_omv(), server_->baseURL());
        EXPECT_EQ(fromCache.date_config(), kServedConfigDate);
    }
    const auto firstNotifDate = stored(keys::kDateNotif);
    auto session = launch(server_->baseURL());
    config_->set_url_omv(server_->baseURL());
    ASSERT_TRUE(session->open(std::nullopt, "wifi"));
    EXPECT_EQ(alerts_.size(), 1u);
    EXPECT_EQ(stored(keys::kDateNotif), firstNotifDate);
}

TEST_F(SessionTest, NotificationWithoutConfigurationLeavesTheConfigurationAlone) {
    fs::remove(content_ / "ZephrunConfig.xml");
    startServer();
    auto session = launch(server_->baseURL());
    const auto dateConfig = stored(keys::kDateConfig);
    const auto values = config_->values();
    ASSERT_TRUE(session->open(std::nullopt, "wifi"));
    EXPECT_EQ(alerts_.size(), 1u);
    EXPECT_TRUE(stored(keys::kDateNotif));
    EXPECT_EQ(stored(keys::kDateConfig), dateConfig);
    EXPECT_EQ(config_->id_wr_news_fr(), values.id_wr_news_fr);
    EXPECT_EQ(config_->url_omv(), server_->baseURL());
}

TEST_F(SessionTest, ServerDownGivesNoSessionAndTheLaunchGoesOn) {
    startServer();
    const std::string base = server_->baseURL();
    server_.reset(); // the port now refuses connections
    auto session = launch(base);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(session->open(std::string("a1b2"), "wifi"));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(16));
    EXPECT_FALSE(session->isOpen());
    EXPECT_FALSE(session->sessionID());
    EXPECT_FALSE(session->myWTEvent().sessionID());
    EXPECT_TRUE(alerts_.empty());
    EXPECT_FALSE(stored(keys::kDateNotif));
    // The end of such a run sends no CLOSE (there is no session to close) and returns at once.
    session->close();
    EXPECT_TRUE(session->finishPendingExchanges(1));
}

using SilentListener = ts::SilentLoopbackListener;

TEST_F(SessionTest, StalledServerTimesOutWithoutSession) {
    SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    auto session = launch(silent.baseURL());
    session->myWT().setTimeoutOverrideForTesting(1); // the 15 s of OPEN, shortened
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(session->open(std::string("a1b2"), "wifi"));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_FALSE(session->sessionID());
    EXPECT_FALSE(session->myWTEvent().sessionID());
    EXPECT_TRUE(alerts_.empty());
}

TEST_F(SessionTest, NoNetworkSendsNothing) {
    startServer();
    auto session = launch(server_->baseURL());
    EXPECT_FALSE(session->open(std::string("a1b2"), ""));
    EXPECT_FALSE(session->sessionID());
    session->close();
    EXPECT_TRUE(session->finishPendingExchanges(1));
    EXPECT_EQ(requests_, 0);
    EXPECT_TRUE(alerts_.empty());
}

TEST_F(SessionTest, EventWithoutSessionOpensOneOfItsOwn) {
    startServer();
    auto session = launch(server_->baseURL());
    ASSERT_FALSE(session->open(std::nullopt, "")); // the launch found no network
    session->sendEventWithID(41, "");
    EXPECT_TRUE(session->finishPendingExchanges(10));
    const auto id = session->myWTEvent().sessionID();
    ASSERT_TRUE(id);
    EXPECT_FALSE(session->sessionID()); // `myWT` still has none
    EXPECT_EQ(alerts_.size(), 1u);      // that opening showed the notification
    auto events = server_->store().events(*id);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.id, 41);
}

} // namespace
