// Concerts: the reader, refresh and completion against the reference server, the cache of
// complete elements of which a new launch reads page 1 only, and the fallbacks.
#include <gtest/gtest.h>

#include "feeds/concerts.h"
#include "feeds/feed_exchange.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;

namespace {

constexpr int kPastId = 113, kFutureId = 114;

std::string page(int n, int pages, const std::string& tag = "c") {
    std::string doc = "<concerts total=\"" + std::to_string(2 * pages) + "\" page=\"" +
                      std::to_string(n) + "\" nbpage=\"" + std::to_string(pages) + "\">";
    for (int k = 0; k < 2; ++k) {
        std::string id = tag + std::to_string(n) + std::to_string(k);
        doc += "<concert id=\" " + id + "\n\" latitude=\"45.5\" longitude=\"-1.25\"><titre>" + id +
               " Rock &amp;amp; Roll\n</titre><date>\t2010-06-21</date><adresse>Lyon\r</adresse>"
               "</concert>";
    }
    return doc + "</concerts>";
}

TEST(ConcertsReader, FieldsAreCleanedAndTitlesUnescaped) {
    FeedContent<ConcertsDescription> content;
    ASSERT_TRUE(parseConcertsDocument(page(1, 3), content));
    EXPECT_EQ(content.currentPage, 1);
    EXPECT_EQ(content.nbPages, 3);
    EXPECT_EQ(content.nbItems, 6);
    ASSERT_EQ(content.list->size(), 2u);
    auto c = content.list->at(1);
    EXPECT_EQ(c->cID, "c11");
    EXPECT_EQ(c->cTitle, "c11 Rock & Roll");
    EXPECT_EQ(c->cDate, "2010-06-21");
    EXPECT_EQ(c->cAdresse, "Lyon");
    EXPECT_FLOAT_EQ(c->cLatitude, 45.5f);
    EXPECT_FLOAT_EQ(c->cLongitude, -1.25f);
    FeedContent<ConcertsDescription> none;
    EXPECT_FALSE(parseConcertsDocument("<photos total=\"1\"></photos>", none));
}

// Pages answered by "num_page" for both types; page 0 of `broken` overrides every page.
struct ConcertsServer : ServedDevice {
    ConcertsServer() {
        for (int id : {kPastId, kFutureId}) {
            handle(id, [this, id](const zserver::Action& a) {
                if (auto b = broken.get(); b.ok || !b.payload.empty()) return b;
                int n = std::atoi(a.params.at("num_page").c_str());
                if (n < 1 || n > 3) return zserver::WebRequestAnswer{};
                return zserver::WebRequestAnswer{true, "<![CDATA[<?xml version=\"1.0\"?>\n" +
                                                           page(n, 3, id == kPastId ? "p" : "f") +
                                                           "]]>"};
            });
        }
        ship("ZephrunConcerts_1.xml", page(1, 1, "shipped"));
        EXPECT_TRUE(start());
    }
    std::string cache(int type) {
        return zplatform::readWholeFile(docs("ZephrunConcerts_" + std::to_string(type) + ".xml"))
            .value_or("");
    }
    Answer broken;
};

// A document as the cache keeps it: the reply's line feeds dropped.
std::string served(const std::string& doc) {
    return removeAll(doc, "\n");
}

std::vector<std::string> ids(const Concerts& c) {
    std::vector<std::string> out;
    for (auto& d : c.listConcerts()) out.push_back(d->cID);
    return out;
}

TEST(ConcertsFeed, CompletionAppendsAndANewLaunchReadsPageOneOnly) {
    ConcertsServer s;
    Concerts past(*s.device, Concerts::kPast);
    EXPECT_EQ(ids(past), (std::vector<std::string>{"shipped10", "shipped11"}));
    EXPECT_EQ(s.cache(1), page(1, 1, "shipped"));

    ASSERT_TRUE(past.refreshConcerts());
    EXPECT_EQ(s.record.lastParams(kPastId).at("num_page"), "1");
    EXPECT_EQ(s.cache(1), served(page(1, 3, "p")));
    ASSERT_TRUE(past.completConcerts());
    EXPECT_EQ(s.record.lastParams(kPastId).at("num_page"), "2");
    EXPECT_EQ(ids(past), (std::vector<std::string>{"p10", "p11", "p20", "p21"}));
    EXPECT_EQ(past.currentPage(), 2);
    EXPECT_EQ(s.cache(1), served(page(1, 3, "p") + page(2, 3, "p")));

    Concerts again(*s.device, Concerts::kPast);
    EXPECT_EQ(ids(again), (std::vector<std::string>{"p10", "p11"}));
    EXPECT_EQ(again.currentPage(), 1);
    EXPECT_EQ(again.nbPages(), 3);

    ASSERT_TRUE(past.completConcerts());
    EXPECT_EQ(past.currentPage(), 3);
    EXPECT_TRUE(past.completConcerts()); // nothing left: nothing sent
    EXPECT_EQ(s.record.count(kPastId), 3);
    EXPECT_EQ(past.listConcerts().size(), 6u);
}

TEST(ConcertsFeed, FutureConcertsHaveTheirOwnQueryAndFile) {
    ConcertsServer s;
    Concerts future(*s.device, Concerts::kFuture);
    EXPECT_FALSE(future.hasList()); // no shipped copy of type 2 here
    ASSERT_TRUE(future.refreshConcerts());
    EXPECT_EQ(future.typeConcerts(), 2);
    EXPECT_EQ(ids(future).front(), "f10");
    EXPECT_EQ(s.record.count(kPastId), 0);
    EXPECT_EQ(s.cache(2), served(page(1, 3, "f")));
    EXPECT_EQ(s.cache(1), ""); // the past concerts were never created
}

TEST(ConcertsFeed, FailuresKeepTheListAndTheCache) {
    ConcertsServer s;
    Concerts past(*s.device, Concerts::kPast);
    ASSERT_TRUE(past.refreshConcerts());
    ASSERT_TRUE(past.completConcerts());
    const std::string cached = s.cache(1);
    const std::vector<std::string> both = {"p10", "p11", "p20", "p21"};
    auto unchanged = [&](const char* what, const std::vector<std::string>& expected) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(past.isRefresh());
        EXPECT_FALSE(past.isForCompleting());
        EXPECT_EQ(s.cache(1), cached);
        EXPECT_EQ(ids(past), expected);
    };
    s.broken.set(false, "error");
    EXPECT_FALSE(past.completConcerts());
    unchanged("error status", both);
    s.broken.set(true, "<concerts total=\"9\" page=\"3\" nbpage=\"3\"><concert id=\"x\">");
    EXPECT_FALSE(past.refreshConcerts());
    unchanged("no end marker", both);
    s.broken.set(true, "\x01\x02 garbage");
    EXPECT_FALSE(past.completConcerts());
    unchanged("garbage", both);
    // Without a server the cache is read again: page 1 only.
    s.stopServing();
    EXPECT_FALSE(past.completConcerts());
    unchanged("server down", {"p10", "p11"});
}

} // namespace

namespace {

// The reference server over its demo content, unmodified, and the shipped copies.
TEST(ConcertsDemo, RefreshAndCompletionFromTheDemoServer) {
    ts::TempDir dir;
    TestDelegate device(dir.file("docs"));
    ServedContent content(dir.path());
    ASSERT_TRUE(content.start());
    device.setServer(content.baseURL());

    Concerts past(device, Concerts::kPast);
    ASSERT_TRUE(past.hasList()); // the shipped page 1
    ASSERT_TRUE(past.refreshConcerts());
    EXPECT_EQ(past.currentPage(), 1);
    ASSERT_GT(past.nbPages(), 1);
    const size_t first = past.listConcerts().size();
    ASSERT_TRUE(past.completConcerts());
    EXPECT_EQ(past.currentPage(), 2);
    EXPECT_GT(past.listConcerts().size(), first);
    for (auto& c : past.listConcerts()) {
        EXPECT_FALSE(c->cID.empty());
        EXPECT_EQ(c->cTitle.find("&amp;"), std::string::npos);
        EXPECT_NE(c->cLatitude, 0.0f);
    }
    Concerts again(device, Concerts::kPast);
    EXPECT_EQ(again.currentPage(), 1);
    EXPECT_EQ(again.listConcerts().size(), first);

    Concerts future(device, Concerts::kFuture);
    ASSERT_TRUE(future.refreshConcerts());
    EXPECT_FALSE(future.listConcerts().empty());
}

} // namespace
