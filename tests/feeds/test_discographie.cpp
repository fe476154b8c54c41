// The discography index reader, the track-list files and the first launch from shipped copies.
#include <gtest/gtest.h>

#include "feeds/discographie.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;

namespace {

const std::string kIndex = "<xmlpipe><discographie>"
                           "<album total=\" 20 10\n\"><titre>Deux+Mots</titre>"
                           "<pochette> http://img/covers/deux.jpg\n</pochette></album>"
                           "<maxi total=\"2011\"><titre>\n Le+Maxi </titre></maxi>"
                           "<album total=\"2012\"><titre>AC/DC</titre><pochette></pochette></album>"
                           "<compil total=\"2013\"><titre>Best+Of</titre></compil>";

const std::string kTracks = "<xmlpipe><disque><track><titre>Un</titre><duree>3:10</duree></track>"
                            "<track><titre>Deux</titre></track>";

TEST(DiscographieIndex, ReleasesGoToTheListOfTheirKindWithCleanedFields) {
    ServedDevice s;
    s.ship("ZephrunDisco.xml", "");
    Discographie disco(*s.device);
    EXPECT_FALSE(disco.listAlbum()); // an empty shipped copy: no list at all
    ASSERT_TRUE(disco.loadDiscographie(kIndex));
    auto albums = disco.listAlbum();
    ASSERT_TRUE(albums);
    ASSERT_EQ(albums->size(), 2u);
    EXPECT_EQ((*albums)[0]->dTitle, "Deux Mots");
    EXPECT_EQ((*albums)[0]->dAnnee, "2010");
    EXPECT_EQ((*albums)[0]->dURLPochette, "http://img/covers/deux.jpg");
    EXPECT_EQ((*albums)[1]->dTitle, "AC/DC");
    EXPECT_EQ((*albums)[1]->dPochette.resourceName, "jaquette-default.jpg");
    EXPECT_EQ(disco.listMaxi()->at(0)->dTitle, "Le Maxi");
    EXPECT_EQ(disco.listMaxi()->at(0)->dURLPochette, "");
    EXPECT_EQ(disco.listCompil()->at(0)->dAnnee, "2013");
    EXPECT_FALSE((*albums)[0]->listTracks);

    EXPECT_FALSE(disco.loadDiscographie(std::nullopt));
    EXPECT_FALSE(disco.listAlbum());
    EXPECT_FALSE(disco.listCompil());
}

TEST(DiscographieIndex, TrackListFilesAreNamedAfterTheTitle) {
    ServedDevice s;
    Discographie disco(*s.device);
    const std::string prefix = s.device->path(keys::kPathDisqueFile);
    EXPECT_EQ(prefix, s.docs("ZephrunDisque_"));
    EXPECT_EQ(disco.getPathForTitle("Deux Mots"), prefix + "Deux_Mots.xml");
    // A '/' would name a directory that does not exist: the file could never be written.
    EXPECT_EQ(disco.getPathForTitle("AC/DC"), prefix + "AC_DC.xml");
    // Without a stored prefix no file is named (the working directory is never written).
    s.device->storeString(keys::kPathDisqueFile, "");
    EXPECT_EQ(disco.getPathForTitle("Deux Mots"), "");
    DisqueDescription d("2010");
    d.dTitle = "Deux Mots";
    EXPECT_FALSE(disco.loadDisqueByFile(d));
}

TEST(DiscographieFiles, FirstLaunchReadsTheShippedCopiesAndWritesThemToTheCache) {
    ServedDevice s;
    s.ship("ZephrunDisco.xml", kIndex);
    s.ship("ZephrunDisque_Deux_Mots.xml", kTracks);
    Discographie disco(*s.device);
    EXPECT_EQ(zplatform::readWholeFile(s.docs("ZephrunDisco.xml")), kIndex);
    ASSERT_EQ(disco.listAlbum()->size(), 2u);

    DisqueDescription deux = *disco.listAlbum()->at(0);
    ASSERT_TRUE(disco.loadDisqueByFile(deux));
    ASSERT_EQ(deux.listTracks->size(), 2u);
    EXPECT_EQ(deux.listTracks->at(0).tDuree, "3:10");
    EXPECT_EQ(zplatform::readWholeFile(s.docs("ZephrunDisque_Deux_Mots.xml")), kTracks);

    // Neither a file nor a shipped copy: false. A file of one byte counts as none.
    DisqueDescription maxi = *disco.listMaxi()->at(0);
    EXPECT_FALSE(disco.loadDisqueByFile(maxi));
    EXPECT_FALSE(maxi.listTracks);
    zplatform::writeFileAtomically(s.docs("ZephrunDisque_Le_Maxi.xml"), "x");
    EXPECT_FALSE(disco.loadDisqueByFile(maxi));
    zplatform::writeFileAtomically(s.docs("ZephrunDisque_Le_Maxi.xml"), kTracks);
    EXPECT_TRUE(disco.loadDisqueByFile(maxi));
    EXPECT_EQ(maxi.listTracks->size(), 2u);

    // A cache file that is there wins over the shipped copy.
    zplatform::writeFileAtomically(s.docs("ZephrunDisco.xml"),
                                   "<xmlpipe><compil><titre>C</titre></compil>");
    Discographie again(*s.device);
    EXPECT_FALSE(again.listAlbum());
    EXPECT_EQ(again.listCompil()->size(), 1u);
}

TEST(DiscographieFiles, LoadingFromFilesPublishesTheTracksWithoutTheNetwork) {
    ServedDevice s; // never started: any network load fails
    s.ship("ZephrunDisco.xml", kIndex);
    s.ship("ZephrunDisque_Deux_Mots.xml", kTracks);
    s.ship("ZephrunDisque_Le_Maxi.xml", kTracks);
    s.stopServing();
    Discographie disco(*s.device);
    auto before = disco.listAlbum();
    // Deux Mots and Le Maxi from their copies; AC/DC and Best Of fail on the network.
    EXPECT_EQ(disco.loadDisque(false), 2);
    auto albums = disco.listAlbum();
    EXPECT_EQ(albums->at(0)->listTracks->size(), 2u);
    EXPECT_TRUE(albums->at(1)->listTracks && albums->at(1)->listTracks->empty());
    EXPECT_EQ(disco.listMaxi()->at(0)->listTracks->size(), 2u);
    // Records handed out earlier are not changed under their reader.
    EXPECT_FALSE(before->at(0)->listTracks);
}

} // namespace
