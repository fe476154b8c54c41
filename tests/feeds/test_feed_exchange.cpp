// The reply cuts, text cleaning, attribute reading and cache writes the feed models share.
#include <gtest/gtest.h>

#include "feed_fixture.h"
#include "feeds/feed_exchange.h"
#include "platform/atomic_file.h"

using namespace zephrun;

namespace {

const std::string kCData = "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::string reply(const std::string& id, const std::string& body) {
    return "<omv><action name=\"WEBREQUEST\" id=\"" + id + "\" status=\"ok\" >" + body +
           "</action></omv>";
}

TEST(FeedCuts, XmlpipeIsCutBetweenTheMarkersOfTheRightAction) {
    const std::string doc = "<xmlpipe><news total=\"1\" page=\"1\" nbpage=\"1\"></news>";
    const std::string text = reply("105", kCData + doc + "</xmlpipe>]]>");
    EXPECT_EQ(cutXmlpipe(text, "105"), doc);
    // Another id, a failed action, a missing CDATA marker or end marker: nothing to cut.
    EXPECT_FALSE(cutXmlpipe(text, "104"));
    EXPECT_FALSE(cutXmlpipe("<action name=\"WEBREQUEST\" id=\"105\" status=\"error\" >", "105"));
    EXPECT_FALSE(cutXmlpipe(reply("105", doc + "</xmlpipe>]]>"), "105"));
    EXPECT_FALSE(cutXmlpipe(reply("105", kCData + doc), "105"));
    // The marker needs the blank before ">" exactly.
    EXPECT_FALSE(cutXmlpipe("<action name=\"WEBREQUEST\" id=\"105\" status=\"ok\">" + kCData + doc +
                                "</xmlpipe>]]>",
                            "105"));
}

TEST(FeedCuts, ElementCutRebuildsACompleteElement) {
    const std::string text =
        reply("113", "<![CDATA[<concerts total=\"2\" page=\"1\" nbpage=\"1\"><concert/>"
                     "</concerts>]]><concerts total=\"9\"></concerts>");
    EXPECT_EQ(cutElement(text, "113", "<concerts total", "</concerts>"),
              "<concerts total=\"2\" page=\"1\" nbpage=\"1\"><concert/></concerts>");
    EXPECT_FALSE(cutElement(text, "113", "<photos total", "</photos>"));
    EXPECT_FALSE(
        cutElement("<concerts total=\"1\"></concerts>", "113", "<concerts total", "</concerts>"));
}

TEST(FeedText, CleaningAndReplacement) {
    EXPECT_EQ(cleanText(" a\tb\nc\rd "), " abcd ");
    EXPECT_EQ(cleanSpaces(" 2010 - 06\n"), "2010-06");
    EXPECT_EQ(replaceAll("a+b+c", "+", " "), "a b c");
    EXPECT_EQ(removeAll("zephrunlife: hi zephrunlife:", "zephrunlife:"), " hi ");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(textBetween("x<a>1</a><a>2</a>", "<a>", "</a>"), "1");
}

TEST(FeedText, AttributesReadLikeThePlatformNumbers) {
    const char* attrs[] = {"total",   " 42abc", "page",   "x",   "big",  "99999999999", "lat",
                           "48.8566", "neg",    "-2.5e1", "hex", "0x10", nullptr};
    EXPECT_EQ(intAttribute(attrs, "total"), 42);
    EXPECT_EQ(intAttribute(attrs, "page"), 0);
    EXPECT_EQ(intAttribute(attrs, "missing"), 0);
    EXPECT_EQ(intAttribute(attrs, "big"), 2147483647);
    EXPECT_FLOAT_EQ(floatAttribute(attrs, "lat"), 48.8566f);
    EXPECT_FLOAT_EQ(floatAttribute(attrs, "neg"), -25.0f);
    EXPECT_FLOAT_EQ(floatAttribute(attrs, "hex"), 0.0f);
    EXPECT_EQ(attribute(attrs, "page"), "x");
    EXPECT_FALSE(attribute(attrs, "none"));
    EXPECT_FALSE(attribute(nullptr, "none"));
}

TEST(FeedCache, ReplaceAndAppendKeepWholeDocuments) {
    ts::TempDir dir;
    const std::string path = dir.file("cache.xml");
    EXPECT_TRUE(appendCache(path, "<a>")); // appending to nothing creates the file
    EXPECT_TRUE(appendCache(path, "<b>"));
    EXPECT_EQ(zplatform::readWholeFile(path), "<a><b>");
    EXPECT_TRUE(replaceCache(path, "<c>"));
    EXPECT_EQ(zplatform::readWholeFile(path), "<c>");
    EXPECT_FALSE(replaceCache("", "<c>"));
    EXPECT_FALSE(replaceCache(dir.file("missing/dir/cache.xml"), "<c>") &&
                 !std::filesystem::exists(dir.file("missing/dir/cache.xml")));
}

TEST(FeedDelegateTest, ReachesTheConfigurationAndTheCachePaths) {
    ts::TempDir dir;
    feedtest::TestDelegate d(dir.path());
    EXPECT_EQ(d.configInteger("id_wr_news_fr"), 105);
    EXPECT_EQ(d.configInteger("id_wr_nothing"), 0);
    EXPECT_EQ(d.path(keys::kPathNewsFileFR), dir.path() + "/ZephrunNewsFR.xml");
    EXPECT_EQ(d.packageCopy("ZephrunNewsFR.xml"),
              (feedtest::kRoot / "resources/ZephrunNewsFR.xml").string());
}

} // namespace
