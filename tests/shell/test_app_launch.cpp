// The launch sequence, offline starts, the language, fetch on first opening and alert routing.
#include "app_fixture.h"

#include "app/account/connexion.h"
#include "app/home/home_line.h"
#include "app/home/home_view_controller.h"
#include "app/server_session.h"
#include "app/shell/background_rotation.h"
#include "app/zephrun_configuration.h"
#include "app/persisted_keys.h"
#include "feeds/news.h"
#include "platform/ui/button.h"
#include "platform/user_defaults.h"

using namespace apptest;

namespace {

bool isFrench(AppRun& r) {
    return r.host->defaults().boolForKey(zephrun::persistedKey("Zephrun", zephrun::keys::kIsFrench));
}

} // namespace

TEST(AppLaunch, OnlineFirstLaunchInFrenchEndsOnTheHomeWithItsMusic) {
    AppRun r({.lang = "fr"});
    // The splash is up, in French, before the launch work runs.
    r.host->launch();
    ASSERT_NE(r.app().viewDefault(), nullptr);
    EXPECT_EQ(r.driver->imageName(r.app().viewDefault()), "Default.png");
    ASSERT_TRUE(r.advanceUntil([&] { return r.app().isLaunched(); }, 30));

    EXPECT_TRUE(isFrench(r));
    EXPECT_EQ(r.app().viewDefault(), nullptr);
    EXPECT_TRUE(r.app().session().isOpen());
    ASSERT_NE(r.app().myHome(), nullptr);
    EXPECT_TRUE(r.app().myHome()->isViewVisible());
    EXPECT_NE(r.app().myAudioMix(), nullptr);
    EXPECT_TRUE(r.app().playMix());
    // The server's notification is the only alert; nothing failed.
    auto alerts = r.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("Nouvelle tournée"), std::string::npos);
    // The launch in its order: the session, the discography (a first launch has no version),
    // the home's music, the home.
    auto lines = r.log().lines();
    auto at = [&](const std::string& text) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) return static_cast<long>(i);
        return -1L;
    };
    EXPECT_LT(at("request: OPEN"), at("request: WEBREQUEST 106"));
    EXPECT_LT(at("request: WEBREQUEST 106"), at("request: WEBREQUEST 107"));
    EXPECT_LT(at("request: WEBREQUEST 107"), at("mix: start home_2010"));
    EXPECT_LT(at("mix: start home_2010"), at("section: show home"));
    // The home's strips and boxes are filled from the models.
    EXPECT_FALSE(r.app().myHome()->newsLine()->text().empty());
    EXPECT_TRUE(r.advanceUntil([&] { return r.app().myHome()->boxesLoaded(); }));
}

TEST(AppLaunch, WithoutNetworkStartsFromTheShippedCopiesWithOneAlert) {
    AppRun r({.lang = "en", .network = false});
    ASSERT_TRUE(r.launch());
    EXPECT_FALSE(isFrench(r));
    auto alerts = r.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alertMessage(alerts[0]),
              "You must be connected (to internet) // Your connection is limited or inexistant");
    EXPECT_FALSE(r.app().session().isOpen());
    EXPECT_FALSE(r.app().myNewsEN().listNews().empty());
    EXPECT_FALSE(r.app().myConnexion().isConnected());
}

TEST(AppLaunch, ServerDownGivesTheFrenchAlertOnceAndTheHome) {
    AppRun r({.lang = "fr", .serverUp = false});
    ASSERT_TRUE(r.launch(40));
    auto alerts = r.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alertMessage(alerts[0]).rfind("Attention, vous n'avez pas de connexion", 0), 0u);
    EXPECT_TRUE(r.app().myHome()->isViewVisible());
}

TEST(AppShell, LanguageButtonSwitchesAndRebuildsTheTopBar) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    ASSERT_NE(r.driver->findByImageName("cmn-header-lg-uk.png"), nullptr);
    r.driver->tap(ui::Point{260, 15});
    r.advance(0.1);
    EXPECT_FALSE(isFrench(r));
    EXPECT_NE(r.driver->findByImageName("cmn-header-lg-fr.png"), nullptr);
    EXPECT_NE(r.driver->findByImageName("home-box-medias-uk.png"), nullptr);
}

TEST(AppShell, SectionFetchesItsFeedOnFirstOpeningOnlyAndAgainAfterAFailure) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    r.app().showNews();
    r.advance(0.5);
    r.app().showNews();
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Mise à jour des news"), 1);
    EXPECT_TRUE(r.app().myNewsFR().isRefresh());
    // The English news are another model: fetched at the next opening after the switch.
    r.app().toggleLanguage();
    r.app().showNews();
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Updating \"News\""), 1);

    // With the server gone, the videos fail, alert, and are tried again next time.
    r.server->stop();
    r.app().showMedias();
    r.advance(0.5);
    r.app().showMedias();
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Updating \"Videos\""), 2);
    int failures = 0;
    for (const auto& a : r.alerts())
        failures += alertMessage(a) == "An error has occurred! Unable to update. Please try again";
    EXPECT_GE(failures, 1);
}

TEST(AppShell, AlertAnswersFollowTheRoutingRules) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    // A mix download proposal answered while the mix screen is hidden does nothing.
    r.app().showAlert("proposal", zephrun::ZephrunAppDelegate::kTagMixDownload, "Non", {"Oui"});
    r.advance(0.3);
    ASSERT_TRUE(r.answerAlert(1));
    EXPECT_FALSE(r.app().isDownloadingMix());
    // The logout confirmation: "Non" keeps the member, "Oui" logs out.
    r.app().myConnexion().setIsConnected(true);
    r.app().clicOnDisconnect();
    r.advance(0.3);
    ASSERT_TRUE(r.answerAlert(0));
    EXPECT_TRUE(r.app().myConnexion().isConnected());
    r.app().clicOnDisconnect();
    r.advance(0.3);
    ASSERT_TRUE(r.answerAlert(1));
    r.advance(0.5);
    EXPECT_FALSE(r.app().myConnexion().isConnected());
}

TEST(AppShell, NegativeBackgroundIntervalWaitsTenSecondsAndStopIsPrompt) {
    AppRun r({.network = false});
    ASSERT_TRUE(r.launch());
    r.app().myConfig().set_time_change_bkg(-5);
    zephrun::BackgroundRotation rotation(r.app());
    rotation.start();
    ASSERT_TRUE(r.advanceUntil([&] { return r.app().myConfig().time_change_bkg() == 10; }, 2));
    const auto start = std::chrono::steady_clock::now();
    rotation.stop(); // cuts the 10-s sleep short
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(zephrun::BackgroundRotation::imageName(11), "bkg-ZR11.jpg");
}
