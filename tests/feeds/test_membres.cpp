// Members on the map: the reader and its region, the zone and around-me queries against the
// reference server, the cut, the cache and the fallbacks.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "feeds/feed_exchange.h"
#include "feeds/membres.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;

namespace {

constexpr int kZoneId = 116, kAroundId = 117;

const std::string kPosition = "<position centerlatitude=\"48.85\" centerlongitude=\"2.35\" "
                              "spanlatitude=\"0.5\" spanlongitude=\"0.25\"/>";

std::string members(const std::string& login) {
    return "<membres><membre latitude=\"48.8\" longitude=\"2.3\" sexe=\" fe male\n\">"
           "<login>\t" +
           login +
           "\n</login></membre>"
           "<membre latitude=\"-1.5\" longitude=\"x\" sexe=\"male\"><login>Bob Dylan</login>"
           "</membre></membres>";
}

TEST(MembresReader, RegionAndMembersReplaceTheLastAnswer) {
    ServedDevice s;
    Membres m(*s.device);
    EXPECT_FALSE(m.hasList());
    EXPECT_FLOAT_EQ(m.currentLatitude(), 47.0f);
    EXPECT_FLOAT_EQ(m.currentLongitude(), 2.16f);
    EXPECT_FLOAT_EQ(m.currentSpanLatitude(), 1.0f);

    ASSERT_TRUE(m.loadMembres("<total>" + kPosition + members("ana") + "</total>"));
    auto list = m.listMembres();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->tLogin, "ana");
    EXPECT_EQ(list[0]->tType, "female");
    EXPECT_FLOAT_EQ(list[0]->tLatitude, 48.8f);
    EXPECT_EQ(list[1]->tLogin, "Bob Dylan");
    EXPECT_FLOAT_EQ(list[1]->tLongitude, 0.0f);
    MembresRegion r = m.currentRegion();
    EXPECT_FLOAT_EQ(r.latitude, 48.85f);
    EXPECT_FLOAT_EQ(r.longitude, 2.35f);
    EXPECT_FLOAT_EQ(r.spanLatitude, 0.5f);
    EXPECT_FLOAT_EQ(r.spanLongitude, 0.25f);

    // Every parse starts from the default region and no list.
    ASSERT_TRUE(m.loadMembres("<total><membres></membres></total>"));
    EXPECT_FALSE(m.hasList());
    EXPECT_FLOAT_EQ(m.currentLatitude(), 47.0f);
    ASSERT_TRUE(m.loadMembres("<total>" + kPosition + "</total>"));
    EXPECT_FALSE(m.loadMembres(std::nullopt));
    EXPECT_FLOAT_EQ(m.currentSpanLongitude(), 1.0f);
}

TEST(MembresReader, TheCacheIsReadOnlyWhenItHoldsTwoBytes) {
    ServedDevice s;
    const std::string path = s.device->path(keys::kPathMembresFile);
    zplatform::writeFileAtomically(path, "<");
    EXPECT_FALSE(Membres(*s.device).hasList());
    zplatform::writeFileAtomically(path, "<total>" + kPosition + members("ana") + "</total>");
    Membres m(*s.device);
    EXPECT_EQ(m.listMembres().size(), 2u);
    EXPECT_FLOAT_EQ(m.currentLatitude(), 48.85f);
}

struct MembresServer : ServedDevice {
    MembresServer() {
        handle(kZoneId, zone);
        handle(kAroundId, around);
        zone.set(true, "<![CDATA[<?xml version=\"1.0\"?><total>" + kPosition + members("zone") +
                           "</total>]]>");
        around.set(true, kPosition + members("around"));
        EXPECT_TRUE(start());
    }
    std::string cache() {
        return zplatform::readWholeFile(device->path(keys::kPathMembresFile)).value_or("");
    }
    Answer zone, around;
};

TEST(MembresRefresh, ZoneQueriesSendSixDecimalsAndASpanOfZeroAsOne) {
    MembresServer s;
    Membres m(*s.device);
    ASSERT_TRUE(m.refreshMembresForZone(48.5f, -2.25f, 0.0f, 0.125f));
    auto p = s.record.lastParams(kZoneId);
    EXPECT_EQ(p["latitude"], "48.500000");
    EXPECT_EQ(p["longitude"], "-2.250000");
    EXPECT_EQ(p["spanlatitude"], "1.000000");
    EXPECT_EQ(p["spanlongitude"], "0.125000");
    EXPECT_EQ(p.size(), 4u);
    // The document is rebuilt from the position to the end of the members list (line feeds of
    // the reply dropped).
    EXPECT_EQ(s.cache(), "<total>" + kPosition + removeAll(members("zone"), "\n") + "</total>");
    EXPECT_EQ(m.listMembres().at(0)->tLogin, "zone");
    EXPECT_FLOAT_EQ(m.currentSpanLatitude(), 0.5f);
    ASSERT_TRUE(m.refreshMembresForZone(1.0f, 2.0f, 3.0f, 0.0f));
    EXPECT_EQ(s.record.lastParams(kZoneId)["spanlongitude"], "1.000000");
    EXPECT_EQ(s.record.lastParams(kZoneId)["spanlatitude"], "3.000000");
}

TEST(MembresRefresh, AroundMeNeedsALoginAndSendsIt) {
    MembresServer s;
    Membres m(*s.device);
    ASSERT_TRUE(m.refreshMembresForZone(48.5f, 2.0f, 1.0f, 1.0f));
    const std::string cached = s.cache();
    s.device->setLogin(std::nullopt);
    EXPECT_FALSE(m.refreshMembresAroundMe(48.0f, 2.0f));
    s.device->setLogin("");
    EXPECT_FALSE(m.refreshMembresAroundMe(48.0f, 2.0f));
    EXPECT_EQ(s.record.count(kAroundId), 0);
    EXPECT_FALSE(m.isRefresh());
    EXPECT_EQ(m.listMembres().at(0)->tLogin, "zone");
    EXPECT_EQ(s.cache(), cached);

    s.device->setLogin("zeph&fan");
    ASSERT_TRUE(m.refreshMembresAroundMe(48.0f, 2.5f));
    auto p = s.record.lastParams(kAroundId);
    EXPECT_EQ(p["login"], "zeph&fan");
    EXPECT_EQ(p["longitude"], "2.500000");
    EXPECT_EQ(m.listMembres().at(0)->tLogin, "around");
}

TEST(MembresRefresh, FailuresKeepTheLastAnswerAndItsCache) {
    MembresServer s;
    Membres m(*s.device);
    ASSERT_TRUE(m.refreshMembresForZone(48.5f, 2.0f, 1.0f, 1.0f));
    const std::string cached = s.cache();
    auto unchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(m.isRefresh());
        EXPECT_EQ(s.cache(), cached);
        ASSERT_EQ(m.listMembres().size(), 2u);
        EXPECT_EQ(m.listMembres()[0]->tLogin, "zone");
        EXPECT_FLOAT_EQ(m.currentLatitude(), 48.85f);
    };
    s.zone.set(false, "");
    EXPECT_FALSE(m.refreshMembresForZone(1, 1, 1, 1));
    unchanged("error status");
    s.zone.set(true, kPosition + "<membres><membre><login>cut short"); // no "</membres>"
    EXPECT_FALSE(m.refreshMembresForZone(1, 1, 1, 1));
    unchanged("no end marker");
    s.zone.set(true, "garbage \x01\x02");
    EXPECT_FALSE(m.refreshMembresForZone(1, 1, 1, 1));
    unchanged("garbage");
    // Without a server the cached answer is read again.
    m.loadMembres(std::nullopt);
    s.stopServing();
    EXPECT_FALSE(m.refreshMembresForZone(1, 1, 1, 1));
    unchanged("server down");
}

} // namespace

namespace {

TEST(MembresThreads, ReadersSeeWholeAnswers) {
    MembresServer s;
    const std::string three = "<membres><membre><login>a</login></membre><membre><login>b</login>"
                              "</membre><membre><login>c</login></membre></membres>";
    Membres m(*s.device);
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done) {
            size_t n = m.listMembres().size();
            if (n != 0 && n != 2 && n != 3) ++torn; // never a list being filled
            ++reads;
        }
    });
    for (int k = 0; k < 10; ++k) {
        s.zone.set(true, kPosition + (k % 2 ? three : members("zone")));
        EXPECT_TRUE(m.refreshMembresForZone(1, 2, 3, 4));
        EXPECT_EQ(m.listMembres().size(), k % 2 ? 3u : 2u);
    }
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0);
}

} // namespace

namespace {

// The reference server over its demo content, unmodified.
TEST(MembresDemo, ZoneAndAroundMeFromTheDemoServer) {
    ts::TempDir dir;
    TestDelegate device(dir.file("docs"));
    ServedContent content(dir.path());
    ASSERT_TRUE(content.start());
    device.setServer(content.baseURL());

    Membres m(device);
    ASSERT_TRUE(m.refreshMembresForZone(46.5f, 2.5f, 10.0f, 12.0f));
    auto list = m.listMembres();
    ASSERT_FALSE(list.empty());
    EXPECT_FLOAT_EQ(m.currentLatitude(), 46.5f);
    EXPECT_FLOAT_EQ(m.currentSpanLongitude(), 12.0f);
    for (auto& member : list) {
        EXPECT_FALSE(member->tLogin.empty());
        EXPECT_LE(std::abs(member->tLatitude - 46.5f), 5.0f);
    }
    device.setLogin(list.front()->tLogin);
    ASSERT_TRUE(m.refreshMembresAroundMe(48.85f, 2.35f));
    EXPECT_FALSE(m.listMembres().empty());
    // A new model restores the last answer from the cache.
    EXPECT_EQ(Membres(device).listMembres().size(), m.listMembres().size());
}

} // namespace
