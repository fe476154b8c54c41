// The Twitter list: rows sized by their text, the next-page row and its language.
#include "community_support.h"

#include "app/community/twitter_view.h"
#include "feeds/twitter.h"
#include "platform/ui/label.h"

using namespace apptest;
using zephrun::TwitterView;

namespace {

// Page 1: tweets of 44, 45, 90 and 135 characters; page 2: one more.
zserver::WebRequestAnswer tweets(const zserver::Action& action) {
    auto item = [](std::size_t n) {
        return "<item><texte>" + std::string(n, 'a') + "</texte><date>d" + std::to_string(n) +
               "</date></item>";
    };
    const auto page = zserver::pageParam(action);
    std::string body = page == 2 ? item(10) : item(44) + item(45) + item(90) + item(135);
    return zserver::xmlpipeAnswer("<xmlpipe><twitter total=\"5\" page=\"" +
                                  std::to_string(page.value_or(1)) + "\" nbpage=\"2\">" + body +
                                  "</twitter></xmlpipe>");
}

std::vector<ui::Label*> labelsOf(ui::View& cell) {
    std::vector<ui::Label*> out;
    for (const auto& v : cell.subviews())
        if (auto* l = dynamic_cast<ui::Label*>(v.get())) out.push_back(l);
    return out;
}

} // namespace

TEST(TwitterRows, OneLinePer45CharactersUpToThreeThenShrinking) {
    EXPECT_EQ(TwitterView::lineCount(44), 1);
    EXPECT_EQ(TwitterView::lineCount(45), 2);
    EXPECT_EQ(TwitterView::lineCount(90), 3);
    EXPECT_EQ(TwitterView::lineCount(135), 3);
    EXPECT_FALSE(TwitterView::shrinksText(90));
    EXPECT_TRUE(TwitterView::shrinksText(135));
}

TEST(TwitterScreen, RowsFollowTheirTextAndTheNextPageRowItsLanguage) {
    AppRun r({.serverSetup = [](zserver::ContentServer& s) { s.setWebRequest(103, tweets); }});
    zephrun::CommunityViewController& hub = openCommunity(r, false);
    hub.showTwitter();
    r.advance(0.5);
    ASSERT_TRUE(r.app().myTwitter().isRefresh());
    TwitterView& view = *hub.viewTwitter();
    const auto& cells = view.myListCells();
    ASSERT_EQ(cells.size(), 5u);
    const int lines[] = {1, 2, 3, 3};
    for (int i = 0; i < 4; ++i) {
        auto labels = labelsOf(*cells[static_cast<std::size_t>(i)]);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_EQ(labels[0]->frame(), ui::Rect(10, 4, 300, 17.0f * lines[i])) << i;
        EXPECT_EQ(labels[0]->numberOfLines(), lines[i]);
        EXPECT_EQ(labels[0]->adjustsFontSizeToFitWidth(), i == 3);
        EXPECT_EQ(labels[1]->frame().y(), 17.0f * lines[i] + 4);
    }
    // The strip of the hub shows the fetched tweets too.
    EXPECT_EQ(hub.twitterHome()->numberOfRowsInSection(0), 4);

    ui::TableViewCell& more = *cells.back();
    EXPECT_EQ(more.tag(), TwitterView::kNextPageRowTag);
    EXPECT_EQ(r.driver->text(more.viewWithTag(TwitterView::kNextPageLabelTag)),
              "Télécharger la suite : 4/5");
    r.app().toggleLanguage();
    EXPECT_EQ(r.driver->text(more.viewWithTag(TwitterView::kNextPageLabelTag)), "See more : 4/5");
    EXPECT_NE(r.driver->findByImageName("news-bt-back-uk.png"), nullptr);

    // The next-page row loads the last page and goes.
    view.myTable().setContentOffset({0, 200});
    r.advance(0.4);
    ui::TableViewCell* last = view.myTable().cellForRowAtIndexPath({0, 4});
    ASSERT_NE(last, nullptr);
    r.driver->tap(last);
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Updating \"Twitter\""), 1);
    EXPECT_EQ(view.myListCells().size(), 5u);
    EXPECT_EQ(view.myListCells().back()->tag(), TwitterView::kTweetRowTag);
}
