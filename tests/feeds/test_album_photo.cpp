// Concert photo albums: the photo reader, loads without bytes, the album's request and cache
// file, and ids that would name files outside the cache directory.
#include <gtest/gtest.h>

#include "feed_pages.h"
#include "feeds/album_photo.h"
#include "platform/atomic_file.h"

using namespace zephrun;
using namespace feedtest;

namespace {

const std::string kPage =
    "<photos total=\"2\" page=\"1\" nbpage=\"2\">"
    "<photo src=\" http://p/1.jpg\n\"><auteur>Ann\t</auteur><commentaire>Great\r\nshow"
    "</commentaire><date>2010-06-01</date></photo>"
    "<photo><auteur>Bob</auteur></photo></photos>";

TEST(AlbumPhotoReader, PhotosAndTheirTexts) {
    FeedContent<AlbumPhotoDescription> content;
    ASSERT_TRUE(parseAlbumPhotoDocument(kPage, content));
    ASSERT_TRUE(content.list);
    ASSERT_EQ(content.list->size(), 2u);
    const auto& p = *content.list->at(0);
    EXPECT_EQ(p.tURLImage, "http://p/1.jpg");
    EXPECT_EQ(p.tAuteur, "Ann");
    EXPECT_EQ(p.tCommentaire, "Greatshow");
    EXPECT_EQ(p.tDate, "2010-06-01");
    EXPECT_EQ(content.list->at(1)->tURLImage, ""); // no "src": no image address
    EXPECT_EQ(content.nbPages, 2);
}

TEST(AlbumPhotoModel, RequestsItsConcertAndKeepsItsListWithoutBytes) {
    PagedSetup s(115);
    s.table.set(1, {true, "<![CDATA[" + kPage + "]]>"});
    ASSERT_TRUE(s.start());
    AlbumPhoto album(*s.device, "c-17");
    EXPECT_FALSE(album.hasList());
    EXPECT_EQ(album.cachePath(), s.device->path(keys::kPathConcertsFile) + "Zephrun_c-17.xml");
    ASSERT_TRUE(album.refreshPhotos());
    auto params = s.table.lastParams();
    EXPECT_EQ(params["num_page"], "1");
    EXPECT_EQ(params["id_concert"], "c-17");
    // The reply's line feeds are gone from the document kept.
    std::string kept = kPage;
    std::erase(kept, '\n');
    EXPECT_EQ(zplatform::readWholeFile(album.cachePath()), kept);

    EXPECT_FALSE(album.loadPhotos(std::nullopt));
    EXPECT_EQ(album.listPhotos().size(), 2u);
    // Bytes that are no album replace the list all the same.
    EXPECT_TRUE(album.loadPhotos(std::string_view("<photos>")));
    EXPECT_FALSE(album.hasList());
}

TEST(AlbumPhotoModel, AnIdWithAPathSeparatorGetsNoFile) {
    PagedSetup s(115);
    const std::string docs = s.device->path(keys::kPathConcertsFile);
    s.ship("Zephrun_x.xml", kPage);
    s.table.set(1, {true, "<![CDATA[" + kPage + "]]>"});
    ASSERT_TRUE(s.start());
    AlbumPhoto album(*s.device, "../../x");
    EXPECT_EQ(album.cachePath(), "");
    EXPECT_FALSE(album.hasList()); // the shipped "Zephrun_x.xml" is not reached either
    EXPECT_TRUE(album.refreshPhotos());
    EXPECT_EQ(album.listPhotos().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(fs::path(docs) / "../../x.xml"));
    EXPECT_FALSE(std::filesystem::exists(fs::path(docs).parent_path().parent_path() / "x.xml"));
}

} // namespace
