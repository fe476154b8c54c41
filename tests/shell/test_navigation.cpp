// The whole application: every home box opens its section for a member, and every section has
// its way back to the home screen.
#include "app_fixture.h"

#include "app/account/connexion.h"
#include "app/home/home_box_view.h"
#include "app/home/home_view_controller.h"
#include "app/mix/mix_view_controller.h"

using namespace apptest;

TEST(Navigation, EveryBoxOpensItsSectionAndEverySectionLeadsHome) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    r.app().myConnexion().setIsConnected(true);
    const char* names[] = {"news", "discography", "medias", "mix", "community"};
    zephrun::HomeViewController& home = *r.app().myHome();
    for (int box = 0; box < zephrun::HomeViewController::kBoxCount; ++box) {
        SCOPED_TRACE(names[box]);
        // The box alone in the middle of the screen, tapped (the others in a corner: the first
        // box whose frame holds the touch is the one touched).
        for (int other = 0; other < zephrun::HomeViewController::kBoxCount; ++other)
            home.box(other).setFrame({0, 62, 91, 111});
        zephrun::HomeBoxView& b = home.box(box);
        b.setFrame({115, 150, 91, 111});
        home.view().bringSubviewToFront(&b);
        r.driver->tap(ui::Point{160, 200});
        std::string log;
        ASSERT_TRUE(r.advanceUntil(
            [&] { return r.count("section", std::string("show ") + names[box]) == 1; }, 15))
            << [&] {
                   for (auto& l : r.log().lines()) log += l + "\n";
                   return log;
               }();
        r.advance(0.5);
        while (r.answerAlert(0)) {
        }
        EXPECT_FALSE(home.isViewVisible());
        // The way back: the mix table's exit, the bottom menu's button elsewhere.
        if (box == zephrun::kSectionMix)
            r.app().myMixView()->returnToHome();
        else
            r.driver->tap(ui::Point{160, 460});
        ASSERT_TRUE(r.advanceUntil([&] { return home.isViewVisible(); }, 5));
        r.advance(0.5);
        r.app().clicOnLogo();
        r.advance(0.5);
    }
}
