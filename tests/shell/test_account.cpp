// The member account against the reference server's site: the silent login at launch, the
// login overlay, its failures, the registration with the application server, the logout.
#include "app_fixture.h"

#include "app/account/connexion.h"
#include "app/script/script_devices.h"
#include "app/location/kt_cl_controller.h"
#include "app/shell/login_overlay.h"
#include "platform/run_loop.h"
#include "app/persisted_keys.h"
#include "platform/user_defaults.h"
#include "server/member_store.h"

using namespace apptest;

namespace {

void remember(AppRun& r, const std::string& login, const std::string& password) {
    auto& d = r.host->defaults();
    d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunLogin), login);
    d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunPassword), password);
}

std::string lastAlert(AppRun& r) {
    auto a = r.alerts();
    return a.empty() ? "" : alertMessage(a.back());
}

// Types into the overlay's fields and validates.
void typeLogin(AppRun& r, const std::string& login, const std::string& password) {
    r.driver->typeText(login);
    r.driver->pressReturn();
    r.driver->typeText(password);
    r.driver->pressReturn();
}

} // namespace

TEST(Account, SilentLoginAtLaunchWithRememberedCredentialsAndOrderlyLogout) {
    AppRun r;
    remember(r, "demo", "zephrun");
    ASSERT_TRUE(r.launch());
    zephrun::Connexion& account = r.app().myConnexion();
    EXPECT_TRUE(account.isConnected());
    EXPECT_FALSE(account.myFirstName().empty());
    EXPECT_NE(r.driver->findByText("demo"), nullptr); // the top bar shows the login
    EXPECT_EQ(r.count("request", "POST " + r.server->baseURL() + "site/login_fr.html"), 2);

    // The end logs the member out of the application server and the site.
    r.host->quit();
    EXPECT_FALSE(account.isConnected());
    EXPECT_EQ(r.count("request", "WEBREQUEST 102"), 1);
}

TEST(Account, OverlayLoginRegistersThePositionAndOpensTheWantedSection) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    zephrun::scriptNextLocation(std::make_pair(48.85, 2.35));
    r.app().setWantToGoToConnected(zephrun::kSectionMedias);
    r.app().showLogin();
    r.advance(0.4);
    typeLogin(r, "demo", "zephrun");
    ASSERT_TRUE(r.advanceUntil([&] { return r.count("section", "show medias") == 1; }, 15));
    EXPECT_TRUE(r.app().myConnexion().isConnected());
    ASSERT_TRUE(r.advanceUntil([&] { return r.count("request", "WEBREQUEST 101") == 1; }));
    r.advance(0.5);
    std::optional<zserver::Member> m = r.server->members().member("demo");
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->visible);
    EXPECT_NEAR(m->latitude, 48.85, 1e-4);
    // Remembered for the next launch.
    EXPECT_EQ(r.host->defaults().stringForKey(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunLogin)),
              "demo");
}

TEST(Account, EmptyFieldsWrongPasswordAndSiteDownEachGiveTheirAlert) {
    AppRun r({.lang = "en"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    r.app().showLogin();
    r.advance(0.4);
    r.app().clicOnValidLogin();
    r.advance(0.5);
    EXPECT_EQ(lastAlert(r), "Invalid login or password");
    r.answerAlert(0);

    zephrun::Connexion& account = r.app().myConnexion();
    r.app().loginOverlay()->loginField().setText("demo");
    account.setMyLogin("demo");
    r.app().loginOverlay()->passwordField().setText("wrong");
    r.app().clicOnValidLogin();
    r.advance(1);
    EXPECT_EQ(lastAlert(r), "Identification server is down. Please try again later.");
    EXPECT_FALSE(account.isConnected());
    r.answerAlert(0);

    r.server->stop();
    r.app().loginOverlay()->passwordField().setText("zephrun");
    r.app().clicOnValidLogin();
    r.advance(1);
    EXPECT_EQ(lastAlert(r), "Identification server is down. Please try again later.");
    // A failed login forgets nothing that was remembered.
    EXPECT_EQ(account.myLogin(), "demo");
}

TEST(Account, CredentialsReachTheSiteAsTyped) {
    AppRun r;
    zserver::Member fan;
    fan.login = "amélie&co";
    fan.firstName = "Amélie";
    ASSERT_EQ(r.server->members().createAccount(fan, "p&ss=é+100% "),
              zserver::MemberStore::Creation::Created);
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    zephrun::Connexion& account = r.app().myConnexion();
    account.setMyLogin("amélie&co");
    account.setMyPassword("p&ss=é+100% ");
    EXPECT_TRUE(account.silentConnexion());
    EXPECT_EQ(account.myFirstName(), "Amélie");
}

TEST(Account, ReplyChecksReadTheStatusAndTheProfileMarkers) {
    EXPECT_TRUE(zephrun::Connexion::firstReplyAccepts("{ \"STATUS\" : TRUE }"));
    EXPECT_FALSE(zephrun::Connexion::firstReplyAccepts("{\"status\":false}"));
}

TEST(Account, PositionArrivingDuringARequestIsSentAfterItWithoutASecondLock) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    zephrun::Connexion& account = r.app().myConnexion();
    zephrun::KT_CLController& locator = zephrun::KT_CLController::sharedInstance();
    locator.setHasReponse(false);
    locator.setDelegate(&account);
    {
        // Inside an interface turn, a request holds the lock and waits in a nested run.
        zplatform::RunLoop::Turn turn(zplatform::RunLoop::main());
        zephrun::RequestLock lock(r.app());
        locator.didUpdateToLocation(45.76, 4.83, 10);
        zplatform::RunLoop::main().runFor(0.3);
        EXPECT_EQ(r.count("request", "WEBREQUEST 101"), 0);
    }
    ASSERT_TRUE(r.advanceUntil([&] { return r.count("request", "WEBREQUEST 101") == 1; }));
    EXPECT_TRUE(account.isVisible());
    EXPECT_FLOAT_EQ(account.myLatitude(), 45.76f);
}
