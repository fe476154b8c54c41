// The track-list reader: display titles from title, artist and name, value cleaning, "null".
#include <gtest/gtest.h>

#include "feeds/disque_parser.h"

using namespace zephrun;

namespace {

std::vector<TrackDescription> read(const std::string& doc) {
    std::vector<TrackDescription> list;
    EXPECT_TRUE(DisqueParser().loadDisque(doc, list));
    return list;
}

TEST(DisqueParser, TitleArtistAndNameMakeTheDisplayTitleWhateverTheirOrder) {
    auto list = read("<xmlpipe><disque>"
                     "<track><artiste>Zephrun</artiste><titre>Premier Pas</titre></track>"
                     "<track><titre>Second</titre><artiste>Zephrun feat. Ana</artiste></track>"
                     "<track><name>Nom seul</name></track>"
                     "<track><titre>Titre</titre><name>Nom ignore</name></track>"
                     "<track><name>Nom</name><titre>Titre</titre></track>"
                     "<track></track>");
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].tTitle, "Premier Pas - Zephrun");
    EXPECT_EQ(list[1].tTitle, "Second - Zephrun feat. Ana");
    EXPECT_EQ(list[2].tTitle, "Nom seul");
    EXPECT_EQ(list[3].tTitle, "Titre");
    EXPECT_EQ(list[4].tTitle, "Titre - Nom"); // a title after a name goes in front of it
    EXPECT_EQ(list[5].tTitle, "");
}

TEST(DisqueParser, ValuesAreCleanedAndNullMeansNoValue) {
    auto list = read("<disque><track>"
                     "<titre>\n\tLa\r chanson nulle\n</titre>"
                     "<duree> 3+min\n 20 </duree>"
                     "<extrait>null</extrait>"
                     "<iTunes> http://store/a b\n</iTunes>"
                     "</track><track><titre>null</titre><artiste> null </artiste>"
                     "<extrait>http://x/annulle.mp3</extrait></track></disque>");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].tTitle, "La chanson nulle"); // words holding "null" keep their text
    EXPECT_EQ(list[0].tDuree, "3 min20");          // blanks dropped, then "+" as a blank
    EXPECT_EQ(list[0].tURLExtrait, "");
    EXPECT_EQ(list[0].tURLiTunes, "http://store/ab");
    EXPECT_EQ(list[1].tTitle, "");
    EXPECT_EQ(list[1].tURLExtrait, "http://x/annulle.mp3");
}

TEST(DisqueParser, NoBytesGiveFalseAndAFaultKeepsTheTracksBeforeIt) {
    std::vector<TrackDescription> list(1);
    EXPECT_FALSE(DisqueParser().loadDisque(std::nullopt, list));
    EXPECT_EQ(list.size(), 1u);
    // Appends to what the list holds; a track cut short by a fault is not added.
    EXPECT_TRUE(DisqueParser().loadDisque(
        "<disque><track><titre>A</titre></track><track><titre>B</ti", list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].tTitle, "A");
    EXPECT_EQ(cleanTrackValue("\tnull\n"), "");
    EXPECT_EQ(cleanTrackValue("nullnull"), "nullnull");
}

} // namespace
