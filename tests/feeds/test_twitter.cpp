// Twitter messages: the text rules of the message reader.
#include <gtest/gtest.h>

#include "feeds/twitter.h"

using namespace zephrun;

namespace {

std::vector<TwitterDescription> read(const std::string& items) {
    FeedContent<TwitterDescription> content;
    EXPECT_TRUE(parseTwitterDocument(
        "<xmlpipe><twitter total=\"9\" page=\"2\" nbpage=\"5\">" + items + "</twitter>", content));
    EXPECT_EQ(content.currentPage, 2);
    EXPECT_EQ(content.nbPages, 5);
    EXPECT_EQ(content.nbItems, 9);
    std::vector<TwitterDescription> out;
    if (content.list)
        for (auto& t : *content.list) out.push_back(*t);
    return out;
}

TEST(TwitterReader, AccountNamesAndLineBreaksAreRemoved) {
    auto tweets = read("<item><texte>zephrunlife: new tour</texte><date>\t2010-06-01 12:00\n"
                       "</date></item>"
                       "<item><texte>Thanks Zephrun_EN: and zephrunlife:!</texte></item>"
                       "<item><texte>one\nline\r\nonly\tplease</texte></item>"
                       "<item><texte>Zephrun_EN:zephrunlife:</texte></item>");
    ASSERT_EQ(tweets.size(), 4u);
    EXPECT_EQ(tweets[0].tTexte, " new tour"); // the blank after the account name stays
    EXPECT_EQ(tweets[0].tDate, "2010-06-01 12:00");
    EXPECT_EQ(tweets[1].tTexte, "Thanks  and !");
    EXPECT_EQ(tweets[2].tTexte, "onelineonlyplease");
    EXPECT_EQ(tweets[3].tTexte, "");
    EXPECT_EQ(tweets[3].tDate, "");
}

TEST(TwitterReader, OnlyItemsMakeRecords) {
    // Text elements outside an item and other elements inside one are ignored; an account name
    // in another case is a word of the message.
    auto tweets = read("<texte>stray</texte><item><texte>ZEPHRUNLIFE: hi<b>!</b></texte>"
                       "<lien>http://x</lien></item>");
    ASSERT_EQ(tweets.size(), 1u);
    EXPECT_EQ(tweets[0].tTexte, "ZEPHRUNLIFE: hi!");
}

} // namespace
