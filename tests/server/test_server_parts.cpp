// The server's pieces without HTTP: envelope parsing, form deciphering, dates, content, store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "client/base64.h"
#include "client/cipher.h"
#include "server/content_directory.h"
#include "server/envelope.h"
#include "server/reply_builder.h"
#include "server/request_decoding.h"
#include "server/session_store.h"

namespace fs = std::filesystem;
using namespace zserver;

namespace {

TEST(Envelope, ReadsEveryElementOfTheApplicationsMessages) {
    auto open = parseEnvelope(
        "<Omnivale v=\"1.0\"><id application=\"7\" phone=\"UID\"/><phone osname=\"iPhone OS\" "
        "osversion=\"3.1\" phone_name=\"Bob &amp; co\" /><application language=\"en\" "
        "version=\"2.0\" last_config=\"2010-05-12 14:30:00\" last_notification=\"2010-05-13 "
        "00:00:00\" token=\"abcd\" /><network type=\"cellular\" debit=\"3g\"/><action "
        "name=\"OPEN\"></action></Omnivale>");
    ASSERT_TRUE(open);
    EXPECT_EQ(open->version, "1.0");
    EXPECT_FALSE(open->session);
    ASSERT_TRUE(open->hasDevice);
    const Device& d = open->device;
    EXPECT_EQ(d.application, "7");
    EXPECT_EQ(d.phone, "UID");
    EXPECT_EQ(d.osName, "iPhone OS");
    EXPECT_EQ(d.phoneName, "Bob & co");
    EXPECT_EQ(d.language, "en");
    EXPECT_EQ(d.lastConfig, "2010-05-12 14:30:00");
    EXPECT_EQ(d.lastNotification, "2010-05-13 00:00:00");
    EXPECT_EQ(d.token, "abcd");
    EXPECT_EQ(d.networkType, "cellular");
    EXPECT_EQ(d.networkDebit, "3g");
    ASSERT_EQ(open->actions.size(), 1u);
    EXPECT_EQ(open->actions[0].name, "OPEN");
    EXPECT_FALSE(open->actions[0].id);

    auto msg = parseEnvelope(
        "<Omnivale v=\"1.0\"><id session=\"S1\"/><event id=\"5\" date=\"d\" hit=\"-2\"/>"
        "<action name=\"WEBREQUEST\" id=\"105\"><param name=\"num_page\"><![CDATA[2]]></param>"
        "<param name=\"q\"><![CDATA[a<b&c]]>tail</param></action><action name=\"CLOSE\">"
        "</action></Omnivale>");
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->session, "S1");
    EXPECT_FALSE(msg->hasDevice);
    ASSERT_EQ(msg->events.size(), 1u);
    EXPECT_EQ(msg->events[0].hit, -2);
    EXPECT_FALSE(msg->events[0].cle);
    ASSERT_EQ(msg->actions.size(), 2u);
    EXPECT_EQ(msg->actions[0].id, 105);
    EXPECT_EQ(msg->actions[0].params.at("num_page"), "2");
    EXPECT_EQ(msg->actions[0].params.at("q"), "a<b&ctail");
    EXPECT_EQ(msg->actions[1].name, "CLOSE");
}

TEST(Envelope, RefusesWhatItCannotTrust) {
    const char* refused[] = {
        "",
        "<Omnivale v=\"1.0\">",
        "<Other/>",
        "<Omnivale><event id=\"1x\"/></Omnivale>",
        "<Omnivale><event date=\"d\"/></Omnivale>",
        "<Omnivale><event id=\"1\" hit=\"many\"/></Omnivale>",
        "<Omnivale><action name=\"WEBREQUEST\" id=\"\"/></Omnivale>",
        "<Omnivale><action name=\"WEBREQUEST\" id=\"99999999999\"/></Omnivale>",
        "<Omnivale><param name=\"x\">1</param></Omnivale>",
        "<!DOCTYPE Omnivale><Omnivale/>",
        "<!DOCTYPE Omnivale [<!ENTITY e \"x\">]><Omnivale><id session=\"&e;\"/></Omnivale>",
        "<!DOCTYPE Omnivale SYSTEM \"http://127.0.0.1:1/x.dtd\"><Omnivale/>",
        "<Omnivale><id session=\"&undefined;\"/></Omnivale>",
    };
    for (const char* doc : refused) {
        std::string why;
        EXPECT_FALSE(parseEnvelope(doc, &why)) << doc;
        EXPECT_FALSE(why.empty()) << doc;
    }
}

TEST(Envelope, SurvivesRandomAndMutatedInput) {
    const std::string seed = "<Omnivale v=\"1.0\"><id session=\"S\"/><event id=\"1\" hit=\"2\"/>"
                             "<action name=\"WEBREQUEST\" id=\"3\"><param name=\"p\"><![CDATA[v]]>"
                             "</param></action></Omnivale>";
    std::mt19937 rng(12345);
    for (int i = 0; i < 3000; ++i) {
        std::string doc = seed;
        int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % doc.size();
            switch (rng() % 3) {
            case 0:
                doc[at] = static_cast<char>(rng());
                break;
            case 1:
                doc.erase(at, 1 + rng() % 8);
                break;
            default:
                doc.insert(at, 1, "<>&\"/=![]"[rng() % 9]);
            }
            if (doc.empty()) doc = "<";
        }
        (void)parseEnvelope(doc); // must not crash or leak (checked under the sanitizers)
        Variables vars = splitForm(doc);
        std::string why;
        (void)decipherListed(vars, &why);
    }
}

std::string crypt(const std::string& text) {
    return kt::KT_EncryptWithBase64(text, kt::kCipherKey);
}

TEST(FormDecoding, DeciphersTheListedVariablesOnly) {
    auto vars = decodeForm("a=" + crypt("first é") + "&b=" + crypt("second") +
                           "&plain=x/y%41&listVarCrypt=a,b");
    ASSERT_TRUE(vars);
    EXPECT_EQ(vars->at("a"), "first é");
    EXPECT_EQ(vars->at("b"), "second");
    EXPECT_EQ(vars->at("plain"), "x/y%41"); // posted values travel unescaped
    EXPECT_FALSE(vars->count("listVarCrypt"));

    // An escaping client: the enciphered text's "/" sent as %2F still deciphers.
    std::string c = crypt("a text long enough to hold several blocks of cipher ???");
    std::string escaped;
    for (char ch : c) escaped += ch == '/' ? std::string("%2F") : std::string(1, ch);
    auto esc = decodeForm("data=" + escaped + "&listVarCrypt=data");
    ASSERT_TRUE(esc);
    EXPECT_EQ(esc->at("data"), "a text long enough to hold several blocks of cipher ???");

    auto noList = decodeForm("data=" + crypt("x"));
    ASSERT_TRUE(noList);
    EXPECT_EQ(noList->at("data"), crypt("x"));

    std::string why;
    EXPECT_FALSE(decodeForm("a=" + crypt("x") + "&listVarCrypt=a,b", &why));
    EXPECT_NE(why.find("\"b\""), std::string::npos);
    EXPECT_FALSE(decodeForm("a=QUJDREVGR0g&listVarCrypt=a", &why)); // one block, bad padding
    EXPECT_NE(why.find("does not decipher"), std::string::npos);
    // Valid cipher of bytes that are not UTF-8.
    auto notUtf8 = kt::KT_EncodeBase64(
        kt::doCipher("\xff\xfe", kt::CipherOperation::Encipher, kt::kCipherKey));
    EXPECT_FALSE(decodeForm("a=" + notUtf8 + "&listVarCrypt=a"));
}

TEST(Replies, EncipheredDocumentRoundTripsAndEscapesText) {
    ReplyBuilder b;
    b.sessionID("S");
    b.notification({"2026-01-01 00:00:00", "A & B", "<hi>", "\"ok\""});
    b.action("WEBREQUEST", 4, true, "<![CDATA[x]]>");
    EXPECT_TRUE(b.ok());
    const std::string doc = b.document();
    EXPECT_EQ(doc, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Omnivale v=\"1.0\"><result "
                   "status=\"ok\"/><sessionID>S</sessionID><notification><title>A &amp; "
                   "B</title><message>&lt;hi&gt;</message><button>&quot;ok&quot;</button>"
                   "</notification><action name=\"WEBREQUEST\" id=\"4\" status=\"ok\" >"
                   "<![CDATA[x]]></action></Omnivale>");
    EXPECT_EQ(kt::KT_DecryptWithBase64(encipherReply(doc), kt::kCipherKey), doc);

    ReplyBuilder e;
    e.action("CLOSE", std::nullopt, false);
    EXPECT_FALSE(e.ok());
    EXPECT_NE(e.document().find("<result status=\"error\"/>"), std::string::npos);
    EXPECT_NE(e.document().find("<action name=\"CLOSE\" status=\"error\" >"), std::string::npos);
}

TEST(ProtocolDates, NewerComparesFixedWidthText) {
    EXPECT_TRUE(isProtocolDate("2026-06-01 10:00:00"));
    EXPECT_FALSE(isProtocolDate("2026-06-01T10:00:00"));
    EXPECT_FALSE(isProtocolDate("2026-6-01 10:00:00"));
    EXPECT_FALSE(isProtocolDate(""));
    EXPECT_TRUE(isNewer("2026-06-01 10:00:01", "2026-06-01 10:00:00"));
    EXPECT_TRUE(isNewer("2027-01-01 00:00:00", "2026-12-31 23:59:59"));
    EXPECT_FALSE(isNewer("2026-06-01 10:00:00", "2026-06-01 10:00:00"));
    EXPECT_FALSE(isNewer("2026-06-01 10:00:00", "2026-06-02 00:00:00"));
    EXPECT_TRUE(isNewer("2026-06-01 10:00:00", ""));
    EXPECT_TRUE(isNewer("2026-06-01 10:00:00", "(null)"));
    EXPECT_FALSE(isNewer("soon", ""));
    EXPECT_EQ(withServerAddress("@SERVER@a @SERVER@", "http://h:1/"), "http://h:1/a http://h:1/");
}

class ContentDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() / ("zserver-parts-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "feeds");
    }
    void TearDown() override { fs::remove_all(dir_); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    fs::path dir_;
};

TEST_F(ContentDirTest, ConfigurationNotificationAndFeeds) {
    ContentDirectory c(dir_);
    EXPECT_FALSE(c.config());
    EXPECT_FALSE(c.notification());
    EXPECT_TRUE(c.feedIds().empty());

    write("ZephrunConfig.xml", "<?xml version=\"1.0\"?>\n<!-- c -->\n<config date=\"2026-01-02 "
                               "03:04:05\"><var name=\"a\">1</var></config>\n");
    auto cfg = c.config();
    ASSERT_TRUE(cfg);
    EXPECT_EQ(cfg->date, "2026-01-02 03:04:05");
    EXPECT_EQ(cfg->block, "<config date=\"2026-01-02 03:04:05\"><var name=\"a\">1</var></config>");
    write("ZephrunConfig.xml", "<config date=\"x\"><var>"); // malformed: nothing to serve
    EXPECT_FALSE(c.config());

    write("notification.xml", "<notification date=\"2026-01-01 00:00:00\"><message>m</message>"
                              "</notification>");
    EXPECT_FALSE(c.notification()); // no title: the device would show nothing
    write("notification.xml", "<notification date=\"2026-01-01 00:00:00\"><title>T</title>"
                              "<message>m</message><button>b</button></notification>");
    auto n = c.notification();
    ASSERT_TRUE(n);
    EXPECT_EQ(n->title, "T");
    EXPECT_EQ(n->button, "b");

    write("feeds/12.xml", "<?xml version=\"1.0\"?>\n  <xmlpipe><a/></xmlpipe> \n");
    write("feeds/12-2.xml", "<xmlpipe><b/></xmlpipe>");
    write("feeds/13.xml", "<xmlpipe><![CDATA[x]]></xmlpipe>");
    write("feeds/notanumber.xml", "<xmlpipe/>");
    auto ids = c.feedIds();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{12, 13}));
    EXPECT_EQ(c.feedPage(12, 1), "<xmlpipe><a/></xmlpipe>");
    EXPECT_EQ(c.feedPage(12, 2), "<xmlpipe><b/></xmlpipe>");
    EXPECT_FALSE(c.feedPage(12, 3));
    EXPECT_FALSE(c.feedPage(12, 0));
    EXPECT_FALSE(c.feedPage(12, -1));
    EXPECT_FALSE(c.feedPage(13, 1)); // would end the reply's CDATA section early
}

TEST(SessionStoreTest, SessionsAndEvents) {
    SessionStore store;
    ASSERT_TRUE(store.open(""));
    Device d;
    d.phone = "P";
    d.token = std::nullopt;
    auto a = store.openSession(d);
    auto b = store.openSession(d);
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_TRUE(store.isOpen(*a));
    EXPECT_FALSE(store.isOpen("missing"));
    EXPECT_EQ(store.session(*a)->phone, "P");
    EXPECT_EQ(store.session(*a)->token, "");

    Event e1;
    e1.id = 201;
    e1.date = "2026-01-01 00:00:00";
    e1.hit = 1;
    e1.cle = "it's \"quoted\"; DROP TABLE events;";
    Event e2;
    e2.id = 204;
    e2.start = "s";
    e2.stop = "t";
    EXPECT_TRUE(store.addEvent(*a, e1));
    EXPECT_TRUE(store.addEvent(*b, e2));
    EXPECT_TRUE(store.addEvent(*a, e2));
    auto ev = store.events(*a);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].event.cle, e1.cle);
    EXPECT_EQ(ev[0].event.hit, 1);
    EXPECT_EQ(ev[1].event.id, 204);
    EXPECT_EQ(ev[1].event.start, "s");
    EXPECT_FALSE(ev[1].event.hit);
    EXPECT_EQ(store.events(*b).size(), 1u);

    EXPECT_TRUE(store.closeSession(*a));
    EXPECT_FALSE(store.closeSession(*a));
    EXPECT_FALSE(store.closeSession("missing"));
    EXPECT_FALSE(store.isOpen(*a));
    EXPECT_TRUE(store.session(*a)->closed);
    EXPECT_TRUE(store.isOpen(*b));
}

TEST(SessionStoreTest, UnopenedOrUnwritableStoreFailsCleanly) {
    SessionStore closed;
    EXPECT_FALSE(closed.openSession({}));
    EXPECT_FALSE(closed.isOpen("x"));
    EXPECT_FALSE(closed.addEvent("x", {}));
    EXPECT_TRUE(closed.events("x").empty());

    SessionStore bad;
    std::string why;
    EXPECT_FALSE(bad.open("/nonexistent-dir/zephrun/sessions.db", &why));
    EXPECT_FALSE(why.empty());
}

} // namespace
