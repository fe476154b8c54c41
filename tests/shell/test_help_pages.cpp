// The help badge, the help page in both languages and the information page's failure rules.
#include "app_fixture.h"

#include "app/zephrun_configuration.h"
#include "app/persisted_keys.h"
#include "platform/ui/image_view.h"
#include "platform/user_defaults.h"

using namespace apptest;

TEST(HelpPages, HelpPageSpeaksTheInterfaceLanguageAndSlidesAway) {
    AppRun r({.lang = "en"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    ASSERT_NE(r.driver->findByText("Help"), nullptr);
    r.app().showTuto();
    r.advance(0.4);
    EXPECT_NE(r.driver->findByText("Move the icons around to remix the music !"), nullptr);
    EXPECT_NE(r.driver->findByText("Double-Click\n-Enter-"), nullptr);
    r.driver->tap(ui::Point{160, 200});
    r.advance(0.4);
    EXPECT_EQ(r.app().viewTuto(), nullptr);
    EXPECT_EQ(r.driver->findByText("Move the icons around to remix the music !"), nullptr);

    r.app().toggleLanguage();
    r.advance(0.1);
    EXPECT_NE(r.driver->findByText("Aide"), nullptr);
    r.app().showTuto();
    r.advance(0.4);
    EXPECT_NE(r.driver->findByText("Secouer\n-Aléatoire-"), nullptr);
}

TEST(HelpPages, StillBadgeWithoutCyclingAndNoInformationPageWithoutNetwork) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    r.app().myConfig().set_want_tuto_defil(false);
    r.app().destroyDefilTuto();
    r.app().showDefilTuto();
    EXPECT_NE(r.driver->findByImageName("home-tuto-intero.png"), nullptr);
    EXPECT_EQ(r.driver->findByText("Aide"), nullptr);
    r.app().hideDefilTuto();
    EXPECT_TRUE(r.app().viewDefilTuto()->isHidden());

    r.host->defaults().setString(zephrun::persistedKey("Zephrun", zephrun::keys::kNetworkType), "");
    r.app().showInfos();
    r.advance(0.3);
    ASSERT_FALSE(r.alerts().empty());
    EXPECT_EQ(alertMessage(r.alerts().back()),
              "Une erreur s'est produite durant le chargement des mentions légales");
    EXPECT_EQ(r.app().viewInfos(), nullptr);
}
