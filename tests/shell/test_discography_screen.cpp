// The discography screen: its rules, the cover strip, the track rows and the kind menu.
#include "app_fixture.h"

#include "app/discography/discographie_track_cell.h"
#include "app/discography/discographie_view_controller.h"
#include "feeds/disque_description.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/page_control.h"
#include "platform/ui/scroll_view.h"

using namespace apptest;
using zephrun::DiscographieTrackCell;
using zephrun::DiscographieViewController;

namespace {

DiscographieViewController& openDiscography(AppRun& r) {
    r.app().showDiscographie();
    r.advance(0.5);
    return *r.app().myDiscoView();
}

float coverWidth(DiscographieViewController& d, int k) {
    return d.cover(k)->frame().width();
}

// A finger that drags the strip by `dx`, ends with a nudge of 4 points the same way (below the
// zoom's step, so the strip still knows which way it went) and stays still before it lifts.
void dragStrip(AppRun& r, float dx) {
    const ui::Point from{160, 127};
    r.driver->touchDown(0, from);
    for (int i = 1; i <= 10; ++i) {
        r.advance(0.03);
        r.driver->touchMove(0, {from.x + dx * static_cast<float>(i) / 10, from.y});
    }
    const ui::Point end{from.x + dx + (dx < 0 ? -4.0f : 4.0f), from.y};
    r.advance(0.03);
    r.driver->touchMove(0, end);
    r.advance(0.15);
    r.driver->touchUp(0, end);
    ui::ScrollView& strip = *r.app().myDiscoView()->coverStrip();
    r.advanceUntil([&] { return !strip.isDecelerating() && !strip.isScrollAnimating(); }, 3);
}

} // namespace

TEST(DiscographyRules, SnapDurationsMenuWidthsAndBareTracks) {
    // Moving back settles on the cover at or behind; moving on, a release just past a cover
    // keeps it, past three quarters of a page reaches the next; the ends hold.
    EXPECT_EQ(DiscographieViewController::snapIndex(130, 140, 8), 1);
    EXPECT_EQ(DiscographieViewController::snapIndex(235, 236, 8), 1);
    EXPECT_EQ(DiscographieViewController::snapIndex(250, 240, 8), 2);
    EXPECT_EQ(DiscographieViewController::snapIndex(300, 290, 8), 2);
    EXPECT_EQ(DiscographieViewController::snapIndex(215, 200, 8), 2);
    EXPECT_EQ(DiscographieViewController::snapIndex(840, 835, 8), 7);
    EXPECT_EQ(DiscographieViewController::snapIndex(900, 890, 8), 7);
    EXPECT_EQ(DiscographieViewController::snapIndex(0, 10, 8), 0);
    EXPECT_EQ(DiscographieViewController::snapIndex(0, 0, 0), 0);
    EXPECT_FLOAT_EQ(DiscographieViewController::coverSide(60, 1), 100);

    // 26 · n^0.6 over the characters less one, not the bytes; at most the title's 165.
    EXPECT_FLOAT_EQ(DiscographieTrackCell::durationX("01.Azur"), 70 + 76);
    EXPECT_FLOAT_EQ(DiscographieTrackCell::durationX("05.Dix Nœuds - Zephrun"), 70 + 161);
    EXPECT_FLOAT_EQ(DiscographieTrackCell::durationX("01.Ciel de Verre - Zephrun"), 70 + 165);

    EXPECT_EQ(DiscographieViewController::menuButtonFrame(0, "Albums"),
              ui::Rect(20.5f, 25, 76, 35));
    EXPECT_EQ(DiscographieViewController::menuButtonFrame(1, "EP"), ui::Rect(138.5f, 25, 39, 35));
    EXPECT_EQ(DiscographieViewController::menuButtonFrame(2, "Compils"), ui::Rect(216, 25, 83, 35));

    // A track without preview nor duration: no preview button or spinner, a wider title.
    zephrun::TrackDescription bare{"Inédit", "", "http://127.0.0.1/store", ""};
    DiscographieTrackCell row(bare, 0, false, ui::Color::white(), {}, {});
    EXPECT_EQ(row.preview(), DiscographieTrackCell::Preview::None);
    EXPECT_EQ(row.indicator(), nullptr);
    EXPECT_EQ(row.durationLabel(), nullptr);
    EXPECT_NE(row.storeButton(), nullptr);
    EXPECT_FLOAT_EQ(row.titleLabel().frame().width(), 205);
}

TEST(DiscographyScreen, AlbumsWithTrackRowsAndTheKindMenuOnTheWindow) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    DiscographieViewController& d = openDiscography(r);
    EXPECT_EQ(r.count("overlay", "Chargement de l'album"), 1);
    EXPECT_EQ(d.currentTypeDisque(), 1);
    ASSERT_NE(d.cover(2), nullptr);
    EXPECT_EQ(d.coverStrip()->contentSize().width, 560);
    EXPECT_EQ(d.cover(0)->frame(), ui::Rect(0, 0, 120, 120));
    EXPECT_EQ(d.cover(1)->frame(), ui::Rect(20, 20, 80, 80));
    EXPECT_EQ(d.myPageControl()->numberOfPages(), 3);

    // "Grand Large": ten tracks and the blank row; the duration follows the title's characters.
    ASSERT_EQ(d.rowCount(), 11);
    EXPECT_EQ(d.trackRow(8)->titleLabel().text(), "09.Horizon - Zephrun");
    EXPECT_EQ(d.trackRow(9)->titleLabel().text(), "10.Retour au Port - Zephrun");
    EXPECT_EQ(d.trackRow(10), nullptr);
    EXPECT_FLOAT_EQ(d.trackRow(4)->durationLabel()->frame().x(), 231);

    // The menu lies on the window over the bottom bar; the albums button is the selected one.
    ui::View* menu = d.myMenuBottom();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->superview(), &r.host->window());
    EXPECT_TRUE(menu->isVisibleInWindow());
    ASSERT_EQ(d.myButtonsBottom().size(), 3u);
    EXPECT_TRUE(d.myButtonsBottom()[0]->backgroundImageForState(ui::ControlState::Normal));
    EXPECT_EQ(d.myButtonsBottom()[1]->currentTitle(), "Maxis");

    // Maxis; the button of the kind on screen does nothing.
    r.driver->tap(d.myButtonsBottom()[1].get());
    r.advance(0.5);
    EXPECT_EQ(d.currentTypeDisque(), 2);
    EXPECT_FALSE(d.myButtonsBottom()[0]->backgroundImageForState(ui::ControlState::Normal));
    r.driver->tap(d.myButtonsBottom()[1].get());
    r.advance(0.5);
    EXPECT_EQ(r.count("overlay", "Chargement de l'album"), 2);
    // "Nuit Blanche": the blank row after its four tracks does nothing.
    ASSERT_EQ(d.rowCount(), 5);
    r.driver->tap(ui::Point{160, 386});
    r.advance(0.5);
    EXPECT_TRUE(r.log().linesOf("preview").empty());

    // A language change while shown renames the middle button; while hidden it keeps its title.
    r.app().toggleLanguage();
    EXPECT_EQ(d.myButtonsBottom()[1]->currentTitle(), "EP");
    r.app().clicOnLogo();
    r.advance(0.5);
    EXPECT_FALSE(d.myMenuBottom()->isVisibleInWindow());
    r.app().toggleLanguage();
    EXPECT_EQ(d.myButtonsBottom()[1]->currentTitle(), "EP");
}

TEST(DiscographyStrip, ZoomAndSnapAtTheEdgesAndTapZones) {
    AppRun r({.lang = "en"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    DiscographieViewController& d = openDiscography(r);
    ui::ScrollView& strip = *d.coverStrip();

    // Moves of 4 points are below the zoom's step; one of 60 shrinks one cover and grows the
    // next to 100 each.
    strip.setContentOffset({4, 0});
    EXPECT_FLOAT_EQ(coverWidth(d, 0), 120);
    strip.setContentOffset({60, 0});
    EXPECT_FLOAT_EQ(coverWidth(d, 0), 100);
    EXPECT_FLOAT_EQ(coverWidth(d, 1), 100);
    EXPECT_EQ(d.cover(1)->frame().origin, (ui::Point{10, 10}));
    EXPECT_EQ(d.myPageControl()->currentPage(), 1);
    // On to the last cover and 30 points past it: only the covers around the offset change.
    for (float x = 70; x <= 270; x += 10) strip.setContentOffset({x, 0});
    EXPECT_FLOAT_EQ(coverWidth(d, 2), 110);
    EXPECT_NEAR(coverWidth(d, 1), 120 - 110.0f / 3, 1e-4);
    EXPECT_EQ(d.myPageControl()->currentPage(), 2);
    strip.setContentOffset({240, 0});
    EXPECT_FLOAT_EQ(coverWidth(d, 2), 120);
    for (float x = 230; x >= -30; x -= 10) strip.setContentOffset({x, 0});
    EXPECT_FLOAT_EQ(coverWidth(d, 0), 120);
    EXPECT_EQ(d.myPageControl()->currentPage(), 0);
    strip.setContentOffset({0, 0});

    // A drag that passes a cover by a little keeps it (144: 24 past the second cover); past the
    // last one it bounces back to it; back by 64 it settles on the cover behind; past the first
    // one it comes back to the first.
    dragStrip(r, -140);
    EXPECT_EQ(d.currentDisque(), 1);
    EXPECT_EQ(strip.contentOffset().x, 120);
    EXPECT_EQ(d.trackRow(0)->titleLabel().text(), "01.Lignes de Fuite - Zephrun");
    dragStrip(r, -220);
    EXPECT_EQ(d.currentDisque(), 2);
    EXPECT_EQ(strip.contentOffset().x, 240);
    EXPECT_EQ(d.myPageControl()->currentPage(), 2);
    dragStrip(r, 60);
    EXPECT_EQ(d.currentDisque(), 1);
    dragStrip(r, 300);
    EXPECT_EQ(d.currentDisque(), 0);
    EXPECT_EQ(strip.contentOffset().x, 0);

    // The tap zones move a cover at a time and stop at the ends.
    r.driver->tap(ui::Point{10, 127});
    r.advance(0.5);
    EXPECT_EQ(strip.contentOffset().x, 0);
    for (int i = 0; i < 3; ++i) {
        r.driver->tap(ui::Point{310, 127});
        r.advance(0.5);
    }
    EXPECT_EQ(strip.contentOffset().x, 240);
    EXPECT_EQ(d.currentDisque(), 2);
    EXPECT_EQ(d.trackRow(0)->titleLabel().text(), "01.Ciel de Verre - Zephrun");
    // Two taps in quick succession still end centred on a cover.
    r.driver->tap(ui::Point{10, 127});
    r.advance(0.1);
    r.driver->tap(ui::Point{10, 127});
    r.advance(0.6);
    EXPECT_EQ(std::fmod(strip.contentOffset().x, 120.0f), 0);
    EXPECT_EQ(d.currentDisque(), static_cast<int>(strip.contentOffset().x / 120));
}
