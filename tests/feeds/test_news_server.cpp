// The news model against the reference server: one feed per language, and scripts taken out of
// the document before it is read and kept.
#include <gtest/gtest.h>

#include "feed_pages.h"
#include "feeds/news.h"
#include "platform/atomic_file.h"

using namespace zephrun;
using namespace feedtest;

namespace {

TEST(NewsServer, EnglishFeedHasItsOwnRequestAndCache) {
    PagedSetup s(104); // id_wr_news_en
    const std::string doc =
        "<xmlpipe><news total=\"1\" page=\"1\" nbpage=\"1\"><new><title>EN</title></new></news>";
    s.table.set(1, {true, xmlpipePayload(doc)});
    s.ship("ZephrunNewsFR.xml", "<xmlpipe><news><new><title>FR</title></new></news>");
    s.server->setWebRequest(105,
                            [](const zserver::Action&) { return zserver::WebRequestAnswer{}; });
    ASSERT_TRUE(s.start());
    News english(*s.device, 1);
    News french(*s.device, News::kFrench);
    EXPECT_FALSE(english.hasList()); // no English copy shipped
    ASSERT_EQ(french.listNews().size(), 1u);
    EXPECT_EQ(french.languageNews(), 2);

    ASSERT_TRUE(english.refreshNews());
    ASSERT_EQ(english.listNews().size(), 1u);
    EXPECT_EQ(english.listNews()[0]->tTitle, "EN");
    EXPECT_EQ(zplatform::readWholeFile(s.device->path(keys::kPathNewsFileEN)), doc);
    // The French feed asks its own id, answered here with an error.
    EXPECT_FALSE(french.refreshNews());
    EXPECT_EQ(french.listNews()[0]->tTitle, "FR");
}

TEST(NewsServer, ScriptsAreRemovedBeforeTheDocumentIsReadAndKept) {
    PagedSetup s(105);
    s.table.set(1, {true, xmlpipePayload("<xmlpipe><news total=\"1\" page=\"1\" nbpage=\"1\">"
                                         "<script>x</script><new><title>a<SCRIPT>y</SCRIPT>b"
                                         "</title></new></news>")});
    ASSERT_TRUE(s.start());
    News news(*s.device, News::kFrench);
    ASSERT_TRUE(news.refreshNews());
    ASSERT_EQ(news.listNews().size(), 1u);
    EXPECT_EQ(news.listNews()[0]->tTitle, "ab");
    EXPECT_EQ(zplatform::readWholeFile(s.device->path(keys::kPathNewsFileFR)),
              "<xmlpipe><news total=\"1\" page=\"1\" nbpage=\"1\"><new><title>ab</title></new>"
              "</news>");
}

} // namespace
