// Radio-show announcements: the reader (lines, "null", dates), the cut, one fetch per run, and
// the fallbacks that keep the cache.
#include <gtest/gtest.h>

#include "feeds/feed_exchange.h"
#include "feeds/show_live_2010.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;
using namespace std::chrono;

namespace {

constexpr int kShowLiveId = 121;

std::string doc(const std::string& title) {
    return "<xml><item id=\"12.5\" date=\"2010-06-21 20:30:00\"><title>\t" + title +
           "\n</title><contenu>Un&lt;br /&gt;Deux\n&lt;BR/&gt;Trois&lt;br/&gt;</contenu></item>"
           "<item><title>null</title><contenu>(null)</contenu></item></xml>";
}

TEST(ShowLiveReader, ItemsWithLinesNullTextsAndDates) {
    ServedDevice s;
    ShowLive2010 live(*s.device);
    EXPECT_FALSE(live.hasList()); // no cache, no shipped copy
    ASSERT_TRUE(live.parseShowLive(doc("Live")));
    auto list = live.listShowLive();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_FLOAT_EQ(*list[0]->id, 12.5f);
    EXPECT_EQ(list[0]->title, "Live");
    EXPECT_EQ(list[0]->contenu, (std::vector<std::string>{"Un", "Deux", "Trois", ""}));
    EXPECT_EQ(list[0]->date, local_days{2010y / June / 21} + 20h + 30min);
    EXPECT_FALSE(list[1]->id);
    EXPECT_FALSE(list[1]->date);
    EXPECT_EQ(list[1]->title, "");
    EXPECT_EQ(list[1]->contenu, std::vector<std::string>{""});

    EXPECT_FALSE(live.parseShowLive(std::nullopt));
    EXPECT_EQ(live.listShowLive().size(), 2u);
}

TEST(ShowLiveReader, DatesReadTheCalendarYearAroundNewYear) {
    // Both dates lie in a week numbered with the other year; the calendar year is kept.
    EXPECT_EQ(showLiveDate("2010-01-02 20:00:00"), local_days{2010y / January / 2} + 20h);
    EXPECT_EQ(showLiveDate("2012-12-31 23:59:59"),
              local_days{2012y / December / 31} + 23h + 59min + 59s);
    EXPECT_EQ(showLiveDate("2010-6-1 9:05:00"), local_days{2010y / June / 1} + 9h + 5min);
    for (const char* bad : {"", "2010-02-30 20:00:00", "2010-06-21", "2010-06-21 24:00:00",
                            "10-06-21 20:00:00", "2010-06-21 20:00:00 ", "abcd-06-21 20:00:00"})
        EXPECT_FALSE(showLiveDate(bad)) << bad;
    // An item whose date cannot be read has no date.
    ServedDevice s;
    ShowLive2010 live(*s.device);
    ASSERT_TRUE(live.parseShowLive("<xml><item date=\"soon\"><title>T</title></item></xml>"));
    EXPECT_FALSE(live.listShowLive().at(0)->date);
}

TEST(ShowLiveReader, TheCutTakesTheLastPartsAndNeedsEveryMarker) {
    const std::string marker = "<action name=\"WEBREQUEST\" id=\"121\" status=\"ok\" >";
    EXPECT_EQ(cutShowLive("x" + marker + "<![CDATA[<xml><item/></xml>]]>", "121"),
              "<xml><item/></xml>");
    EXPECT_EQ(cutShowLive(marker + "<xml>a</xml>" + marker + "<xml>b<xml>c</xml>d</xml>", "121"),
              "<xml>c</xml>");
    EXPECT_FALSE(cutShowLive("<xml>a</xml>", "121"));
    EXPECT_FALSE(cutShowLive(marker + "no document", "121"));
    EXPECT_FALSE(cutShowLive(marker + "<xml>open", "121"));
}

struct ShowLiveServer : ServedDevice {
    ShowLiveServer() {
        handle(kShowLiveId, answer);
        answer.set(true, "<![CDATA[<?xml version=\"1.0\"?>\r\n" + doc("Served") + "]]>");
    }
    std::string cache() {
        return zplatform::readWholeFile(device->path(keys::kPathShowLiveFile2010)).value_or("");
    }
    Answer answer;
};

TEST(ShowLiveFetch, OneFetchPerRunAndTheCacheWritten) {
    ShowLiveServer s;
    s.ship("ZephrunShowLive2010.xml", doc("Shipped"));
    ASSERT_TRUE(s.start());
    ShowLive2010 live(*s.device);
    EXPECT_EQ(live.listShowLive().at(0)->title, "Shipped");
    EXPECT_EQ(s.cache(), doc("Shipped"));

    auto list = live.getShowLive();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->title, "Served");
    EXPECT_TRUE(live.isRefresh());
    EXPECT_EQ(s.cache(), removeChars(doc("Served"), "\n\t"));
    EXPECT_EQ(live.getShowLive().size(), 2u);
    EXPECT_EQ(s.record.count(kShowLiveId), 1);
    EXPECT_TRUE(s.record.lastParams(kShowLiveId).empty());
}

TEST(ShowLiveFetch, FailuresFallBackToTheCacheAndAskAgainNextTime) {
    ShowLiveServer s;
    ASSERT_TRUE(s.start());
    zplatform::writeFileAtomically(s.device->path(keys::kPathShowLiveFile2010), doc("Cached"));
    ShowLive2010 live(*s.device);
    auto failed = [&](const char* what) {
        SCOPED_TRACE(what);
        auto list = live.getShowLive();
        EXPECT_FALSE(live.isRefresh());
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0]->title, "Cached");
        EXPECT_EQ(s.cache(), doc("Cached"));
    };
    s.answer.set(false, "");
    failed("error status");
    s.answer.set(true, "<html>maintenance</html>");
    failed("no document markers");
    s.answer.set(true, "\x01\xfe garbage");
    failed("garbage");
    EXPECT_EQ(s.record.count(kShowLiveId), 3);
    s.stopServing();
    failed("server down");

    s.device->setServer(s.server->baseURL());
    s.answer.set(true, doc("Back"));
    EXPECT_EQ(live.getShowLive().at(0)->title, "Back");
    EXPECT_TRUE(live.isRefresh());
}

TEST(ShowLiveFetch, AnEmptyAnswerIsFetchedAgain) {
    ShowLiveServer s;
    s.answer.set(true, "<xml></xml>");
    ASSERT_TRUE(s.start());
    ShowLive2010 live(*s.device);
    EXPECT_TRUE(live.getShowLive().empty());
    EXPECT_TRUE(live.isRefresh());
    EXPECT_EQ(s.cache(), "<xml></xml>");
    live.getShowLive();
    EXPECT_EQ(s.record.count(kShowLiveId), 2);
}

} // namespace

namespace {

// The reference server over its demo content, unmodified, and the shipped copy.
TEST(ShowLiveDemo, AnnouncementsFromTheDemoServer) {
    ts::TempDir dir;
    TestDelegate device(dir.file("docs"));
    ServedContent content(dir.path());
    ASSERT_TRUE(content.start());
    device.setServer(content.baseURL());

    ShowLive2010 live(device);
    EXPECT_TRUE(live.hasList()); // the shipped copy
    auto list = live.getShowLive();
    ASSERT_TRUE(live.isRefresh());
    ASSERT_FALSE(list.empty());
    for (auto& item : list) {
        EXPECT_TRUE(item->id);
        EXPECT_TRUE(item->date);
        EXPECT_FALSE(item->title.empty());
        EXPECT_FALSE(item->contenu.empty());
    }
    EXPECT_GT(list.front()->contenu.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(device.path(keys::kPathShowLiveFile2010)));
}

} // namespace
