// End to end: the news, Twitter, video and album models against the reference server serving the
// unmodified demo content, from the application's shipped copies to the last page.
#include <gtest/gtest.h>

#include <regex>

#include "feed_fixture.h"
#include "feeds/album_photo.h"
#include "feeds/news.h"
#include "feeds/twitter.h"
#include "feeds/videos.h"
#include "platform/atomic_file.h"

using namespace zephrun;
using namespace feedtest;

namespace {

struct Demo {
    Demo() : served(dir.path()), device(dir.file("docs")) {}
    bool start() {
        if (!served.start()) return false;
        device.setServer(served.baseURL());
        return true;
    }
    ts::TempDir dir;
    ServedContent served;
    TestDelegate device;
};

// Refreshes, then completes page by page; every step succeeds and the list ends with every item
// the server announced.
template <class Model, class Refresh, class Complete, class Size>
void readToTheLastPage(Model& model, Refresh refresh, Complete complete, Size size) {
    ASSERT_TRUE(refresh());
    EXPECT_EQ(model.currentPage(), 1);
    ASSERT_GT(model.nbPages(), 1);
    for (int guard = 0; model.currentPage() < model.nbPages() && guard < 50; ++guard)
        ASSERT_TRUE(complete()) << "page " << model.currentPage() + 1;
    EXPECT_EQ(model.currentPage(), model.nbPages());
    EXPECT_EQ(static_cast<int>(size()), model.nbItems());
}

bool shippedCopyIsTheCache(TestDelegate& d, std::string_view key, const char* file) {
    return zplatform::readWholeFile(d.path(key)) ==
           zplatform::readWholeFile(kRoot / "resources" / file);
}

TEST(DemoContent, NewsInBothLanguages) {
    Demo demo;
    ASSERT_TRUE(demo.start());
    for (int language : {1, News::kFrench}) {
        SCOPED_TRACE(language);
        News news(demo.device, language);
        EXPECT_FALSE(news.listNews().empty());
        EXPECT_TRUE(shippedCopyIsTheCache(
            demo.device, language == 1 ? keys::kPathNewsFileEN : keys::kPathNewsFileFR,
            language == 1 ? "ZephrunNewsEN.xml" : "ZephrunNewsFR.xml"));
        readToTheLastPage(
            news, [&] { return news.refreshNews(); }, [&] { return news.completNews(); },
            [&] { return news.listNews().size(); });
        int videos = 0, images = 0;
        for (auto& n : news.listNews()) {
            EXPECT_FALSE(n->tTitle.empty());
            EXPECT_EQ(n->tDes.find('<'), std::string::npos) << n->tDes;
            if (n->tDesW.find("<object") != std::string::npos) {
                ++videos;
                EXPECT_EQ(n->tURL.rfind(kVideoSiteBase, 0), 0u) << n->tURL;
            }
            if (n->tDesW.find("<img src=") != std::string::npos) {
                ++images;
                EXPECT_EQ(n->tURLImage.rfind(demo.served.baseURL(), 0), 0u) << n->tURLImage;
            }
        }
        EXPECT_GT(videos, 0);
        EXPECT_GT(images, 0);
        // The next launch reads every page back from the cache.
        News next(demo.device, language);
        EXPECT_EQ(next.listNews().size(), news.listNews().size());
        EXPECT_EQ(next.currentPage(), news.nbPages());
    }
}

TEST(DemoContent, Twitter) {
    Demo demo;
    ASSERT_TRUE(demo.start());
    Twitter twitter(demo.device);
    EXPECT_FALSE(twitter.listTwitter().empty());
    EXPECT_TRUE(shippedCopyIsTheCache(demo.device, keys::kPathTwitterFile, "ZephrunTwitter.xml"));
    readToTheLastPage(
        twitter, [&] { return twitter.refreshTwitter(); }, [&] { return twitter.completTwitter(); },
        [&] { return twitter.listTwitter().size(); });
    for (auto& t : twitter.listTwitter()) {
        EXPECT_EQ(t->tTexte.find("zephrunlife:"), std::string::npos);
        EXPECT_EQ(t->tTexte.find("Zephrun_EN:"), std::string::npos);
        EXPECT_FALSE(t->tDate.empty());
    }
    EXPECT_EQ(Twitter(demo.device).listTwitter().size(), twitter.listTwitter().size());
}

TEST(DemoContent, Videos) {
    Demo demo;
    ASSERT_TRUE(demo.start());
    Videos videos(demo.device);
    EXPECT_FALSE(videos.listVideos().empty());
    EXPECT_TRUE(shippedCopyIsTheCache(demo.device, keys::kPathVideosFile, "ZephrunVideos.xml"));
    readToTheLastPage(
        videos, [&] { return videos.refreshVideos(); }, [&] { return videos.completVideos(); },
        [&] { return videos.listVideos().size(); });
    const std::regex duration("[0-9]+:[0-9]{2}");
    for (auto& v : videos.listVideos()) {
        EXPECT_TRUE(std::regex_match(v->tDuree, duration)) << v->tDuree;
        EXPECT_EQ(v->tURLImage.find('?'), std::string::npos);
        EXPECT_FALSE(v->tURL.empty());
        EXPECT_FALSE(v->tTitle.empty());
    }
    EXPECT_EQ(Videos(demo.device).listVideos().size(), videos.listVideos().size());
}

TEST(DemoContent, ConcertAlbum) {
    Demo demo;
    ASSERT_TRUE(demo.start());
    AlbumPhoto album(demo.device, "1003");
    readToTheLastPage(
        album, [&] { return album.refreshPhotos(); }, [&] { return album.completPhotos(); },
        [&] { return album.listPhotos().size(); });
    for (auto& p : album.listPhotos()) {
        EXPECT_EQ(p->tURLImage.rfind(demo.served.baseURL(), 0), 0u) << p->tURLImage;
        EXPECT_FALSE(p->tAuteur.empty());
    }
    // The next album model reads back page 1 only: the cache holds complete elements.
    AlbumPhoto next(demo.device, "1003");
    EXPECT_EQ(next.currentPage(), 1);
    EXPECT_LT(next.listPhotos().size(), album.listPhotos().size());
    EXPECT_EQ(next.listPhotos().front()->tAuteur, album.listPhotos().front()->tAuteur);
    // An unknown concert is answered with an error: nothing changes.
    AlbumPhoto unknown(demo.device, "999999");
    EXPECT_FALSE(unknown.refreshPhotos());
    EXPECT_FALSE(unknown.hasList());
}

} // namespace
