// KT_webtools against scripted loopback servers: replies, the OPEN exchange, and the fault
// matrix (stalls, drips, truncation, garbage, bad padding, error statuses, refusals) for the
// synchronous wait and the completion notice, including notice/watchdog races.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "client/base64.h"
#include "client/cipher.h"
#include "client/kt_webtools.h"
#include "loopback_socket.h"
#include "platform/notification_center.h"
#include "platform/reachability.h"
#include "platform/run_loop.h"
#include "platform/user_defaults.h"

namespace fs = std::filesystem;
using namespace kt;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string httpReply(std::string_view body, int status = 200) {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + std::string(body);
}

using ScriptedServer = ts::ScriptedLoopbackServer;
using ts::sendAll;

std::string enciphered(const std::string& xml) {
    return KT_EncryptWithBase64(xml, kCipherKey);
}

const std::string kOpenReply = "<Omnivale><result status=\"ok\"/><sessionID>S 42\n</sessionID>"
                               "</Omnivale>";

ScriptedServer::Responder replyWith(const std::string& body, int status = 200, double delay = 0) {
    return [body, status, delay](ScriptedServer& s, int fd, const std::string&) {
        if (delay > 0) s.pause(delay);
        sendAll(fd, httpReply(body, status));
    };
}

// The misbehaving servers. Each ends without a reply, or with one that does not decipher.
struct Fault {
    const char* name;
    ScriptedServer::Responder responder;
    bool transportError; // the client sees a failed transfer (a kept error)
    bool replyKept;      // bytes arrive, but they are no valid reply
    bool deciphers = false;
};

std::vector<Fault> faults() {
    return {
        {"stall", [](ScriptedServer& s, int, const std::string&) { s.pause(30); }, false, false},
        {"slow drip",
         [](ScriptedServer& s, int fd, const std::string&) {
             sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
             while (!s.stopping() && sendAll(fd, "A")) s.pause(0.05);
         },
         false, false},
        {"truncated",
         [](ScriptedServer&, int fd, const std::string&) {
             sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" +
                             enciphered(kOpenReply).substr(0, 10));
         },
         true, false},
        // libcurl takes a close inside the header block as an empty reply, not as a failure.
        {"closed in the headers",
         [](ScriptedServer&, int fd, const std::string&) {
             sendAll(fd, "HTTP/1.1 200 OK\r\nConte");
         },
         false, false},
        {"closed mid-reply",
         [](ScriptedServer&, int fd, const std::string&) {
             sendAll(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n40\r\n" +
                             enciphered(kOpenReply).substr(0, 20));
         },
         true, false},
        {"garbage", replyWith(std::string("\x00\xff\x13garbage\x80<<", 12)), false, true},
        // Eight whole bytes whose last one is no PKCS#7 padding.
        {"bad padding",
         replyWith(KT_EncodeBase64(std::string("\x01\x02\x03\x04\x05\x06\x07\x00", 8))), false,
         true},
        {"HTTP 500 with a body", replyWith("<html>Internal Server Error</html>", 500), false, true},
        {"HTTP 500 with an error result",
         replyWith(enciphered("<Omnivale><result status=\"error\"/></Omnivale>"), 500), false, true,
         true},
    };
}

class FakeInterfaces : public zplatform::InterfaceSource {
  public:
    std::optional<std::vector<zplatform::NetInterface>> interfaces() const override {
        return std::vector<zplatform::NetInterface>{
            {"wwan0", zplatform::NetInterface::Kind::MobileBroadband, true, true}};
    }
};

struct Delegate : KT_webtoolsDelegate {
    std::string base;
    std::optional<std::string> token;
    std::atomic<int> events{0}, closes{0};
    std::vector<std::string> alerts, configs;
    std::optional<std::string> url_omv() const override { return base; }
    std::optional<std::string> myToken() const override { return token; }
    void showNotification(const std::string& t, const std::string& m,
                          const std::string& b) override {
        alerts.push_back(t + "|" + m + "|" + b);
    }
    void updateConfig(std::string_view xml) override { configs.emplace_back(xml); }
    void returnToSendEvent() override { ++events; }
    void returnToClose() override { ++closes; }
};

class WebtoolsNet : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kt_faults_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        defaults_ = std::make_unique<zplatform::UserDefaults>(dir_ / "defaults");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::unique_ptr<KT_webtools> client(const std::string& base, double budget = 0) {
        delegate_.base = base;
        KT_webtoolsEnvironment e;
        e.defaults = defaults_.get();
        e.displayName = "Zephrun";
        e.center = &center_;
        e.device = zplatform::DeviceInfo{"dev1", "Linux", "6.1", "pocket"};
        e.language = "en";
        e.bundleVersion = "3.0";
        e.interfaces = std::make_shared<FakeInterfaces>();
        auto wt = std::make_unique<KT_webtools>(&delegate_, e);
        if (budget > 0) wt->setTimeoutOverrideForTesting(budget);
        return wt;
    }
    // Turns the loop until `pred` or `seconds`.
    bool spin(const std::function<bool()>& pred, double seconds) {
        return zplatform::RunLoop::current().runUntil(pred, seconds);
    }

    fs::path dir_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    zplatform::NotificationCenter center_;
    Delegate delegate_;
};

} // namespace

TEST_F(WebtoolsNet, OpenSendsItsMessageAndReadsTheReply) {
    const std::string reply = "<Omnivale><result status=\"ok\"/><sessionID>S 42\n</sessionID>"
                              "<notification><title>T</title><message>M</message><button>B"
                              "</button></notification><config date=\"2026-01-01 00:00:00\">"
                              "<var name=\"x\">1</var></config></Omnivale>";
    ScriptedServer server(replyWith(enciphered(reply)));
    defaults_->setString("Zephrun_DateConfig", "2020-01-01 00:00:00");
    defaults_->setString("Zephrun_NetworkType", "cellular");
    defaults_->setString("Zephrun_NetworkDebit", "edge");
    auto wt = client(server.base());
    ASSERT_TRUE(wt->KT_startApplicationWithToken(std::string("beef")));
    EXPECT_EQ(wt->sessionID().value_or("<none>"), "S42");
    EXPECT_EQ(wt->timeout(), 15);
    EXPECT_EQ(delegate_.alerts, std::vector<std::string>{"T|M|B"});
    ASSERT_EQ(delegate_.configs.size(), 1u);
    EXPECT_EQ(delegate_.configs[0], "<config date=\"2026-01-01 00:00:00\"><var name=\"x\">1</var>"
                                    "</config>");
    EXPECT_EQ(defaults_->stringForKey("Zephrun_DateNotif").value_or("").size(), 19u);

    ASSERT_EQ(server.bodies().size(), 1u);
    EXPECT_EQ(server.targets()[0], "/request.aspx");
    std::string body = server.bodies()[0];
    const std::string tail = "&listVarCrypt=data";
    ASSERT_EQ(body.rfind("data=", 0), 0u);
    ASSERT_GT(body.size(), tail.size());
    ASSERT_EQ(body.substr(body.size() - tail.size()), tail);
    auto message = KT_DecryptWithBase64(body.substr(5, body.size() - 5 - tail.size()), kCipherKey);
    EXPECT_EQ(message.value_or(""),
              "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"dev1\"/>"
              "<phone osname=\"Linux\" osversion=\"6.1\" phone_name=\"pocket\" />"
              "<application language=\"en\" version=\"3.0\" last_config=\"2020-01-01 00:00:00\""
              " last_notification=\"2020-01-01 00:00:00\" token=\"beef\" />"
              "<network type=\"cellular\" debit=\"edge\"/><action name=\"OPEN\"></action>"
              "</Omnivale>");
}

TEST_F(WebtoolsNet, EmptySessionOpensOnceMoreAndEventsCarryTheSession) {
    ScriptedServer server(replyWith(
        enciphered("<Omnivale><result status=\"ok\"/><sessionID></sessionID></Omnivale>")));
    auto wt = client(server.base(), 1.0);
    wt->KT_sendEventNumberHit(1, 5, "k");
    // No session: OPEN, an empty id: OPEN again, then the event itself.
    ASSERT_TRUE(spin([&] { return delegate_.events == 1; }, 3.0));
    auto bodies = server.bodies();
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(wt->sessionID().value_or("<none>"), "");
    std::string body = bodies[2];
    auto message =
        KT_DecryptWithBase64(body.substr(5, body.find('&') - 5), kCipherKey).value_or("");
    EXPECT_EQ(message.rfind("<Omnivale v=\"1.0\"><id session=\"\"/><event id=\"5\" date=\"", 0),
              0u);
    EXPECT_NE(message.find("\" hit=\"1\" cle=\"k\"/></Omnivale>"), std::string::npos);
}

TEST_F(WebtoolsNet, FaultsEndWithinTheirTimeOut) {
    const double budget = 1.0;
    // Far below a wait without a time-out, far above a loaded machine's scheduling delays.
    const double slack = 4.0;
    for (const auto& fault : faults()) {
        SCOPED_TRACE(fault.name);
        ScriptedServer server(fault.responder);
        auto wt = client(server.base(), budget);

        auto start = Clock::now();
        EXPECT_FALSE(wt->KT_startApplicationWithToken(std::nullopt));
        EXPECT_LT(since(start), budget + slack);
        EXPECT_FALSE(wt->sessionID());
        EXPECT_TRUE(wt->KT_responseIsPresent());
        EXPECT_EQ(wt->KT_getResponseDecrypted().has_value(), fault.deciphers);
        EXPECT_EQ(wt->KT_getResponse().has_value(), fault.replyKept);
        EXPECT_EQ(wt->KT_getError().has_value(), fault.transportError);

        // The same server under the completion notice: one notice, within the budget.
        wt->setSessionID(std::string("S"));
        start = Clock::now();
        wt->KT_sendEventNumberHit(1, 3);
        EXPECT_TRUE(spin([&] { return delegate_.events == 1; }, budget + slack));
        EXPECT_LT(since(start), budget + slack);
        spin([] { return false; }, 0.3);
        EXPECT_EQ(delegate_.events, 1);
        delegate_.events = 0;
    }
}

TEST_F(WebtoolsNet, RefusedConnection) {
    auto wt = client("http://127.0.0.1:" + std::to_string(ts::closedLoopbackPort()) + "/", 1.0);
    auto start = Clock::now();
    EXPECT_FALSE(wt->KT_startApplicationWithToken(std::nullopt));
    EXPECT_LT(since(start), 2.0);
    EXPECT_FALSE(wt->sessionID());
    ASSERT_TRUE(wt->KT_getError());
    EXPECT_EQ(wt->KT_getError()->code, zplatform::HttpError::kCannotConnectToHost);
    EXPECT_FALSE(wt->KT_getResponse());

    // The error stays until the next one; a close is reported once.
    wt->setSessionID(std::string("S"));
    wt->KT_closeApplication();
    EXPECT_TRUE(spin([&] { return delegate_.closes == 1; }, 2.0));
    EXPECT_TRUE(wt->KT_getError());
    spin([] { return false; }, 0.3);
    EXPECT_EQ(delegate_.closes, 1);
}

TEST_F(WebtoolsNet, NoticeOnceWhenReplyAndWatchdogMeet) {
    // Replies timed around the watchdog's end: whichever wins, one notice per send.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> around(0.15, 0.25);
    std::atomic<int> served{0};
    std::vector<double> delays(25);
    for (auto& d : delays) d = around(random);
    ScriptedServer server([&](ScriptedServer& s, int fd, const std::string&) {
        s.pause(delays[static_cast<std::size_t>(served++) % delays.size()]);
        sendAll(fd, httpReply(enciphered("<Omnivale/>")));
    });
    auto wt = client(server.base(), 0.2);
    wt->setSessionID(std::string("S"));
    for (int i = 1; i <= static_cast<int>(delays.size()); ++i) {
        wt->KT_sendEventNumberHit(1, i);
        ASSERT_TRUE(spin([&] { return delegate_.events >= i; }, 1.2)) << i;
    }
    spin([] { return false; }, 0.5);
    EXPECT_EQ(delegate_.events, static_cast<int>(delays.size()));
}

TEST_F(WebtoolsNet, SendsInARowEachReportOnce) {
    // A slow server: each new event supersedes the previous one, which still reaches the
    // server and still reports its end.
    ScriptedServer server(replyWith(enciphered("<Omnivale/>"), 200, 0.3));
    auto wt = client(server.base(), 2.0);
    wt->setSessionID(std::string("S"));
    for (int i = 0; i < 5; ++i) wt->KT_sendEventNumberHit(1, i);
    EXPECT_TRUE(spin([&] { return delegate_.events == 5; }, 3.0));
    spin([] { return false; }, 0.3);
    EXPECT_EQ(delegate_.events, 5);
    EXPECT_EQ(server.bodies().size(), 5u);
    EXPECT_EQ(center_.observerCount(), 0u);
}

TEST_F(WebtoolsNet, SynchronousReplyNearTheEndOfTheWait) {
    // The reply lands about when the last slice ends: either a full reply or none, never a
    // partial one, and never a hang.
    for (double delay : {0.35, 0.38, 0.4, 0.42, 0.45}) {
        ScriptedServer server(replyWith(enciphered(kOpenReply), 200, delay));
        auto wt = client(server.base(), 0.4);
        auto start = Clock::now();
        bool opened = wt->KT_startApplicationWithToken(std::nullopt);
        EXPECT_LT(since(start), 1.4);
        EXPECT_EQ(opened, wt->sessionID().has_value());
        if (auto r = wt->KT_getResponse()) {
            EXPECT_EQ(*r, enciphered(kOpenReply));
        }
    }
}

TEST_F(WebtoolsNet, DestroyedWithANoticePending) {
    ScriptedServer server([](ScriptedServer& s, int, const std::string&) { s.pause(30); });
    {
        auto wt = client(server.base(), 5.0);
        wt->setSessionID(std::string("S"));
        wt->KT_sendEventNumberHit(1, 1);
        spin([] { return false; }, 0.1);
    }
    EXPECT_EQ(delegate_.events, 0);
    EXPECT_EQ(center_.observerCount(), 0u);
}

TEST_F(WebtoolsNet, ThroughputProbeAndImages) {
    const std::string gif("GIF89a\x02\x00\x03\x00rest", 14);
    ScriptedServer server(replyWith(gif));
    auto wt = client(server.base(), 2.0);
    EXPECT_EQ(wt->KT_testNetwork(true), "cellular");
    EXPECT_EQ(defaults_->stringForKey("Zephrun_NetworkDebit").value_or(""), "3g");
    EXPECT_EQ(server.targets().back(), "/test.jpg");
    EXPECT_EQ(wt->timeout(), 5);

    auto image = wt->KT_loadImageFromURL(server.base() + "pic.gif");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(wt->timeout(), 7);

    auto refused =
        client("http://127.0.0.1:" + std::to_string(ts::closedLoopbackPort()) + "/", 1.0);
    EXPECT_EQ(refused->KT_testNetwork(true), "");
    EXPECT_EQ(defaults_->stringForKey("Zephrun_NetworkType").value_or("<none>"), "");
    EXPECT_EQ(defaults_->stringForKey("Zephrun_NetworkDebit").value_or(""), "edge");
    EXPECT_FALSE(refused->KT_loadImageFromURL(refused->KT_getURL()));
    ScriptedServer notAPicture(replyWith("<html>404</html>", 404));
    EXPECT_FALSE(wt->KT_loadImageFromURL(notAPicture.base() + "pic.gif"));
}
