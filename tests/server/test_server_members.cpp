// Members on the map: the zone and around-me queries, registration and logout as the member
// account sends them, and the store behind them.
#include <gtest/gtest.h>

#include <cmath>

#include "demo_server.h"
#include "feeds/feed_exchange.h"
#include "server/content_records.h"
#include "server/member_store.h"
#include "server/sqlite_db.h"
#include "server/web_request_context.h"

using namespace demo;

namespace {

constexpr int kConnexion = 101, kDeconnexion = 102, kZone = 116, kAround = 117;

struct Answer {
    std::map<std::string, std::string> position;
    std::vector<zserver::ContentRecord> members;
};

// The members model's cut and rebuilt document, read back.
std::optional<Answer> members(const std::string& reply, int id) {
    auto doc =
        zephrun::cutElement(reply, std::to_string(id), "<position centerlatitude", "</membres>");
    if (!doc) return std::nullopt;
    auto records = zserver::readRecords("<total>" + *doc + "</total>", {"position", "membre"});
    if (!records || records->empty() || (*records)[0].element != "position") return std::nullopt;
    Answer a{(*records)[0].attributes, {records->begin() + 1, records->end()}};
    return a;
}

demo::Params zone(double lat, double lon, double spanLat, double spanLon) {
    // The order and "%f" form of the members model.
    return {{"latitude", zserver::decimal(lat)},
            {"longitude", zserver::decimal(lon)},
            {"spanlongitude", zserver::decimal(spanLon)},
            {"spanlatitude", zserver::decimal(spanLat)}};
}

demo::Params registration(const std::string& login, double lat, double lon, bool visible,
                          const std::string& sexe = "female") {
    return {{"country", "France"},
            {"dateofbirth", "1990-04-02"},
            {"firstname", "Ada"},
            {"isvisible", visible ? "1" : "0"},
            {"lastname", "Lovelace"},
            {"latitude", zserver::decimal(lat)},
            {"login", login},
            {"longitude", zserver::decimal(lon)},
            {"sexe", sexe}};
}

bool hasLogin(const Answer& a, const std::string& login) {
    for (auto& m : a.members)
        if (m.child("login") == login) return true;
    return false;
}

class Members : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.start()); }
    ts::TempDir dir_;
    DemoServer server_{dir_};
};

} // namespace

TEST_F(Members, ZoneQueryEchoesTheRegionAndHoldsOnlyMembersInsideIt) {
    // Around Paris, one degree each way.
    auto a = members(server_.webRequest(kZone, zone(48.85, 2.35, 1.0, 1.5)), kZone);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->position["centerlatitude"], "48.850000");
    EXPECT_EQ(a->position["centerlongitude"], "2.350000");
    EXPECT_EQ(a->position["spanlatitude"], "1.000000");
    EXPECT_EQ(a->position["spanlongitude"], "1.500000");
    ASSERT_FALSE(a->members.empty());
    for (auto& m : a->members) {
        EXPECT_LE(std::abs(std::stod(m.attribute("latitude")) - 48.85), 0.5);
        EXPECT_LE(std::abs(std::stod(m.attribute("longitude")) - 2.35), 0.75);
        EXPECT_FALSE(m.child("login").empty());
    }
    // All of France and its neighbours hold more, with every kind of "sexe".
    auto europe = members(server_.webRequest(kZone, zone(47, 2.16, 14, 24)), kZone);
    ASSERT_TRUE(europe);
    EXPECT_GT(europe->members.size(), a->members.size());
    std::set<std::string> sexes;
    for (auto& m : europe->members) sexes.insert(m.attribute("sexe"));
    EXPECT_TRUE(sexes.count("male") && sexes.count("female") && sexes.size() >= 3);

    // A span of 0 counts as one degree; a position in the ocean finds nobody.
    auto zero = members(server_.webRequest(kZone, zone(48.85, 2.35, 0, 0)), kZone);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->position["spanlatitude"], "1.000000");
    auto ocean = members(server_.webRequest(kZone, zone(45, -30, 1, 1)), kZone);
    ASSERT_TRUE(ocean);
    EXPECT_TRUE(ocean->members.empty());

    // Malformed or missing coordinates are refused.
    for (const auto& bad : {Params{{"latitude", "north"},
                                   {"longitude", "2"},
                                   {"spanlatitude", "1"},
                                   {"spanlongitude", "1"}},
                            Params{{"latitude", "91"},
                                   {"longitude", "2"},
                                   {"spanlatitude", "1"},
                                   {"spanlongitude", "1"}},
                            Params{{"latitude", "48"}, {"longitude", "2"}}})
        EXPECT_NE(server_.webRequest(kZone, bad).find(errorMarker(kZone)), std::string::npos);
}

TEST_F(Members, RegistrationPutsTheMemberOnTheMapAndLogoutTakesItOff) {
    auto reply = server_.webRequest(kConnexion, registration("ada_1815", 45.75, 4.85, true));
    EXPECT_NE(reply.find(zephrun::actionMarker(kConnexion)), std::string::npos) << reply;
    auto stored = server_.server().members().member("ada_1815");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->firstName, "Ada");
    EXPECT_EQ(stored->country, "France");
    EXPECT_EQ(stored->dateOfBirth, "1990-04-02");
    EXPECT_TRUE(stored->visible && stored->connected);

    auto lyon = members(server_.webRequest(kZone, zone(45.76, 4.84, 0.5, 0.5)), kZone);
    ASSERT_TRUE(lyon);
    EXPECT_TRUE(hasLogin(*lyon, "ada_1815"));

    // Moving updates the position; the member now appears in Nantes, not in Lyon.
    server_.webRequest(kConnexion, registration("ada_1815", 47.21, -1.55, true));
    EXPECT_FALSE(hasLogin(*members(server_.webRequest(kZone, zone(45.76, 4.84, 0.5, 0.5)), kZone),
                          "ada_1815"));
    EXPECT_TRUE(hasLogin(*members(server_.webRequest(kZone, zone(47.2, -1.5, 0.5, 0.5)), kZone),
                         "ada_1815"));

    // Around me: the nearest members, never the asker, inside the answered region.
    auto around = members(server_.webRequest(kAround, {{"latitude", "47.210000"},
                                                       {"longitude", "-1.550000"},
                                                       {"login", "ada_1815"}}),
                          kAround);
    ASSERT_TRUE(around);
    EXPECT_FALSE(hasLogin(*around, "ada_1815"));
    EXPECT_EQ(around->members.size(), 30u);
    double spanLat = std::stod(around->position["spanlatitude"]);
    for (auto& m : around->members)
        EXPECT_LE(std::abs(std::stod(m.attribute("latitude")) - 47.21), spanLat / 2);
    EXPECT_NE(server_.webRequest(kAround, {{"latitude", "47"}, {"longitude", "-1"}})
                  .find(errorMarker(kAround)),
              std::string::npos);

    // Logout: off the map; an unknown login is an error.
    reply = server_.webRequest(kDeconnexion, {{"login", "ada_1815"}});
    EXPECT_NE(reply.find(zephrun::actionMarker(kDeconnexion)), std::string::npos);
    EXPECT_FALSE(hasLogin(*members(server_.webRequest(kZone, zone(47.2, -1.5, 0.5, 0.5)), kZone),
                          "ada_1815"));
    EXPECT_NE(
        server_.webRequest(kDeconnexion, {{"login", "nobody"}}).find(errorMarker(kDeconnexion)),
        std::string::npos);
}

TEST_F(Members, HiddenOrMalformedRegistrations) {
    // A member without a known position registers but is not shown.
    server_.webRequest(kConnexion, registration("ghost", 0, 0, false, "other"));
    auto ghost = server_.server().members().member("ghost");
    ASSERT_TRUE(ghost);
    EXPECT_FALSE(ghost->visible);
    EXPECT_FALSE(hasLogin(*members(server_.webRequest(kZone, zone(0, 0, 2, 2)), kZone), "ghost"));

    for (const auto& bad : {registration("", 45, 4, true), registration("x", 95, 4, true),
                            registration(std::string(101, 'a'), 45, 4, true)})
        EXPECT_NE(server_.webRequest(kConnexion, bad).find(errorMarker(kConnexion)),
                  std::string::npos);
    auto noPosition = registration("nopos", 45, 4, true);
    noPosition.erase(noPosition.begin() + 5); // "latitude"
    EXPECT_NE(server_.webRequest(kConnexion, noPosition).find(errorMarker(kConnexion)),
              std::string::npos);
    EXPECT_FALSE(server_.server().members().member("nopos"));
}

TEST(MemberStore, RegistrationsSurviveARestartAndTheSeedDoesNotOverwriteThem) {
    ts::TempDir dir;
    const std::string db = dir.file("zserver.db");
    {
        DemoServer server(dir, db);
        ASSERT_TRUE(server.start());
        // A seed member registers from elsewhere.
        auto seeded = server.server().members().member("max_10");
        ASSERT_TRUE(seeded);
        server.webRequest(kConnexion, registration("max_10", 50.63, 3.06, true, "male"));
        server.stop();
    }
    zserver::MemberStore store;
    ASSERT_TRUE(store.open(db));
    EXPECT_TRUE(
        store.importSeed({{"max_10", "male", "", "", "", "", 1.0, 1.0, true, true, ""},
                          {"new_one", "female", "", "", "", "", 2.0, 2.0, true, true, ""}}));
    auto kept = store.member("max_10");
    ASSERT_TRUE(kept);
    EXPECT_NEAR(kept->latitude, 50.63, 1e-9);
    EXPECT_EQ(kept->firstName, "Ada");
    EXPECT_TRUE(store.member("new_one"));
    auto near = store.nearest(50.6, 3.0, "", 1);
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].login, "max_10");
}

TEST(MemberStore, ADatabaseFromBeforeSiteAccountsKeepsItsMembersAndGainsAccounts) {
    ts::TempDir dir;
    const std::string db = dir.file("old.db");
    {
        // The members table as it was before passwords.
        zserver::SqliteDb old;
        ASSERT_TRUE(old.open(db,
                             "CREATE TABLE members (login TEXT PRIMARY KEY, sexe TEXT NOT NULL "
                             "DEFAULT '', firstname TEXT NOT NULL DEFAULT '', lastname TEXT NOT "
                             "NULL DEFAULT '', dateofbirth TEXT NOT NULL DEFAULT '', country "
                             "TEXT NOT NULL DEFAULT '', latitude REAL NOT NULL DEFAULT 0, "
                             "longitude REAL NOT NULL DEFAULT 0, visible INTEGER NOT NULL "
                             "DEFAULT 0, connected INTEGER NOT NULL DEFAULT 0, updated_at TEXT "
                             "NOT NULL DEFAULT (datetime('now')));"
                             "INSERT INTO members (login, firstname) VALUES ('kept', 'Old');",
                             nullptr));
    }
    zserver::MemberStore store;
    ASSERT_TRUE(store.open(db));
    EXPECT_EQ(store.member("kept")->firstName, "Old");
    EXPECT_FALSE(store.authenticate("kept", ""));
    zserver::Member taken;
    taken.login = "kept";
    EXPECT_EQ(store.createAccount(taken, "secret"), zserver::MemberStore::Creation::LoginTaken);
    zserver::Member fresh;
    fresh.login = "fresh";
    fresh.firstName = "New";
    ASSERT_EQ(store.createAccount(fresh, "secret"), zserver::MemberStore::Creation::Created);
    EXPECT_EQ(store.authenticate("fresh", "secret")->firstName, "New");
    // The map's registration updates the profile and keeps the password.
    fresh.firstName = "Renamed";
    ASSERT_TRUE(store.registerMember(fresh));
    EXPECT_EQ(store.authenticate("fresh", "secret")->firstName, "Renamed");
}
