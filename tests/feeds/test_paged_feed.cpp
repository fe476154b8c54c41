// The paged feed pattern on a small feed of its own: creation from the cache or the shipped copy,
// loads without bytes, the fallbacks, and completions on two threads.
#include <gtest/gtest.h>

#include <thread>

#include "client/xml_reader.h"
#include "feed_pages.h"
#include "feeds/feed_exchange.h"
#include "feeds/paged_feed.h"
#include "platform/atomic_file.h"

using namespace zephrun;
using namespace feedtest;

namespace {

struct Item {
    std::string text;
};
using ItemFeed = PagedFeed<Item>;

// `<items total page nbpage>` holding `<i>` items.
bool parseItems(std::string_view document, FeedContent<Item>& content) {
    bool sawList = false;
    std::optional<std::string> buffer;
    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char** attributes) {
        std::string_view n(name);
        if (n == "items") {
            sawList = true;
            content.nbItems = intAttribute(attributes, "total");
            content.currentPage = intAttribute(attributes, "page");
            content.nbPages = intAttribute(attributes, "nbpage");
        } else if (n == "i") {
            buffer.emplace();
        }
    };
    events.characters = [&](std::string_view text) {
        if (buffer) *buffer += text;
    };
    events.endElement = [&](const char* name) {
        if (std::string_view(name) != "i" || !buffer) return;
        if (!content.list) content.list.emplace();
        content.list->push_back(std::make_shared<Item>(Item{*buffer}));
        buffer.reset();
    };
    kt::parseXml(document, events);
    return sawList;
}

// The kept document of page `page` of `pages`, items named "p<page>-<k>".
std::string page(int page, int pages, int items, int total) {
    std::string doc = "<xmlpipe><items total=\"" + std::to_string(total) + "\" page=\"" +
                      std::to_string(page) + "\" nbpage=\"" + std::to_string(pages) + "\">";
    for (int k = 0; k < items; ++k)
        doc += "<i>p" + std::to_string(page) + "-" + std::to_string(k) + "</i>";
    return doc + "</items>";
}

constexpr int kId = 105; // id_wr_news_fr of the test configuration

PagedFeedSettings settings(TestDelegate& device, bool keepList = false) {
    PagedFeedSettings s;
    s.webRequestName = "id_wr_news_fr";
    s.cachePath = feedCachePath(device, keys::kPathConcertsFile, "Items.xml");
    s.packageCopy = device.packageCopy("Items.xml");
    s.cut = xmlpipeCut();
    s.keepListWithoutBytes = keepList;
    return s;
}

std::vector<std::string> texts(const ItemFeed& feed) {
    std::vector<std::string> out;
    for (auto& item : feed.list()) out.push_back(item->text);
    return out;
}

// Three pages of 2, 2 and 1 items.
void serveThreePages(PageTable& table) {
    table.set(1, {true, xmlpipePayload(page(1, 3, 2, 5))});
    table.set(2, {true, xmlpipePayload(page(2, 3, 2, 5))});
    table.set(3, {true, xmlpipePayload(page(3, 3, 1, 5))});
}

TEST(PagedFeedCreation, CacheOrShippedCopy) {
    PagedSetup s(kId);
    TestDelegate& d = *s.device;
    s.ship("Items.xml", page(1, 1, 2, 2));
    {
        // No cache: the shipped copy is parsed and becomes the cache.
        ItemFeed feed(d, settings(d), parseItems);
        feed.loadInitial();
        EXPECT_EQ(texts(feed), (std::vector<std::string>{"p1-0", "p1-1"}));
        EXPECT_EQ(feed.currentPage(), 1);
        EXPECT_EQ(zplatform::readWholeFile(feed.settings().cachePath), page(1, 1, 2, 2));
        EXPECT_FALSE(feed.isRefresh());
    }
    // A cache of fewer than 2 bytes is replaced by the shipped copy; a real one is kept.
    const std::string cache = settings(d).cachePath;
    ASSERT_TRUE(zplatform::writeFileAtomically(cache, "<"));
    ItemFeed again(d, settings(d), parseItems);
    again.loadInitial();
    EXPECT_EQ(again.list().size(), 2u);
    ASSERT_TRUE(zplatform::writeFileAtomically(cache, page(2, 2, 1, 3)));
    ItemFeed cached(d, settings(d), parseItems);
    cached.loadInitial();
    EXPECT_EQ(texts(cached), std::vector<std::string>{"p2-0"});
    // Neither: no list at all, and none is made up.
    std::filesystem::remove(cache);
    std::filesystem::remove(s.package / "Items.xml");
    ItemFeed empty(d, settings(d), parseItems);
    empty.loadInitial();
    EXPECT_FALSE(empty.hasList());
    EXPECT_EQ(empty.currentPage(), -1);
    EXPECT_EQ(empty.nbPages(), -1);
}

TEST(PagedFeedLoad, NoBytesDropsTheListUnlessTheFeedKeepsIt) {
    PagedSetup s(kId);
    ItemFeed dropping(*s.device, settings(*s.device), parseItems);
    EXPECT_TRUE(dropping.load(std::string_view(page(1, 1, 1, 1))));
    EXPECT_FALSE(dropping.load(std::nullopt));
    EXPECT_FALSE(dropping.hasList());
    ItemFeed keeping(*s.device, settings(*s.device, true), parseItems);
    EXPECT_TRUE(keeping.load(std::string_view(page(1, 1, 1, 1))));
    EXPECT_FALSE(keeping.load(std::nullopt));
    EXPECT_EQ(keeping.list().size(), 1u);
    // Malformed bytes still count as loaded: what was read replaces the list.
    EXPECT_TRUE(keeping.load(std::string_view("<items><i>a</i><i>b")));
    EXPECT_EQ(texts(keeping), std::vector<std::string>{"a"});
}

TEST(PagedFeedServer, AnEmptyPageIsAPageButAReplyWithoutCDataIsNot) {
    PagedSetup s(kId);
    serveThreePages(s.table);
    ASSERT_TRUE(s.start());
    ItemFeed feed(*s.device, settings(*s.device), parseItems);
    ASSERT_TRUE(feed.refresh());
    const std::string cache = feed.settings().cachePath;
    const auto cached = zplatform::readWholeFile(cache);
    s.table.set(1, {true, "<xmlpipe>" + page(1, 3, 2, 5) + "</xmlpipe>"});
    EXPECT_FALSE(feed.refresh());
    EXPECT_EQ(feed.list().size(), 2u);
    EXPECT_EQ(zplatform::readWholeFile(cache), cached);
    s.table.set(1, {true, xmlpipePayload("<xmlpipe><items total=\"0\" page=\"1\" nbpage=\"1\">")});
    EXPECT_TRUE(feed.refresh());
    EXPECT_TRUE(feed.list().empty());
    EXPECT_EQ(feed.nbItems(), 0);
    EXPECT_EQ(zplatform::readWholeFile(cache),
              "<xmlpipe><items total=\"0\" page=\"1\" nbpage=\"1\">");
}

TEST(PagedFeedServer, WithoutAReplyTheCacheIsReloaded) {
    PagedSetup s(kId);
    serveThreePages(s.table);
    ASSERT_TRUE(s.start());
    ItemFeed feed(*s.device, settings(*s.device), parseItems);
    ASSERT_TRUE(feed.refresh());
    ASSERT_TRUE(feed.complete());
    const auto list = texts(feed);
    const std::string cache = feed.settings().cachePath;
    const auto cached = zplatform::readWholeFile(cache);

    s.device->setServer(deadServerURL());
    EXPECT_FALSE(feed.complete());
    EXPECT_FALSE(feed.isForCompleting());
    EXPECT_EQ(texts(feed), list); // the cache holds both pages
    EXPECT_EQ(zplatform::readWholeFile(cache), cached);
    EXPECT_FALSE(feed.refresh());
    EXPECT_EQ(texts(feed), list);
    EXPECT_EQ(feed.currentPage(), 2);

    // What is reloaded is the cache file, whatever the list held.
    ASSERT_TRUE(zplatform::writeFileAtomically(cache, page(1, 1, 1, 1)));
    EXPECT_FALSE(feed.refresh());
    EXPECT_EQ(texts(feed), std::vector<std::string>{"p1-0"});
    // No cache file either: the list is gone.
    std::filesystem::remove(cache);
    EXPECT_FALSE(feed.refresh());
    EXPECT_FALSE(feed.hasList());
}

TEST(PagedFeedThreads, ConcurrentCompletionsFetchEachPageOnce) {
    PagedSetup s(kId);
    serveThreePages(s.table);
    ASSERT_TRUE(s.start());
    ItemFeed feed(*s.device, settings(*s.device), parseItems);
    ASSERT_TRUE(feed.refresh());
    s.table.delay(std::chrono::milliseconds(150));
    // Both see page 1 of 3; the page to fetch is decided under the request lock, so the second
    // fetches page 3, not page 2 again.
    std::thread other([&] { EXPECT_TRUE(feed.complete()); });
    EXPECT_TRUE(feed.complete());
    other.join();
    EXPECT_EQ(texts(feed), (std::vector<std::string>{"p1-0", "p1-1", "p2-0", "p2-1", "p3-0"}));
    EXPECT_EQ(zplatform::readWholeFile(feed.settings().cachePath),
              page(1, 3, 2, 5) + page(2, 3, 2, 5) + page(3, 3, 1, 5));
    EXPECT_EQ(s.table.requests(), 3);
}

} // namespace
