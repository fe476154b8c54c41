// The content server over loopback HTTP: enciphered envelopes in, enciphered replies out.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <mutex>
#include <random>
#include <thread>

#include "client/base64.h"
#include "client/cipher.h"
#include "client/reply_parsers.h"
#include "server/content_server.h"

namespace fs = std::filesystem;
using namespace zserver;

namespace {

const fs::path kDemoContent = fs::path(__FILE__).parent_path() / "../../resources/server";

void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Message texts as the application builds them.
std::string openEnvelope(const std::string& lastConfig, const std::string& lastNotification,
                         const char* token = "a1b2c3") {
    std::string s = "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"DEVICE-1\"/>"
                    "<phone osname=\"Linux\" osversion=\"6.1\" phone_name=\"test phone\" />"
                    "<application language=\"fr\" version=\"1.0\" last_config=\"" +
                    lastConfig + "\" last_notification=\"" + lastNotification + "\"";
    if (token) s += std::string(" token=\"") + token + "\"";
    s += " /><network type=\"wifi\"/><action name=\"OPEN\"></action></Omnivale>";
    return s;
}

std::string sessionEnvelope(const std::string& session, const std::string& inner) {
    return "<Omnivale v=\"1.0\"><id session=\"" + session + "\"/>" + inner + "</Omnivale>";
}

std::string formBody(const std::string& envelope) {
    return "data=" + kt::KT_EncryptWithBase64(envelope, kt::kCipherKey) + "&listVarCrypt=data";
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("zserver-test-" + std::to_string(rd()));
        fs::create_directories(dir_);
        writeFile(dir_ / "ZephrunConfig.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config date=\"2026-06-01 "
                  "10:00:00\">\n\t<var name=\"url_omv\">@SERVER@</var>\n\t<var "
                  "name=\"id_wr_news_fr\">7</var>\n</config>\n");
        writeFile(dir_ / "notification.xml",
                  "<notification date=\"2026-06-02 08:00:00\"><title>Hello &amp; welcome</title>"
                  "<message>New tour</message><button>OK</button></notification>");
        writeFile(dir_ / "feeds/7.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xmlpipe>"
                                        "<news total=\"3\" page=\"1\" nbpage=\"2\"><new><title>"
                                        "One</title></new></news></xmlpipe>\n");
        writeFile(dir_ / "feeds/7-2.xml", "<xmlpipe><news page=\"2\"><new><title>Two</title>"
                                          "</new></news></xmlpipe>");
        writeFile(dir_ / "hello.txt", "static content\n");
        fs::copy_file(kDemoContent / "test.jpg", dir_ / "test.jpg");
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(dir_);
    }

    void start(const std::function<void(ContentServer&)>& configure = {}) {
        ServerOptions o;
        o.contentDir = dir_.string();
        o.dbPath = (dir_ / "sessions.db").string();
        o.log = [this](std::string_view line) {
            std::lock_guard lock(logMutex_);
            log_.emplace_back(line);
        };
        server_ = std::make_unique<ContentServer>(o);
        if (configure) configure(*server_);
        ASSERT_TRUE(server_->start()) << server_->error();
        ASSERT_GT(server_->port(), 0);
    }

    httplib::Client client() {
        httplib::Client c("127.0.0.1", server_->port());
        c.set_connection_timeout(5);
        c.set_read_timeout(5);
        return c;
    }

    // Posts a raw body; returns the HTTP status and the deciphered reply ("" if none).
    std::pair<int, std::string> postRaw(const std::string& body) {
        auto res = client().Post("/request.aspx", body, "application/x-www-form-urlencoded");
        if (!res) return {0, ""};
        auto plain = kt::KT_DecryptWithBase64(res->body, kt::kCipherKey);
        return {res->status, plain.value_or("")};
    }
    std::string post(const std::string& envelope) {
        auto [status, reply] = postRaw(formBody(envelope));
        EXPECT_EQ(status, 200);
        return reply;
    }
    std::string openSession() {
        auto reply = post(openEnvelope("2026-07-01 00:00:00", "2026-07-01 00:00:00"));
        auto id = kt::KT_ParseSessionID(reply).getSessionID();
        EXPECT_TRUE(id.has_value());
        return id.value_or("");
    }
    std::vector<std::string> logLines() {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    // The server logs a request after its reply has gone out: wait (bounded) for n lines.
    std::vector<std::string> logLinesAtLeast(size_t n) {
        for (int i = 0; i < 200; ++i) {
            auto lines = logLines();
            if (lines.size() >= n) return lines;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return logLines();
    }

    fs::path dir_;
    std::unique_ptr<ContentServer> server_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

TEST_F(ServerTest, OpenGivesAFreshStoredSession) {
    start();
    auto reply = post(openEnvelope("", "", "tok123"));
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok()) << reply;
    auto id = kt::KT_ParseSessionID(reply).getSessionID();
    ASSERT_TRUE(id);
    EXPECT_EQ(id->size(), 32u);
    auto stored = server_->store().session(*id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->phone, "DEVICE-1");
    EXPECT_EQ(stored->application, "7");
    EXPECT_EQ(stored->language, "fr");
    EXPECT_EQ(stored->token, "tok123");
    EXPECT_EQ(stored->networkType, "wifi");
    EXPECT_FALSE(stored->closed);

    auto second = kt::KT_ParseSessionID(post(openEnvelope("", "", nullptr))).getSessionID();
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *id);
}

TEST_F(ServerTest, NotificationOnlyWhenNewerThanTheDevicesLast) {
    start();
    // Older than the notification: shown, with its text unescaped by the reader.
    kt::KT_ParseNotification shown(
        post(openEnvelope("2026-06-01 10:00:00", "2026-06-02 07:59:59")));
    ASSERT_TRUE(shown.titleN());
    EXPECT_EQ(*shown.titleN(), "Hello & welcome");
    EXPECT_EQ(shown.messageM().value_or(""), "New tour");
    EXPECT_EQ(shown.boutonN().value_or(""), "OK");
    // Same date or later: not again.
    for (const char* last : {"2026-06-02 08:00:00", "2026-06-03 00:00:00"}) {
        auto reply = post(openEnvelope("2026-06-01 10:00:00", last));
        EXPECT_FALSE(kt::KT_ParseNotification(reply).titleN()) << last;
        EXPECT_TRUE(kt::KT_ParseResult(reply).ok());
    }
    // No date at all (a device that never had one) gets it.
    EXPECT_TRUE(kt::KT_ParseNotification(post(openEnvelope("", ""))).titleN());
}

TEST_F(ServerTest, ConfigurationBlockOnlyWhenNewer) {
    start();
    auto reply = post(openEnvelope("2026-05-31 23:59:59", "2026-07-01 00:00:00"));
    auto block = kt::KT_ParseConfig(reply).configBlock();
    ASSERT_TRUE(block) << reply;
    EXPECT_EQ(block->rfind("<config date=\"2026-06-01 10:00:00\">", 0), 0u);
    // The device is pointed at this very server.
    EXPECT_NE(block->find("<var name=\"url_omv\">" + server_->baseURL() + "</var>"),
              std::string::npos)
        << *block;
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok());

    for (const char* last : {"2026-06-01 10:00:00", "2026-08-01 00:00:00"})
        EXPECT_FALSE(kt::KT_ParseConfig(post(openEnvelope(last, ""))).configBlock()) << last;
    EXPECT_TRUE(kt::KT_ParseConfig(post(openEnvelope("", ""))).configBlock());
}

TEST_F(ServerTest, EventsAreStoredUnderTheirSession) {
    start();
    std::string id = openSession();
    post(sessionEnvelope(id, "<event id=\"201\" date=\"2026-06-05 12:00:00\" hit=\"1\" "
                             "cle=\"http://x/a.mp3\"/>"));
    post(sessionEnvelope(id, "<event id=\"206\" date=\"2026-06-05 12:00:01\" hit=\"1\"/>"));
    auto reply = post(sessionEnvelope(
        id, "<event id=\"204\" start=\"2026-06-05 12:00:00\" stop=\"2026-06-05 12:03:00\" "
            "cle=\"home\"/>"));
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok());

    auto events = server_->store().events(id);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].event.id, 201);
    EXPECT_EQ(events[0].event.hit, 1);
    EXPECT_EQ(events[0].event.cle, "http://x/a.mp3");
    EXPECT_EQ(events[1].event.id, 206);
    EXPECT_FALSE(events[1].event.cle);
    EXPECT_EQ(events[2].event.start, "2026-06-05 12:00:00");
    EXPECT_EQ(events[2].event.stop, "2026-06-05 12:03:00");
    EXPECT_FALSE(events[2].event.hit);
}

TEST_F(ServerTest, MessagesAreBoundedAndTheirEventsStoredTogether) {
    start();
    std::string id = openSession();
    std::string events;
    for (int i = 0; i < 200; ++i)
        events += "<event id=\"" + std::to_string(i) + "\" date=\"d\" hit=\"1\"/>";
    EXPECT_TRUE(kt::KT_ParseResult(post(sessionEnvelope(id, events))).ok());
    EXPECT_EQ(server_->store().events(id).size(), 200u);

    // Past the caps: refused whole, with a reason, and nothing stored or answered.
    std::string actions;
    for (size_t i = 0; i <= zserver::kMaxActions; ++i)
        actions += "<action name=\"WEBREQUEST\" id=\"105\"></action>";
    std::string params = "<action name=\"WEBREQUEST\" id=\"105\">";
    for (size_t i = 0; i <= zserver::kMaxParams; ++i)
        params += "<param name=\"p" + std::to_string(i) + "\"><![CDATA[v]]></param>";
    params += "</action>";
    for (const std::string& body : {actions, events + events, params}) {
        auto [status, reply] = postRaw(formBody(sessionEnvelope(id, body)));
        EXPECT_EQ(status, 400);
        EXPECT_FALSE(kt::KT_ParseResult(reply).ok());
        EXPECT_NE(reply.find("more than "), std::string::npos) << reply;
        EXPECT_EQ(reply.find("status=\"ok\""), std::string::npos);
    }
    EXPECT_EQ(server_->store().events(id).size(), 200u);
}

TEST_F(ServerTest, CloseEndsTheSessionAndLaterMessagesAreRefused) {
    start();
    std::string id = openSession();
    auto reply = post(sessionEnvelope(id, "<action name=\"CLOSE\"></action>"));
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok()) << reply;
    EXPECT_TRUE(server_->store().session(id)->closed);

    // A second close, an event after the close and an unknown session all fail the result
    // check and store nothing.
    EXPECT_FALSE(
        kt::KT_ParseResult(post(sessionEnvelope(id, "<action name=\"CLOSE\"></action>"))).ok());
    EXPECT_FALSE(
        kt::KT_ParseResult(post(sessionEnvelope(id, "<event id=\"1\" date=\"d\" hit=\"1\"/>")))
            .ok());
    EXPECT_FALSE(
        kt::KT_ParseResult(post(sessionEnvelope("nope", "<event id=\"1\" date=\"d\" hit=\"1\"/>")))
            .ok());
    EXPECT_TRUE(server_->store().events(id).empty());
    EXPECT_TRUE(server_->store().events("nope").empty());
}

TEST_F(ServerTest, SessionsSurviveARestartWithTheSameDatabase) {
    start();
    std::string id = openSession();
    server_.reset();
    start();
    auto reply = post(sessionEnvelope(id, "<event id=\"3\" date=\"x\" hit=\"2\"/>"));
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok()) << reply;
    EXPECT_EQ(server_->store().events(id).size(), 1u);
}

TEST_F(ServerTest, WebRequestDispatchByID) {
    start([](ContentServer& s) {
        s.setWebRequest(50, [](const Action& a) {
            auto it = a.params.find("who");
            return WebRequestAnswer{true, "<hello>" + (it == a.params.end() ? "" : it->second) +
                                              "</hello>"};
        });
        s.setWebRequest(51, [](const Action&) -> WebRequestAnswer {
            throw std::runtime_error("feed backend down");
        });
    });
    std::string id = openSession();
    auto action = [&](int wr, const std::string& params) {
        return post(sessionEnvelope(id, "<action name=\"WEBREQUEST\" id=\"" + std::to_string(wr) +
                                            "\">" + params + "</action>"));
    };

    // The feed of the content directory, cut out the way the feed models cut it.
    auto reply = action(7, "<param name=\"num_page\"><![CDATA[1]]></param>");
    const std::string marker = "<action name=\"WEBREQUEST\" id=\"7\" status=\"ok\" >"
                               "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    auto at = reply.find(marker);
    ASSERT_NE(at, std::string::npos) << reply;
    auto doc = reply.substr(at + marker.size());
    doc = doc.substr(0, doc.find("</xmlpipe>]]"));
    EXPECT_EQ(doc, "<xmlpipe><news total=\"3\" page=\"1\" nbpage=\"2\"><new><title>One</title>"
                   "</new></news>");
    EXPECT_TRUE(kt::KT_ParseResult(reply).ok());

    reply = action(7, "<param name=\"num_page\"><![CDATA[2]]></param>");
    EXPECT_NE(reply.find("<title>Two</title>"), std::string::npos) << reply;

    // A page past the end, a malformed page, an unknown id and a failing handler: status "error".
    for (auto& [wr, params] : std::vector<std::pair<int, std::string>>{
             {7, "<param name=\"num_page\"><![CDATA[3]]></param>"},
             {7, "<param name=\"num_page\"><![CDATA[x]]></param>"},
             {999, ""},
             {51, ""}}) {
        reply = action(wr, params);
        EXPECT_NE(reply.find("<action name=\"WEBREQUEST\" id=\"" + std::to_string(wr) +
                             "\" status=\"error\" >"),
                  std::string::npos)
            << reply;
        EXPECT_FALSE(kt::KT_ParseResult(reply).ok());
    }

    // A handler set by the embedding code, with its parameter (XML-significant text in CDATA).
    reply = action(50, "<param name=\"who\"><![CDATA[a<b]]></param>");
    EXPECT_NE(reply.find("status=\"ok\" ><hello>a<b</hello>"), std::string::npos) << reply;
}

TEST_F(ServerTest, StaticFilesAndTestJpeg) {
    start();
    auto c = client();
    auto res = c.Get("/hello.txt");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "static content\n");

    res = c.Get("/test.jpg");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(res->body, readFile(kDemoContent / "test.jpg"));
    ASSERT_GT(res->body.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(res->body[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(res->body[1]), 0xD8);

    res = c.Get("/missing.txt");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    res = c.Get("/../" + dir_.filename().string() + "/hello.txt");
    ASSERT_TRUE(res);
    EXPECT_NE(res->status, 200);
}

TEST_F(ServerTest, UnreadableRequestsAreAnsweredWithAnErrorReply) {
    start();
    // Wrong padding: the cipher of a one-block text without its padding block deciphers to a
    // last byte of "H".
    const std::string bad = kt::KT_EncodeBase64(
        kt::doCipher("ABCDEFGH", kt::CipherOperation::Encipher, kt::kCipherKey).substr(0, 8));
    const std::vector<std::string> bodies = {
        "",
        "garbage",
        "data=",
        "data=%%%&listVarCrypt=data",
        "data=" + bad + "&listVarCrypt=data",
        "data=QUJD&listVarCrypt=data", // not a whole block
        "listVarCrypt=data",           // listed but missing
        "data=<Omnivale v=\"1.0\"/>",  // plain, not a known message
        formBody("not xml at all"),
        formBody("<Other/>"),
        formBody("<Omnivale v=\"1.0\"><event id=\"x\"/></Omnivale>"),
        std::string("data=\xff\xfe\x00\x01", 9) + "&listVarCrypt=data",
    };
    for (auto& body : bodies) {
        auto [status, reply] = postRaw(body);
        EXPECT_TRUE(status == 400 || status == 200) << body;
        EXPECT_FALSE(reply.empty()) << body;
        EXPECT_FALSE(kt::KT_ParseResult(reply).ok()) << body << " -> " << reply;
        EXPECT_FALSE(kt::KT_ParseSessionID(reply).getSessionID()) << body;
    }
    // Still serving afterwards.
    EXPECT_FALSE(openSession().empty());
}

TEST_F(ServerTest, EntityTricksAreRefused) {
    start();
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE Omnivale [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
        "<Omnivale v=\"1.0\"><id session=\"&c;\"/></Omnivale>";
    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE Omnivale [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"&x;\"/><action name=\"OPEN\">"
        "</action></Omnivale>";
    for (auto* doc : {&laughs, &external}) {
        auto [status, reply] = postRaw(formBody(*doc));
        EXPECT_EQ(status, 400);
        EXPECT_FALSE(kt::KT_ParseResult(reply).ok());
        EXPECT_EQ(reply.find("root:"), std::string::npos);
    }
}

TEST_F(ServerTest, GetWithQueryVariablesAndOneLogLinePerRequest) {
    start();
    auto res = client().Get(
        "/request.aspx?data=" + kt::KT_EncryptWithBase64(openEnvelope("", ""), kt::kCipherKey) +
        "&listVarCrypt=data");
    ASSERT_TRUE(res);
    auto reply = kt::KT_DecryptWithBase64(res->body, kt::kCipherKey);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(kt::KT_ParseSessionID(*reply).getSessionID());

    client().Get("/hello.txt");
    postRaw("x=1&listVarCrypt=line%0Abreak\n");
    auto lines = logLinesAtLeast(3);
    ASSERT_EQ(lines.size(), 3u);
    // Each request is logged by the thread that served it: find the lines by content.
    auto line = [&](const std::string& what) {
        for (auto& l : lines)
            if (l.find(what) != std::string::npos) return l;
        return std::string();
    };
    EXPECT_NE(line(" GET /request.aspx 200 ").find("OPEN s="), std::string::npos);
    EXPECT_FALSE(line(" GET /hello.txt 200 15").empty());
    EXPECT_NE(line(" POST /request.aspx 400 ").find("refused: "), std::string::npos);
    for (auto& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);
}

TEST_F(ServerTest, ConcurrentClientsAndCleanStop) {
    start();
    std::vector<std::thread> threads;
    std::atomic<int> sessions{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                auto res = client().Post("/request.aspx", formBody(openEnvelope("", "")),
                                         "application/x-www-form-urlencoded");
                if (!res) continue;
                auto reply = kt::KT_DecryptWithBase64(res->body, kt::kCipherKey);
                if (reply && kt::KT_ParseSessionID(*reply).getSessionID()) ++sessions;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(sessions.load(), 20);
    server_->stop();
    server_->stop(); // idempotent
    EXPECT_FALSE(client().Get("/hello.txt"));
}

TEST(ContentServerStart, ReportsABusyPortAndAMissingContentDirectory) {
    ServerOptions o;
    o.contentDir = kDemoContent.string();
    ContentServer first(o);
    ASSERT_TRUE(first.start()) << first.error();
    o.port = first.port();
    ContentServer second(o);
    EXPECT_FALSE(second.start());
    EXPECT_FALSE(second.error().empty());

    ServerOptions missing;
    missing.contentDir = "/nonexistent/zephrun-content";
    ContentServer third(missing);
    EXPECT_FALSE(third.start());
}

TEST(ContentServerStart, DemoContentAnswersTheShippedConfigurationsFeed) {
    ServerOptions o;
    o.contentDir = kDemoContent.string();
    ContentServer server(o);
    ASSERT_TRUE(server.start()) << server.error();
    httplib::Client c("127.0.0.1", server.port());
    c.set_read_timeout(5);
    auto open = c.Post("/request.aspx", formBody(openEnvelope("2026-12-01 12:00:00", "")),
                       "application/x-www-form-urlencoded");
    ASSERT_TRUE(open);
    auto reply = kt::KT_DecryptWithBase64(open->body, kt::kCipherKey).value_or("");
    auto id = kt::KT_ParseSessionID(reply).getSessionID();
    ASSERT_TRUE(id);
    EXPECT_TRUE(kt::KT_ParseNotification(reply).titleN());
    auto block = kt::KT_ParseConfig(reply).configBlock();
    ASSERT_TRUE(block);
    EXPECT_NE(block->find("<var name=\"id_wr_news_fr\">105</var>"), std::string::npos);

    auto news = c.Post("/request.aspx",
                       formBody(sessionEnvelope(*id, "<action name=\"WEBREQUEST\" id=\"105\">"
                                                     "<param name=\"num_page\"><![CDATA[1]]>"
                                                     "</param></action>")),
                       "application/x-www-form-urlencoded");
    ASSERT_TRUE(news);
    reply = kt::KT_DecryptWithBase64(news->body, kt::kCipherKey).value_or("");
    EXPECT_NE(reply.find("<action name=\"WEBREQUEST\" id=\"105\" status=\"ok\" ><![CDATA[<?xml "
                         "version=\"1.0\" encoding=\"UTF-8\"?><xmlpipe>"),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find(server.baseURL() + "site/news/01.html"), std::string::npos);
}

} // namespace
