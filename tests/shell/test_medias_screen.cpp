// The medias screen against the reference server: video rows with their thumbnails, the
// next-page row, the language switch and the video page on selection.
#include "app_fixture.h"

#include "app/medias/medias_view_controller.h"
#include "app/medias/video_view.h"
#include "app/video/dailymotion_vc.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view.h"
#include "platform/ui/table_view_cell.h"

using namespace apptest;
using zephrun::VideoView;

namespace {

std::vector<std::string> textsOf(ui::View& row) {
    std::vector<std::string> out;
    for (const auto& v : row.subviews())
        for (const auto& sub : v->subviews())
            if (auto* l = dynamic_cast<ui::Label*>(sub.get()); l && !l->isHidden())
                out.push_back(l->text());
    return out;
}

// Every label text of a row, hidden ones included.
std::vector<std::string> allTexts(ui::View& v) {
    std::vector<std::string> out;
    if (auto* l = dynamic_cast<ui::Label*>(&v)) out.push_back(l->text());
    for (const auto& sub : v.subviews())
        for (auto& t : allTexts(*sub)) out.push_back(t);
    return out;
}

void tapRow(AppRun& r, ui::TableView& table, int row) {
    const auto path = ui::IndexPath::forRow(row, 0);
    table.scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Top, false);
    r.advance(0.05);
    ASSERT_NE(table.cellForRowAtIndexPath(path), nullptr);
    r.driver->tap(table.cellForRowAtIndexPath(path));
    r.advance(0.6);
}

} // namespace

TEST(MediasRows, RatingIsShownWithOneDecimal) {
    EXPECT_EQ(VideoView::ratingText(true, "4"), "Note : 4.0 / 5");
    EXPECT_EQ(VideoView::ratingText(false, "3.456"), "Rating : 3.5 / 5");
    EXPECT_EQ(VideoView::ratingText(false, " 2,75"), "Rating : 2.0 / 5");
    EXPECT_EQ(VideoView::ratingText(true, "n/a"), "Note : 0.0 / 5");
}

TEST(MediasScreen, VideoRowsNextPageLanguageAndVideoPage) {
    AppRun r({.lang = "fr"});
    ASSERT_TRUE(r.launch());
    r.answerAlert(0);
    r.app().showMedias();
    r.advance(0.5);
    ASSERT_NE(r.app().myMediasView(), nullptr);
    VideoView& list = *r.app().myMediasView()->myListVideos();

    ASSERT_EQ(list.listCells().size(), 9u); // a page of 8 and the next-page row
    ui::TableViewCell& first = *list.listCells()[0];
    EXPECT_EQ(first.tag(), VideoView::kTagVideo);
    EXPECT_EQ(textsOf(first), (std::vector<std::string>{"Grand Large (clip)", "Vues : 1337",
                                                        "Note : 4.0 / 5", "Durée : 2:36"}));
    bool thumbnail = false;
    for (auto* v : r.driver->findAllOfType<ui::ImageView>())
        thumbnail |= v->isDescendantOf(&first) && v->frame() == ui::Rect(2, 5, 120, 90) &&
                     v->image().pixelWidth() == 120 && v->image().pixelHeight() == 90;
    EXPECT_TRUE(thumbnail);
    // Kept under the name of its directory and file.
    EXPECT_TRUE(fs::exists(r.app().imageDirectory() + "/videos_clip_01.jpg"));
    EXPECT_EQ(list.listCells()[8]->tag(), VideoView::kTagMore);
    EXPECT_EQ(allTexts(*list.listCells()[8]),
              std::vector<std::string>{"Télécharger la suite : 8/24"});

    tapRow(r, list.table(), 8);
    EXPECT_EQ(r.count("overlay", "Mise à jour des vidéos"), 2);
    ASSERT_EQ(list.listCells().size(), 17u);
    r.app().toggleLanguage();
    r.advance(0.1);
    EXPECT_EQ(allTexts(*list.listCells()[16]), std::vector<std::string>{"See more : 16/24"});
    EXPECT_NE(r.driver->findByImageName("medias-videos-uk-on.png"), nullptr);

    // A video opens in the video page, and is counted.
    tapRow(r, list.table(), 0);
    ASSERT_NE(r.app().myDaily(), nullptr);
    const std::string address = "http://www.dailymotion.com/video/xzr701_zephrun-grand_large_clip";
    EXPECT_EQ(list.currentLinkForReading(), address);
    EXPECT_EQ(r.app().myDaily()->view().frame().y(), 0);
    EXPECT_EQ(r.count("video", address), 1);
    EXPECT_EQ(r.count("event", std::to_string(r.app().configInteger("id_event_medias_video")) +
                                   " " + address),
              1);
}
