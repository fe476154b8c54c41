// News items: markup removal, the description steps, the news reader and the read-back of a
// completed cache.
#include <gtest/gtest.h>

#include "feeds/markup_removal.h"
#include "feeds/news.h"

using namespace zephrun;

namespace {

TEST(MarkupRemoval, AnchorsAndImagesLoseTheirTagsButKeepTheirText) {
    EXPECT_EQ(stringWithoutBaliseA("x<a href=\"1\">one</a> <A HREF=\"2\">two</A>."), "xone two.");
    EXPECT_EQ(stringWithoutBaliseImg("<img src=\"a\"/>t<IMG SRC=\"b\"></IMG><img>u</img>"), "tu");
    // A pattern collected once is removed wherever it occurs, even inside other text.
    EXPECT_EQ(stringWithoutBaliseA("<a>1</a><a>2</a>"), "12");
    // A start marker without its end: nothing is removed for it, earlier tags still are.
    EXPECT_EQ(stringWithoutBaliseA("<a x>k</a> <a href"), "k <a href");
    EXPECT_EQ(stringWithoutBaliseImg("see <img src=\"x\""), "see <img src=\"x\"");
}

TEST(MarkupRemoval, ObjectsAndScriptsGoWhole) {
    EXPECT_EQ(stringWithoutBaliseObject("a<object w=\"1\"><param/>b</object>c<OBJECT>d</OBJECT>e"),
              "ace");
    EXPECT_EQ(stringWithoutBaliseScript("a<script>x()</script>b<SCRIPT src=1></SCRIPT>c"), "abc");
    // Upper-case tags only pair with upper-case ends.
    EXPECT_EQ(stringWithoutBaliseScript("a<script>x</SCRIPT>b"), "a<script>x</SCRIPT>b");
    EXPECT_EQ(stringWithoutBaliseObject("keep <object but no end"), "keep <object but no end");
}

NewsDescription described(const std::string& text) {
    NewsDescription n;
    setNewsDescription(n, text);
    return n;
}

TEST(NewsDescriptionSteps, ParagraphWithAnAnchor) {
    auto n = described("<p>Hello\n <a href=\"http://x.org/a\">world</a></p>\t");
    EXPECT_EQ(n.tDesW, "<p>Hello <a href=\"http://x.org/a\">world</a></p>");
    EXPECT_EQ(n.tURL, "http://x.org/a");
    EXPECT_EQ(n.tDes, "Hello world");
    EXPECT_EQ(n.tURLImage, "");
}

TEST(NewsDescriptionSteps, ImagesLinksAndVideos) {
    // An image without a source keeps the link and gives no image address.
    auto n = described("<a href=\"http://l\">l</a><img alt=\"x\" /><br />");
    EXPECT_EQ(n.tURL, "http://l");
    EXPECT_EQ(n.tURLImage, "");
    EXPECT_EQ(n.tDes, "l");
    n = described("<b>B</b><img src=\"http://i/1.jpg\" /><img src=\"http://i/2.jpg\" />");
    EXPECT_EQ(n.tURLImage, "http://i/1.jpg");
    EXPECT_EQ(n.tDes, "B");
    // An anchor without href gives no link; the first anchor is the one read.
    EXPECT_EQ(described("<a name=\"top\">t</a><a href=\"http://2\">2</a>").tURL, "");
    // An embedded player of the video site overrides the link and disappears from the text.
    n = described("<a href=\"http://l\">see</a><object><param name=\"movie\" "
                  "value=\"http://www.dailymotion.com/swf/x9abc&amp;v=1\"></param></object>!");
    EXPECT_EQ(n.tURL, "http://www.dailymotion.com/swf/x9abc&amp;v=1");
    EXPECT_EQ(n.tDes, "see!");
    // Another site's player leaves the link alone.
    EXPECT_EQ(described("<a href=\"http://l\">s</a><param value=\"http://video.example/x\">").tURL,
              "http://l");
    // Scripts are removed from the text.
    EXPECT_EQ(described("a<script>alert(1)</script>b").tDes, "ab");
}

std::string page(int p, int pages, const std::string& items) {
    return "<xmlpipe><news total=\"3\" page=\"" + std::to_string(p) + "\" nbpage=\"" +
           std::to_string(pages) + "\">" + items + "</news>";
}

TEST(NewsReader, FieldsAndCleaning) {
    const std::string doc = page(1, 1,
                                 "<new><title>\tTour\nnée 2010 </title>"
                                 "<date> 2010 - 06\n-01 </date>"
                                 "<description>&lt;p&gt;Hi &lt;a href=\"http://t\"&gt;you&lt;/a&gt;"
                                 "&lt;/p&gt;<![CDATA[ignored]]></description><other>x</other></new>"
                                 "<new><title>second</title></new>");
    FeedContent<NewsDescription> content;
    ASSERT_TRUE(parseNewsDocument(doc, content));
    ASSERT_TRUE(content.list);
    ASSERT_EQ(content.list->size(), 2u);
    const auto& n = *content.list->at(0);
    EXPECT_EQ(n.tTitle, "Tournée 2010 ");
    EXPECT_EQ(n.tDate, "2010-06-01");
    EXPECT_EQ(n.tDesW, "<p>Hi <a href=\"http://t\">you</a></p>");
    EXPECT_EQ(n.tDes, "Hi you");
    EXPECT_EQ(n.tURL, "http://t");
    EXPECT_EQ(content.list->at(1)->tTitle, "second");
    EXPECT_EQ(content.list->at(1)->tDes, "");
    EXPECT_EQ(content.currentPage, 1);
    EXPECT_EQ(content.nbItems, 3);

    // Missing paging attributes read as 0; text outside an item is not an item.
    FeedContent<NewsDescription> bare;
    EXPECT_TRUE(parseNewsDocument("<xmlpipe><news><title>t</title></news>", bare));
    EXPECT_FALSE(bare.list);
    EXPECT_EQ(bare.nbPages, 0);
    EXPECT_FALSE(parseNewsDocument("<xmlpipe><twitter total=\"1\"/>", bare));
}

TEST(NewsReader, CompletedCacheReadsBackEveryPage) {
    // Each page's document is unclosed, so page 2 nests in page 1 and the reader goes on to the
    // end of the text before it reports its fault.
    const std::string cache = page(1, 3, "<new><title>a</title></new><new><title>b</title></new>") +
                              page(2, 3, "<new><title>c</title></new>");
    FeedContent<NewsDescription> content;
    ASSERT_TRUE(parseNewsDocument(cache, content));
    ASSERT_TRUE(content.list);
    std::vector<std::string> titles;
    for (auto& n : *content.list) titles.push_back(n->tTitle);
    EXPECT_EQ(titles, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(content.currentPage, 2);
    EXPECT_EQ(content.nbPages, 3);
    // A page cut in the middle of an item keeps the items before it.
    FeedContent<NewsDescription> cut;
    parseNewsDocument(page(1, 1, "<new><title>a</title></new><new><title>b"), cut);
    ASSERT_TRUE(cut.list);
    EXPECT_EQ(cut.list->size(), 1u);
}

} // namespace
