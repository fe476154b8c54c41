// The news, Twitter, video and concert-album models against the reference server on loopback:
// first launch from the shipped copy, refresh, completion to the last page and read-back of the
// completed cache, failures, and readers on another thread during refreshes.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "feed_pages.h"
#include "feeds/album_photo.h"
#include "feeds/news.h"
#include "feeds/twitter.h"
#include "feeds/videos.h"
#include "platform/atomic_file.h"

using namespace zephrun;
using namespace feedtest;

namespace {

// Item k of page p is named "p<p>-<k>" in the field each model keys on.
std::string itemName(int p, int k) {
    return "p" + std::to_string(p) + "-" + std::to_string(k);
}

std::string paging(const char* element, int p, int pages, int total) {
    return std::string("<") + element + " total=\"" + std::to_string(total) + "\" page=\"" +
           std::to_string(p) + "\" nbpage=\"" + std::to_string(pages) + "\">";
}

struct NewsTraits {
    using Model = News;
    static constexpr int kId = 105; // id_wr_news_fr
    static constexpr const char* kShipped = "ZephrunNewsFR.xml";
    static constexpr bool kReadsBackAllPages = true;
    static std::unique_ptr<Model> make(TestDelegate& d) { return std::make_unique<News>(d, 2); }
    static std::string cache(TestDelegate& d) { return d.path(keys::kPathNewsFileFR); }
    static std::string page(int p, int pages, int items, int total) {
        std::string doc = "<xmlpipe>" + paging("news", p, pages, total);
        for (int k = 0; k < items; ++k)
            doc += "<new><title>" + itemName(p, k) +
                   "</title><date>2010-06-01</date><description>&lt;p&gt;x&lt;/p&gt;"
                   "</description></new>";
        return doc + "</news>";
    }
    static std::string payload(const std::string& doc) { return xmlpipePayload(doc); }
    static std::vector<std::string> names(const Model& m) {
        std::vector<std::string> out;
        for (auto& r : m.listNews()) out.push_back(r->tTitle);
        return out;
    }
    static bool refresh(Model& m) { return m.refreshNews(); }
    static bool complete(Model& m) { return m.completNews(); }
};

struct TwitterTraits {
    using Model = Twitter;
    static constexpr int kId = 103; // id_wr_twitter
    static constexpr const char* kShipped = "ZephrunTwitter.xml";
    static constexpr bool kReadsBackAllPages = true;
    static std::unique_ptr<Model> make(TestDelegate& d) { return std::make_unique<Twitter>(d); }
    static std::string cache(TestDelegate& d) { return d.path(keys::kPathTwitterFile); }
    static std::string page(int p, int pages, int items, int total) {
        std::string doc = "<xmlpipe>" + paging("twitter", p, pages, total);
        for (int k = 0; k < items; ++k)
            doc += "<item><texte>" + itemName(p, k) + "</texte><date>d</date></item>";
        return doc + "</twitter>";
    }
    static std::string payload(const std::string& doc) { return xmlpipePayload(doc); }
    static std::vector<std::string> names(const Model& m) {
        std::vector<std::string> out;
        for (auto& r : m.listTwitter()) out.push_back(r->tTexte);
        return out;
    }
    static bool refresh(Model& m) { return m.refreshTwitter(); }
    static bool complete(Model& m) { return m.completTwitter(); }
};

struct VideosTraits {
    using Model = Videos;
    static constexpr int kId = 111; // id_wr_videos_2010
    static constexpr const char* kShipped = "ZephrunVideos.xml";
    static constexpr bool kReadsBackAllPages = true;
    static std::unique_ptr<Model> make(TestDelegate& d) { return std::make_unique<Videos>(d); }
    static std::string cache(TestDelegate& d) { return d.path(keys::kPathVideosFile); }
    static std::string page(int p, int pages, int items, int total) {
        std::string doc = "<xmlpipe>" + paging("videos", p, pages, total);
        for (int k = 0; k < items; ++k)
            doc += "<video url=\"http://v/" + itemName(p, k) + "\" length=\"61\"><titre>" +
                   itemName(p, k) + "</titre></video>";
        return doc + "</videos>";
    }
    static std::string payload(const std::string& doc) { return xmlpipePayload(doc); }
    static std::vector<std::string> names(const Model& m) {
        std::vector<std::string> out;
        for (auto& r : m.listVideos()) out.push_back(r->tTitle);
        return out;
    }
    static bool refresh(Model& m) { return m.refreshVideos(); }
    static bool complete(Model& m) { return m.completVideos(); }
};

struct AlbumTraits {
    using Model = AlbumPhoto;
    static constexpr int kId = 115; // id_wr_concerts_photos
    static constexpr const char* kShipped = "Zephrun_42.xml";
    static constexpr bool kReadsBackAllPages = false;
    static std::unique_ptr<Model> make(TestDelegate& d) {
        return std::make_unique<AlbumPhoto>(d, "42");
    }
    static std::string cache(TestDelegate& d) {
        return d.path(keys::kPathConcertsFile) + "Zephrun_42.xml";
    }
    static std::string page(int p, int pages, int items, int total) {
        std::string doc = paging("photos", p, pages, total);
        for (int k = 0; k < items; ++k)
            doc += "<photo src=\"http://p/" + itemName(p, k) + ".jpg\"><auteur>" + itemName(p, k) +
                   "</auteur></photo>";
        return doc + "</photos>";
    }
    static std::string payload(const std::string& doc) { return "<![CDATA[" + doc + "]]>"; }
    static std::vector<std::string> names(const Model& m) {
        std::vector<std::string> out;
        for (auto& r : m.listPhotos()) out.push_back(r->tAuteur);
        return out;
    }
    static bool refresh(Model& m) { return m.refreshPhotos(); }
    static bool complete(Model& m) { return m.completPhotos(); }
};

template <class T> class PagedModel : public ::testing::Test {
  protected:
    PagedModel() : setup(T::kId) {}

    // Pages of 2, 2 and 1 items.
    void serveThreePages() {
        for (int p = 1; p <= 3; ++p) setup.table.set(p, {true, T::payload(doc(p))});
    }
    static std::string doc(int p) { return T::page(p, 3, p == 3 ? 1 : 2, 5); }
    static std::vector<std::string> namesUpTo(int pages) {
        std::vector<std::string> out;
        for (int p = 1; p <= pages; ++p)
            for (int k = 0; k < (p == 3 ? 1 : 2); ++k) out.push_back(itemName(p, k));
        return out;
    }
    TestDelegate& device() { return *setup.device; }

    PagedSetup setup;
};

using Models = ::testing::Types<NewsTraits, TwitterTraits, VideosTraits, AlbumTraits>;
TYPED_TEST_SUITE(PagedModel, Models);

TYPED_TEST(PagedModel, FirstLaunchReadsTheShippedCopyAndKeepsItAsTheCache) {
    using T = TypeParam;
    const std::string shipped = T::page(1, 1, 2, 2);
    this->setup.ship(T::kShipped, shipped);
    auto model = T::make(this->device());
    EXPECT_EQ(T::names(*model), this->namesUpTo(1));
    EXPECT_EQ(model->currentPage(), 1);
    EXPECT_FALSE(model->isRefresh());
    EXPECT_EQ(zplatform::readWholeFile(T::cache(this->device())), shipped);
}

TYPED_TEST(PagedModel, CompletionToTheLastPageAndReadBack) {
    using T = TypeParam;
    this->serveThreePages();
    ASSERT_TRUE(this->setup.start());
    auto model = T::make(this->device());
    EXPECT_FALSE(model->hasList());

    ASSERT_TRUE(T::refresh(*model));
    EXPECT_EQ(T::names(*model), this->namesUpTo(1));
    EXPECT_EQ(model->nbItems(), 5);
    ASSERT_TRUE(T::complete(*model));
    ASSERT_TRUE(T::complete(*model));
    EXPECT_EQ(T::names(*model), this->namesUpTo(3));
    EXPECT_EQ(model->currentPage(), 3);
    const std::string cache = T::cache(this->device());
    EXPECT_EQ(zplatform::readWholeFile(cache), this->doc(1) + this->doc(2) + this->doc(3));
    const int requests = this->setup.table.requests();
    EXPECT_TRUE(T::complete(*model)); // nothing left: nothing sent
    EXPECT_EQ(this->setup.table.requests(), requests);

    // Unclosed xmlpipe documents read back whole; complete elements stop at the second one.
    auto next = T::make(this->device());
    const int pages = T::kReadsBackAllPages ? 3 : 1;
    EXPECT_EQ(T::names(*next), this->namesUpTo(pages));
    EXPECT_EQ(next->currentPage(), pages);
    EXPECT_EQ(next->nbPages(), 3);
}

TYPED_TEST(PagedModel, FailuresKeepTheListAndTheCache) {
    using T = TypeParam;
    this->serveThreePages();
    ASSERT_TRUE(this->setup.start());
    auto model = T::make(this->device());
    ASSERT_TRUE(T::refresh(*model));
    const std::string cache = T::cache(this->device());
    const auto cached = zplatform::readWholeFile(cache);
    auto unchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(model->isRefresh());
        EXPECT_FALSE(model->isForCompleting());
        EXPECT_EQ(T::names(*model), this->namesUpTo(1));
        EXPECT_EQ(model->currentPage(), 1);
        EXPECT_EQ(zplatform::readWholeFile(cache), cached);
    };

    this->setup.table.failAll(true); // status "error": no "ok" marker
    EXPECT_FALSE(T::refresh(*model));
    unchanged("error status");
    EXPECT_FALSE(T::complete(*model));
    unchanged("error status, completing");
    this->setup.table.failAll(false);

    this->setup.table.set(1, {true, T::payload("\x7f<garbage")});
    this->setup.table.set(2, {true, "<![CDATA[<?xml version=\"1.0\"?>]]>"});
    EXPECT_FALSE(T::refresh(*model));
    unchanged("garbage payload");
    EXPECT_FALSE(T::complete(*model));
    unchanged("payload without a document");

    this->setup.server->stop();
    EXPECT_FALSE(T::refresh(*model));
    unchanged("server down");
    EXPECT_FALSE(T::complete(*model));
    unchanged("server down, completing");
}

TYPED_TEST(PagedModel, ReadersSeeOnlyWholeLists) {
    using T = TypeParam;
    for (int p = 1; p <= 2; ++p)
        this->setup.table.set(p, {true, T::payload(T::page(p, 2, 150, 300))});
    ASSERT_TRUE(this->setup.start());
    auto model = T::make(this->device());
    std::atomic<bool> done{false};
    std::set<size_t> sizes;
    std::thread reader([&] {
        while (!done) sizes.insert(T::names(*model).size());
    });
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(T::refresh(*model));
        EXPECT_TRUE(T::complete(*model));
    }
    done = true;
    reader.join();
    for (size_t n : sizes) EXPECT_TRUE(n == 0 || n == 150 || n == 300) << n;
}

} // namespace
