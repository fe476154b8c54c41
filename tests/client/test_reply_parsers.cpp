// Reply readers on good, partial and hostile documents.
#include "client/reply_parsers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kt;

namespace {

const char* kOpenReply =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<response><action name=\"OPEN\" status=\"ok\">"
    "<sessionID>\n  AB12 cd34\n</sessionID>"
    "<notification><title>Concert</title><message>Ce soir &amp; demain</message>"
    "<button>OK !</button></notification>"
    "<config date=\"2010-06-01 10:00:00\"><param name=\"url_omv\">http://x/</param></config>"
    "</action></response>";

struct Shown {
    std::vector<std::string> alerts;
    std::vector<std::string> dates;
    NotificationHandlers handlers() {
        return {[this](const std::string& t, const std::string& m, const std::string& b) {
                    alerts.push_back(t + "|" + m + "|" + b);
                },
                [this](const std::string& d) { dates.push_back(d); }};
    }
};

// Entities that expand to 10^9 "lol"s.
std::string billionLaughs() {
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        doc += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) doc += "&l" + std::to_string(i - 1) + ";";
        doc += "\">";
    }
    return doc + "]><r><sessionID>&l9;</sessionID><title>&l9;</title></r>";
}

} // namespace

TEST(ParseResult, StatusOfResultAndActionElements) {
    EXPECT_TRUE(KT_ParseResult(kOpenReply).ok());
    EXPECT_TRUE(KT_ParseResult("<r><action status=\"ok\"/><result/></r>").ok());
    EXPECT_TRUE(KT_ParseResult("<r><other status=\"error\"/></r>").ok());
    EXPECT_TRUE(KT_ParseResult("<r><result status=\"Error\"/></r>").ok());
    EXPECT_TRUE(KT_ParseResult("<r><result state=\"error\"/></r>").ok());
    EXPECT_FALSE(KT_ParseResult("<r><a><b><result status=\"error\"/></b></a></r>").ok());
    EXPECT_FALSE(KT_ParseResult("<action status=\"error\">x</action>").ok());
    // Not well-formed: fails, whatever came before the fault.
    KT_ParseResult cut("<r><action status=\"ok\"><sessionID>1</sess");
    EXPECT_FALSE(cut.ok());
    EXPECT_FALSE(cut.wellFormed());
    EXPECT_FALSE(KT_ParseResult("").ok());
    EXPECT_FALSE(KT_ParseResult("garbage \x01\x02").ok());
    EXPECT_FALSE(KT_ParseResult("<r/><r/>").ok());
}

TEST(ParseSessionID, TextCleanedOfSpacesAndLineFeeds) {
    EXPECT_EQ(KT_ParseSessionID(kOpenReply).getSessionID(), std::optional<std::string>("AB12cd34"));
    // Tabs and carriage returns stay (a raw CR is a line feed to XML, so it is written as a
    // reference); the last element wins; nested text is gathered.
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID>a\tb&#13;\r</sessionID></r>").getSessionID(),
              std::optional<std::string>("a\tb\r"));
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID>1</sessionID><x><sessionID>2</sessionID></x></r>")
                  .getSessionID(),
              std::optional<std::string>("2"));
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID>a<i>b</i>c</sessionID>d</r>").getSessionID(),
              std::optional<std::string>("abc"));
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID/></r>").getSessionID(),
              std::optional<std::string>(""));
    // CDATA is not read.
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID>a<![CDATA[zz]]>b</sessionID></r>").getSessionID(),
              std::optional<std::string>("ab"));
    // Case-sensitive name; none when missing or when the document is broken.
    EXPECT_EQ(KT_ParseSessionID("<r><sessionid>1</sessionid></r>").getSessionID(), std::nullopt);
    EXPECT_EQ(KT_ParseSessionID("<r><sessionID>1</sessionID>").getSessionID(), std::nullopt);
    EXPECT_EQ(KT_ParseSessionID("").getSessionID(), std::nullopt);
}

TEST(ParseNotification, ShownOnceWithTitle) {
    Shown shown;
    KT_ParseNotification n(kOpenReply);
    EXPECT_FALSE(n.isNotification()); // cleared at the element's end
    EXPECT_TRUE(n.showNotification(shown.handlers()));
    ASSERT_EQ(shown.alerts.size(), 1u);
    EXPECT_EQ(shown.alerts[0], "Concert|Ce soir & demain|OK !");
    ASSERT_EQ(shown.dates.size(), 1u);
    const std::string& d = shown.dates[0];
    ASSERT_EQ(d.size(), 19u);
    EXPECT_EQ(d[4], '-');
    EXPECT_EQ(d[10], ' ');
    EXPECT_EQ(d[13], ':');
    EXPECT_EQ(d.substr(0, 2), "20");
}

TEST(ParseNotification, FieldsAnywhereLaterWins) {
    Shown shown;
    KT_ParseNotification n("<r><title>a</title><x><title>b</title></x><button>go</button></r>");
    EXPECT_EQ(n.titleN(), std::optional<std::string>("b"));
    EXPECT_EQ(n.messageM(), std::nullopt);
    EXPECT_TRUE(n.showNotification(shown.handlers()));
    EXPECT_EQ(shown.alerts.at(0), "b||go");
    // Missing handlers are skipped without harm.
    EXPECT_TRUE(n.showNotification({}));
}

TEST(ParseNotification, NoTitleShowsNothing) {
    Shown shown;
    KT_ParseNotification n("<r><notification><message>m</message><button>b</button>"
                           "</notification></r>");
    EXPECT_FALSE(n.showNotification(shown.handlers()));
    EXPECT_TRUE(shown.alerts.empty());
    EXPECT_TRUE(shown.dates.empty());
    EXPECT_FALSE(KT_ParseNotification("").showNotification(shown.handlers()));
    // CDATA is not read: the title is set, but empty.
    EXPECT_EQ(KT_ParseNotification("<r><title><![CDATA[t]]></title></r>").titleN(),
              std::optional<std::string>(""));
}

TEST(ParseNotification, EventsBeforeAFaultCount) {
    KT_ParseNotification n("<r><title>t</title><message>m</mess");
    EXPECT_EQ(n.titleN(), std::optional<std::string>("t"));
    EXPECT_EQ(n.messageM(), std::nullopt); // its end never came
}

TEST(ParseConfig, BlockCutOutTextually) {
    KT_ParseConfig c(kOpenReply);
    ASSERT_TRUE(c.configBlock());
    EXPECT_EQ(*c.configBlock(),
              "<config date=\"2010-06-01 10:00:00\"><param name=\"url_omv\">http://x/</param>"
              "</config>");
    std::string got;
    EXPECT_TRUE(c.updateConfig([&](std::string_view x) { got = x; }));
    EXPECT_EQ(got, *c.configBlock());

    // The first block wins; its end is the first "</config>" after it.
    KT_ParseConfig two("<r><config date=\"1\">a</config><config date=\"2\">b</config></r>");
    EXPECT_EQ(two.configBlock(), std::optional<std::string>("<config date=\"1\">a</config>"));
    // Textual: not even a well-formed reply is needed around it.
    EXPECT_EQ(KT_ParseConfig("junk<config date=\"x\"/></config>").configBlock(),
              std::optional<std::string>("<config date=\"x\"/></config>"));
}

TEST(ParseConfig, NoBlockChangesNothing) {
    int calls = 0;
    auto count = [&](std::string_view) { ++calls; };
    EXPECT_FALSE(KT_ParseConfig("<r><notification/></r>").updateConfig(count));
    EXPECT_FALSE(KT_ParseConfig("<r><config>x</config></r>").updateConfig(count));
    // "</config>" before the block does not close it; a reply cut before its end has none.
    EXPECT_FALSE(KT_ParseConfig("</config><config date=\"1\"><param").updateConfig(count));
    EXPECT_FALSE(KT_ParseConfig("<config date").updateConfig(count));
    EXPECT_EQ(calls, 0);
}

TEST(HostileXml, BillionLaughsRefused) {
    const std::string doc = billionLaughs();
    EXPECT_FALSE(KT_ParseResult(doc).ok());
    EXPECT_EQ(KT_ParseSessionID(doc).getSessionID(), std::nullopt);
    KT_ParseNotification n(doc);
    EXPECT_EQ(n.titleN(), std::nullopt);
}

TEST(HostileXml, SmallInternalEntitiesStillExpand) {
    const char* doc = "<!DOCTYPE r [<!ENTITY s \"S1\">]><r><sessionID>&s;</sessionID></r>";
    EXPECT_EQ(KT_ParseSessionID(doc).getSessionID(), std::optional<std::string>("S1"));
}

TEST(HostileXml, ExternalEntitiesNeverRead) {
    const char* general = "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                          "<r><sessionID>&x;</sessionID></r>";
    EXPECT_FALSE(KT_ParseResult(general).ok());
    EXPECT_EQ(KT_ParseSessionID(general).getSessionID(), std::nullopt);
    const char* parameter = "<!DOCTYPE r [<!ENTITY % p SYSTEM \"http://127.0.0.1:1/x.dtd\"> %p;]>"
                            "<r><title>&y;</title></r>";
    // The parameter entity is never loaded, so "&y;" stays undefined and reads as nothing.
    EXPECT_EQ(KT_ParseNotification(parameter).titleN(), std::optional<std::string>(""));
    const char* externalSubset =
        "<!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r><title>t</title></r>";
    EXPECT_TRUE(KT_ParseResult(externalSubset).ok()); // the subset itself is never loaded
}

TEST(HostileXml, DeepAndHugeDocuments) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    EXPECT_FALSE(KT_ParseResult(deep).ok());
    std::string big = "<r><sessionID>" + std::string(4 << 20, 'x') + "</sessionID></r>";
    EXPECT_EQ(KT_ParseSessionID(big).getSessionID()->size(), 4u << 20);
}
