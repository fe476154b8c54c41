// The discography against the reference server: index refresh and its version, track lists by
// release name, and the fallbacks that keep the cached index.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "feeds/discographie.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;

namespace {

constexpr int kIndexId = 106, kAlbumId = 107, kMaxiId = 108, kCompilId = 109;

std::string index(const std::vector<std::string>& albums, const std::string& maxi) {
    std::string doc = "<xmlpipe><discographie>";
    for (auto& a : albums) doc += "<album total=\"2010\"><titre>" + a + "</titre></album>";
    doc += "<maxi total=\"2011\"><titre>" + maxi + "</titre></maxi>";
    return doc + "</discographie>";
}

std::string tracks(const std::string& name, int n) {
    std::string doc = "<xmlpipe><disque>";
    for (int k = 0; k < n; ++k)
        doc += "<track><titre>" + name + " " + std::to_string(k) + "</titre></track>";
    return doc + "</disque>";
}

// The server of these tests: the index from `indexAnswer`, track lists by "name" (with '+' for
// blanks as titles travel), an error for "Absent".
struct DiscoServer : ServedDevice {
    DiscoServer() {
        handle(kIndexId, indexAnswer);
        for (int id : {kAlbumId, kMaxiId, kCompilId}) {
            handle(id, [](const zserver::Action& a) {
                auto it = a.params.find("name");
                if (it == a.params.end() || it->second == "Absent")
                    return zserver::WebRequestAnswer{};
                return zserver::WebRequestAnswer{true, pipePayload(tracks(it->second, 3))};
            });
        }
        ship("ZephrunDisco.xml", index({"Premier"}, "Vieux+Maxi"));
        EXPECT_TRUE(start());
        device->config().set_num_version_discographie("2");
    }
    std::string version() { return device->storedString(keys::kNumVersionDiscographie); }
    Answer indexAnswer;
};

TEST(DiscographieRefresh, ANewIndexIsCachedWithItsVersionAndItsTrackListsFetchedAgain) {
    DiscoServer s;
    Discographie disco(*s.device);
    ASSERT_EQ(disco.listAlbum()->size(), 1u);
    // Stale track-list files of the new releases, from an earlier version.
    zplatform::writeFileAtomically(disco.getPathForTitle("Deux Mots"), tracks("old", 1));
    zplatform::writeFileAtomically(disco.getPathForTitle("Un"), tracks("old", 1));

    const std::string fresh = index({"Un", "Deux+Mots"}, "Maxi");
    s.indexAnswer.set(true, pipePayload(fresh));
    EXPECT_TRUE(disco.refreshDiscographie());
    EXPECT_TRUE(disco.isRefresh());
    EXPECT_EQ(s.version(), "2");
    EXPECT_EQ(zplatform::readWholeFile(s.docs("ZephrunDisco.xml")), fresh);
    ASSERT_EQ(disco.listAlbum()->size(), 2u);
    EXPECT_EQ(disco.listMaxi()->at(0)->dTitle, "Maxi");
    EXPECT_FALSE(std::filesystem::exists(disco.getPathForTitle("Deux Mots")));
    EXPECT_FALSE(std::filesystem::exists(disco.getPathForTitle("Un")));

    // Not forced: the deleted files send every release to the server.
    EXPECT_EQ(disco.loadDisque(false), 0);
    EXPECT_EQ(s.record.count(kAlbumId), 2);
    EXPECT_EQ(s.record.count(kMaxiId), 1);
    EXPECT_EQ(s.record.lastParams(kMaxiId).at("name"), "Maxi");
    auto deux = disco.listAlbum()->at(1);
    ASSERT_EQ(deux->listTracks->size(), 3u);
    EXPECT_EQ(deux->listTracks->at(0).tTitle, "Deux Mots 0");
    EXPECT_EQ(zplatform::readWholeFile(disco.getPathForTitle("Deux Mots")), tracks("Deux Mots", 3));

    // Now every track list loads from its file; forced, every one is fetched again.
    EXPECT_EQ(disco.loadDisque(false), 0);
    EXPECT_EQ(s.record.count(kAlbumId), 2);
    EXPECT_EQ(disco.loadDisque(true), 0);
    EXPECT_EQ(s.record.count(kAlbumId), 4);
    EXPECT_EQ(s.record.count(kMaxiId), 2);
    EXPECT_EQ(s.record.count(kCompilId), 0);
}

TEST(DiscographieRefresh, FailedTrackListsAreCountedAndLeaveAnEmptyListAndNoFile) {
    DiscoServer s;
    s.indexAnswer.set(true, pipePayload(index({"Un", "Absent"}, "Absent")));
    Discographie disco(*s.device);
    ASSERT_TRUE(disco.refreshDiscographie());
    EXPECT_EQ(disco.loadDisque(true), 2);
    auto absent = disco.listAlbum()->at(1);
    ASSERT_TRUE(absent->listTracks);
    EXPECT_TRUE(absent->listTracks->empty());
    EXPECT_FALSE(std::filesystem::exists(disco.getPathForTitle("Absent")));
    EXPECT_EQ(disco.listAlbum()->at(0)->listTracks->size(), 3u);
}

TEST(DiscographieRefresh, FailuresKeepTheCachedIndexAndTheStoredVersion) {
    DiscoServer s;
    Discographie disco(*s.device);
    const std::string cached = *zplatform::readWholeFile(s.docs("ZephrunDisco.xml"));
    zplatform::writeFileAtomically(disco.getPathForTitle("Premier"), tracks("Premier", 2));
    s.device->storeString(keys::kNumVersionDiscographie, "1");

    auto unchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(disco.isRefresh());
        EXPECT_EQ(s.version(), "1");
        EXPECT_EQ(zplatform::readWholeFile(s.docs("ZephrunDisco.xml")), cached);
        ASSERT_TRUE(disco.listAlbum());
        ASSERT_EQ(disco.listAlbum()->size(), 1u);
        EXPECT_EQ(disco.listAlbum()->at(0)->dTitle, "Premier");
        EXPECT_EQ(disco.listMaxi()->at(0)->dTitle, "Vieux Maxi");
        EXPECT_TRUE(std::filesystem::exists(disco.getPathForTitle("Premier")));
    };
    // An error status, an "ok" answer without the document markers, garbage.
    s.indexAnswer.set(false, "");
    EXPECT_FALSE(disco.refreshDiscographie());
    unchanged("error status");
    s.indexAnswer.set(true, "<xmlpipe><album><titre>Perdu</titre></album>");
    EXPECT_FALSE(disco.refreshDiscographie());
    unchanged("no markers");
    s.indexAnswer.set(true, std::string("\x01\xff<<]]>", 6));
    EXPECT_FALSE(disco.refreshDiscographie());
    unchanged("garbage");
    // No server: the index comes back from the cache file.
    s.stopServing();
    EXPECT_FALSE(disco.refreshDiscographie());
    unchanged("server down");
    EXPECT_EQ(s.record.count(kIndexId), 3);
}

} // namespace

namespace {

TEST(DiscographieThreads, ReadersSeeWholeListsWhileTrackListsLoad) {
    DiscoServer s;
    std::vector<std::string> titles;
    for (int k = 0; k < 12; ++k) titles.push_back("Album+" + std::to_string(k));
    s.indexAnswer.set(true, pipePayload(index(titles, "Maxi")));
    Discographie disco(*s.device);
    ASSERT_TRUE(disco.refreshDiscographie());

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done) {
            auto albums = disco.listAlbum();
            if (!albums || albums->size() != 12)
                ++torn;
            else {
                // Either no release has its tracks yet or every one has them.
                size_t loaded = 0;
                for (auto& d : *albums) loaded += d->listTracks ? 1 : 0;
                if (loaded != 0 && loaded != 12) ++torn;
            }
            ++reads;
        }
    });
    EXPECT_EQ(disco.loadDisque(true), 0);
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(disco.listAlbum()->at(11)->listTracks->size(), 3u);
}

} // namespace

namespace {

// The reference server over its demo content, unmodified, and the shipped copies.
TEST(DiscographieDemo, RefreshThenEveryTrackListFromTheDemoServer) {
    ts::TempDir dir;
    TestDelegate device(dir.file("docs"));
    ServedContent content(dir.path());
    ASSERT_TRUE(content.start());
    device.setServer(content.baseURL());

    Discographie disco(device);
    ASSERT_TRUE(disco.listAlbum());
    const size_t shippedAlbums = disco.listAlbum()->size();
    ASSERT_TRUE(disco.refreshDiscographie());
    EXPECT_EQ(device.storedString(keys::kNumVersionDiscographie),
              device.num_version_discographie().value_or("?"));
    EXPECT_EQ(disco.listAlbum()->size(), shippedAlbums);
    // After a refresh the shell forces the track lists (the shipped copies are older).
    EXPECT_EQ(disco.loadDisque(true), 0);
    size_t releases = 0;
    for (auto list : {disco.listAlbum(), disco.listMaxi(), disco.listCompil()}) {
        ASSERT_TRUE(list);
        for (auto& d : *list) {
            SCOPED_TRACE(d->dTitle);
            ++releases;
            ASSERT_TRUE(d->listTracks);
            EXPECT_FALSE(d->listTracks->empty());
            EXPECT_FALSE(d->listTracks->front().tTitle.empty());
            // Preview addresses, where a track has one, point at this server.
            for (auto& t : *d->listTracks) {
                if (!t.tURLExtrait.empty()) {
                    EXPECT_EQ(t.tURLExtrait.rfind(content.baseURL(), 0), 0u) << t.tURLExtrait;
                }
            }
            EXPECT_TRUE(std::filesystem::exists(disco.getPathForTitle(d->dTitle)));
            // The covers under "media/" are not part of the content directory: the resize
            // service answers its 1 x 1 "no picture".
            EXPECT_EQ(d->dPochette.resourceName, "jaquette-default.jpg");
        }
    }
    EXPECT_GE(releases, 8u);
}

} // namespace
