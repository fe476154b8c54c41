// The home screen as a mixer and as the way into the sections.
#include "app_fixture.h"

#include <deque>

#include "app/account/connexion.h"
#include "app/home/home_box_view.h"
#include "app/home/home_line.h"
#include "app/home/home_view_controller.h"
#include "app/shell/login_overlay.h"

using namespace apptest;
using zephrun::HomeViewController;

namespace {

// Draws that give these values in order (each modulo what the caller takes it modulo).
std::function<std::uint32_t()> sequence(std::vector<std::uint32_t> values) {
    auto queue = std::make_shared<std::deque<std::uint32_t>>(values.begin(), values.end());
    return [queue] {
        if (queue->empty()) return std::uint32_t{0};
        std::uint32_t v = queue->front();
        queue->pop_front();
        return v;
    };
}

} // namespace

TEST(HomeMixer, LevelFollowsHeightAndSliderAndPlacementKeepsBoxesApart) {
    EXPECT_EQ(HomeViewController::levelFor(62, 1), 255);
    EXPECT_EQ(HomeViewController::levelFor(292, 1), 0);
    EXPECT_EQ(HomeViewController::levelFor(177, 0.5f), 0); // clamped
    EXPECT_EQ(HomeViewController::coefficientFor(45.5f, 150), 1.0f);
    EXPECT_NEAR(HomeViewController::coefficientFor(45.5f, -44), 1 - 45.5 * 45.5 / 90000, 1e-6);
    EXPECT_EQ(HomeViewController::coefficientFor(320, -44), 0.0f);

    // Box 0 first at y 200 (138 + 62), then box 1 drawn at 250: moved to 266.6.
    auto at = HomeViewController::randomPlacement(sequence({0, 138, 0, 188, 0, 0, 0, 0, 0, 0}));
    EXPECT_FLOAT_EQ(at[0].y, 200);
    EXPECT_FLOAT_EQ(at[1].y, 266.6f);
    EXPECT_FLOAT_EQ(at[1].x, 57);
    // After a neighbour at 240, 250 would pass 292: drawn again (here 100).
    at = HomeViewController::randomPlacement(sequence({0, 178, 0, 188, 38, 0, 0, 0, 0, 0, 0}));
    EXPECT_FLOAT_EQ(at[1].y, 100);
}

TEST(HomeMixer, TrackLevelIsSentFromADifferenceOf13) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    HomeViewController& home = *r.app().myHome();
    zephrun::HomeBoxView& box = home.box(1);
    ASSERT_NE(r.app().myAudioMix(), nullptr);
    // Level 125 at the box's current value; y for a level of 137 then 138.
    box.currentLevel = 125;
    auto yFor = [](int level) { return 292.0f - (static_cast<float>(level) + 0.5f) * 230.0f / 255.0f; };
    box.setFrame({0, yFor(137), 91, 111});
    box.coefLevel = 1;
    home.changeLevelOfBox(box);
    EXPECT_EQ(box.currentLevel, 125);
    box.setFrame({0, yFor(138), 91, 111});
    home.changeLevelOfBox(box);
    EXPECT_EQ(box.currentLevel, 138);
}

TEST(HomeBoxes, MembersOnlyThenEachGestureOpensItsSectionOnce) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    HomeViewController& home = *r.app().myHome();
    ui::View& newsBox = home.box(zephrun::kSectionNews);
    newsBox.setFrame({0, 62, 91, 111});
    home.view().bringSubviewToFront(&newsBox);

    // Logged out: the members-only alert, then the login overlay; the login leads to the news.
    r.driver->tap(ui::Point{45, 120});
    r.advance(0.5);
    ASSERT_FALSE(r.alerts().empty());
    EXPECT_EQ(alertMessage(r.alerts().back()), "Accès réservé aux membres");
    EXPECT_EQ(r.app().wantToGoToConnected(), zephrun::kSectionNews);
    ASSERT_NE(r.app().loginOverlay(), nullptr);
    r.answerAlert(0);
    r.app().hideLogin();
    r.advance(0.5);

    // Logged in: a double tap opens the section once; a hold opens it once.
    r.app().myConnexion().setIsConnected(true);
    r.app().showHomePage();
    r.advance(0.5);
    r.driver->doubleTap(ui::Point{45, 120});
    r.advance(1);
    EXPECT_EQ(r.count("section", "show news"), 1);
    // The second tap lands on the news list's first row, a link: its question is declined.
    r.answerAlert(0);
    r.app().clicOnLogo();
    r.advance(0.5);
    ui::View& mediasBox = home.box(zephrun::kSectionMedias);
    mediasBox.setFrame({200, 200, 91, 111});
    home.view().bringSubviewToFront(&mediasBox);
    r.driver->touchDown(0, ui::Point{245, 250});
    r.advance(2.0); // time_valid_select is 1.5 s
    r.driver->touchUp(0, ui::Point{245, 250});
    r.advance(1);
    EXPECT_EQ(r.count("section", "show medias"), 1);
}

TEST(HomeStrips, JoinItemsUpToTheStripWidth) {
    EXPECT_EQ(zephrun::stripText({}), "");
    // 349 points is about 77 characters (26 · n^0.6): items keep coming until then.
    std::vector<std::string> items(40, "abcd");
    const std::string text = zephrun::stripText(items);
    EXPECT_EQ(text.rfind("abcd // ", 0), 0u);
    EXPECT_GE(text.size(), 77u);
    EXPECT_LE(text.size(), 77u + 8);
}
