// The request client against the reference content server on loopback: OPEN, web requests,
// events and CLOSE as the shell runs them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <stb_image_write.h>

#include "client/base64.h"
#include "client/kt_webtools.h"
#include "client/reply_parsers.h"
#include "platform/notification_center.h"
#include "platform/run_loop.h"
#include "platform/user_defaults.h"
#include "server/content_server.h"

namespace fs = std::filesystem;
using namespace kt;

namespace {

const fs::path kDemoContent = fs::path(__FILE__).parent_path() / "../../resources/server";

struct Delegate : KT_webtoolsDelegate {
    std::string base;
    std::vector<std::string> alerts, configs;
    std::atomic<int> events{0}, closes{0};
    std::optional<std::string> url_omv() const override { return base; }
    std::optional<std::string> myToken() const override { return std::string("cafe01"); }
    void showNotification(const std::string& t, const std::string&, const std::string& b) override {
        alerts.push_back(t + "|" + b);
    }
    void updateConfig(std::string_view xml) override { configs.emplace_back(xml); }
    void returnToSendEvent() override { ++events; }
    void returnToClose() override { ++closes; }
};

class WebtoolsServer : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kt_server_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        defaults_ = std::make_unique<zplatform::UserDefaults>(dir_ / "defaults");
        zserver::ServerOptions o;
        o.contentDir = kDemoContent.string();
        o.log = [](std::string_view) {};
        server_ = std::make_unique<zserver::ContentServer>(o);
        ASSERT_TRUE(server_->start()) << server_->error();
        delegate_.base = server_->baseURL();
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(dir_);
    }
    std::unique_ptr<KT_webtools> client() {
        KT_webtoolsEnvironment e;
        e.defaults = defaults_.get();
        e.displayName = "Zephrun";
        e.center = &center_;
        e.device = zplatform::DeviceInfo{"dev-int", "Linux", "6.1", "pocket"};
        e.language = "fr";
        e.bundleVersion = "3.0";
        auto wt = std::make_unique<KT_webtools>(&delegate_, e);
        wt->setTimeoutOverrideForTesting(5.0);
        return wt;
    }
    bool spin(const std::function<bool()>& pred, double seconds) {
        return zplatform::RunLoop::current().runUntil(pred, seconds);
    }

    fs::path dir_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    zplatform::NotificationCenter center_;
    Delegate delegate_;
    std::unique_ptr<zserver::ContentServer> server_;
};

} // namespace

TEST_F(WebtoolsServer, SessionFromOpenToClose) {
    auto wt = client();
    ASSERT_TRUE(wt->KT_startApplicationWithToken(std::string("cafe01")));
    ASSERT_TRUE(wt->sessionID());
    const std::string session = *wt->sessionID();
    EXPECT_EQ(session.size(), 32u);
    auto stored = server_->store().session(session);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->phone, "dev-int");
    EXPECT_EQ(stored->application, "7");
    EXPECT_EQ(stored->language, "fr");
    EXPECT_EQ(stored->token, "cafe01");

    // A first OPEN brings the notification and the configuration with the server's address.
    ASSERT_EQ(delegate_.alerts.size(), 1u);
    EXPECT_EQ(delegate_.alerts[0], "Zephrun|OK");
    ASSERT_TRUE(defaults_->stringForKey("Zephrun_DateNotif"));
    ASSERT_EQ(delegate_.configs.size(), 1u);
    EXPECT_NE(delegate_.configs[0].find(server_->baseURL()), std::string::npos);

    // The event client works under the copied session, without an OPEN of its own.
    auto events = client();
    events->setSessionID(session);
    events->KT_sendEventNumberHit(1, 11, "http://x/preview.mp3");
    ASSERT_TRUE(spin([&] { return delegate_.events == 1; }, 5.0));
    events->KT_sendEventNumberHit(1, 12);
    ASSERT_TRUE(spin([&] { return delegate_.events == 2; }, 5.0));
    events->KT_sendEventTo("2026-12-08 10:00:00", 13, "Mix A");
    ASSERT_TRUE(spin([&] { return delegate_.events == 3; }, 5.0));
    EXPECT_EQ(events->sessionID().value_or(""), session);
    EXPECT_EQ(delegate_.alerts.size(), 1u);

    auto stored_events = server_->store().events(session);
    ASSERT_EQ(stored_events.size(), 3u);
    EXPECT_EQ(stored_events[0].event.id, 11);
    EXPECT_EQ(stored_events[0].event.hit.value_or(0), 1);
    EXPECT_EQ(stored_events[0].event.cle.value_or(""), "http://x/preview.mp3");
    EXPECT_FALSE(stored_events[1].event.cle);
    EXPECT_EQ(stored_events[2].event.start.value_or(""), "2026-12-08 10:00:00");
    EXPECT_EQ(stored_events[2].event.stop.value_or("").size(), 19u);
    EXPECT_EQ(stored_events[2].event.cle.value_or(""), "Mix A");

    wt->KT_closeApplication();
    ASSERT_TRUE(spin([&] { return delegate_.closes == 1; }, 5.0));
    EXPECT_FALSE(server_->store().isOpen(session));
}

TEST_F(WebtoolsServer, WebRequestsAndASecondOpen) {
    auto wt = client();
    // No session yet: the prepared request opens one first.
    ASSERT_TRUE(wt->KT_prepareWebRequest());
    ASSERT_TRUE(wt->sessionID());
    wt->KT_addAction("WEBREQUEST", std::string("105"), {"num_page"}, {"1"});
    wt->KT_finishWebRequest();
    wt->KT_setTimeout(20);
    wt->KT_sendWithResponseNow();
    auto reply = wt->KT_getResponseDecrypted();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(KT_ParseResult(*reply).ok());
    EXPECT_NE(reply->find("xmlpipe"), std::string::npos);

    ASSERT_TRUE(wt->KT_prepareWebRequest());
    wt->KT_addAction("WEBREQUEST", std::string("999"), {}, {});
    wt->KT_finishWebRequest();
    wt->KT_sendWithResponseNow();
    reply = wt->KT_getResponseDecrypted();
    ASSERT_TRUE(reply);
    EXPECT_FALSE(KT_ParseResult(*reply).ok());

    // The stored notification date: the next OPEN shows nothing again.
    ASSERT_EQ(delegate_.alerts.size(), 1u);
    EXPECT_TRUE(wt->KT_startApplicationWithToken(std::nullopt));
    EXPECT_EQ(delegate_.alerts.size(), 1u);
}

TEST_F(WebtoolsServer, APhotoReportOfARealPictureIsStored) {
    // A photograph-sized picture (noise does not compress): about 900 KB of JPEG.
    const int w = 1280, h = 960;
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    unsigned state = 7;
    for (auto& px : rgb) {
        state = state * 1103515245u + 12345u;
        px = static_cast<unsigned char>(state >> 24);
    }
    std::string jpeg;
    stbi_write_jpg_to_func(
        [](void* out, void* data, int size) {
            static_cast<std::string*>(out)->append(static_cast<char*>(data),
                                                   static_cast<size_t>(size));
        },
        &jpeg, w, h, 3, rgb.data(), 70);
    ASSERT_GT(jpeg.size(), 500'000u);

    auto wt = client();
    ASSERT_TRUE(wt->KT_prepareWebRequest());
    wt->KT_addAction("WEBREQUEST", std::string("118"),
                     {"auteur", "commentaire", "id_concert", "photo"},
                     {"ada_1815", "Superbe", "1001", encodeBase64(jpeg)});
    wt->KT_finishWebRequest();
    wt->KT_setTimeout(30);
    wt->KT_sendWithResponseNow();
    EXPECT_EQ(wt->KT_getOutcome(), KT_Outcome::Reply);
    EXPECT_EQ(wt->KT_getStatusCode(), 200);
    auto reply = wt->KT_getResponseDecrypted();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->find("success"), reply->rfind("success"));
    EXPECT_NE(reply->find("success"), std::string::npos);
    auto stored = server_->photoReports().forConcert("1001");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].width, w);
}
