// The tour map's concert bubble against the reference server: the concert, the photo strip
// filled by its worker thread (also when the bubble is closed and opened again meanwhile), more
// photos, the photo viewer with its comment, and the coming concert added to the calendar.
#include "tour_tracker_support.h"

#include "app/community/tour_tracker/album_strip_loader.h"
#include "app/community/tour_tracker/concert_calendar.h"
#include "app/community/tour_tracker/tour_annotations.h"
#include "feeds/album_photo.h"
#include "feeds/feed_delegate.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/system_services.h"

using namespace apptest;
using zephrun::TourTrackerView;

namespace {

std::shared_ptr<ui::Annotation> pinOf(TourTrackerView& tour, const std::string& id) {
    for (const auto& a : tour.myListAnnotationEvents())
        if (static_cast<zephrun::ConcertsMapAnnotation&>(*a).concert().cID == id) return a;
    return nullptr;
}

ui::ScrollView* strip(TourTrackerView& tour) {
    return tour.viewDetail() ? tour.viewDetail()->viewWithTagAs<ui::ScrollView>(78) : nullptr;
}

std::vector<ui::Button*> stripButtons(TourTrackerView& tour, int tag) {
    std::vector<ui::Button*> out;
    if (ui::ScrollView* s = strip(tour))
        for (const auto& v : s->subviews())
            if (auto* b = dynamic_cast<ui::Button*>(v.get()); b && b->tag() == tag)
                out.push_back(b);
    return out;
}

// Opens the concert's bubble as a tap on its pin does and waits for its strip.
bool openBubble(TourRun& t, const std::string& id, std::size_t thumbnails) {
    auto pin = pinOf(*t.tour, id);
    if (!pin) return false;
    t.tour->myMap().selectAnnotation(pin, true);
    return t.run.advanceUntil([&] { return stripButtons(*t.tour, 2).size() == thumbnails; }, 10);
}

bool showsText(TourRun& t, const std::string& text) {
    ui::View* v = t.run.driver->findByText(text);
    return v && t.run.driver->isVisible(v);
}

} // namespace

TEST(TourTrackerBubble, ConcertTextsStripArrowsAndMorePhotos) {
    TourRun t;
    // Four photos for 1010; a concert id that climbs out of the picture directory for 1006.
    editContent(t.run, "photos.xml", "concert=\"1014\"", "concert=\"1010\"");
    editContent(t.run, "photos.xml", "concert=\"1006\"", "concert=\"../../1006\"");
    editContent(t.run, "feeds/113.xml", "<concert id=\"1006\"", "<concert id=\"../../1006\"");
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    const std::size_t alerts = t.run.alerts().size();
    const fs::path pictures = t.run.app().imageDirectory();

    ASSERT_TRUE(openBubble(t, "1010", 4));
    EXPECT_FALSE(tour.myMap().isScrollEnabled());
    EXPECT_TRUE(tour.myAlbumArrowRight()->isHidden()) << "4 photos fill the strip exactly";
    EXPECT_TRUE(stripButtons(tour, 1).empty());
    EXPECT_TRUE(fs::exists(pictures / "1010_1010_01.jpg"));

    ASSERT_TRUE(openBubble(t, "../../1006", 5));
    EXPECT_FALSE(tour.myAlbumArrowRight()->isHidden());
    EXPECT_TRUE(tour.myAlbumArrowLeft()->isHidden());
    // Shown, but kept nowhere: the name would leave the picture directory.
    EXPECT_FALSE(fs::exists(pictures / "../../1006_1006_01.jpg"));
    // Dragged to its end, the strip shows only the left arrow.
    const ui::Rect s = t.run.driver->frameInWindow(strip(tour));
    t.run.driver->drag({s.maxX() - 5, s.midY()}, {s.minX() + 5, s.midY()}, 0.3);
    t.run.advance(1.5);
    EXPECT_TRUE(tour.myAlbumArrowRight()->isHidden());
    EXPECT_FALSE(tour.myAlbumArrowLeft()->isHidden());

    // 1002: texts of the bubble, a page of six photos and the "+" that brings the seventh.
    ASSERT_TRUE(openBubble(t, "1002", 6));
    const auto concert =
        static_cast<zephrun::ConcertsMapAnnotation&>(*pinOf(tour, "1002")).concert();
    const auto [first, second] = TourTrackerView::splitTitle(concert.cTitle);
    EXPECT_TRUE(showsText(t, concert.cDate));
    EXPECT_TRUE(showsText(t, first));
    EXPECT_TRUE(showsText(t, second));
    EXPECT_TRUE(showsText(t, concert.cAdresse));
    EXPECT_EQ(t.run.driver->findByText("+ Agenda"), nullptr)
        << "past concerts stay off the calendar";
    auto more = stripButtons(tour, 1);
    ASSERT_EQ(more.size(), 1u);
    EXPECT_FLOAT_EQ(more[0]->frame().x(), 6 * 63);
    strip(tour)->setContentOffset({strip(tour)->contentSize().width - 252, 0});
    t.run.driver->tap(more[0]);
    ASSERT_TRUE(t.run.advanceUntil([&] { return stripButtons(tour, 2).size() == 7; }, 10));
    EXPECT_TRUE(stripButtons(tour, 1).empty());

    t.run.driver->tap(t.run.driver->findByImageName("tourtracker-evenement-close.png"));
    EXPECT_EQ(tour.viewDetail(), nullptr);
    EXPECT_TRUE(tour.myMap().isScrollEnabled());
    EXPECT_FALSE(tour.currentCAV()->isAppear());
    EXPECT_EQ(t.run.alerts().size(), alerts);
}

TEST(TourTrackerBubble, ClosedAndReopenedWhileItsAlbumLoadsKeepsOneLoader) {
    TourRun t;
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    auto pin = pinOf(tour, "1003");
    ASSERT_NE(pin, nullptr);
    zephrun::AlbumStripLoader* loader = nullptr;
    {
        // The album's request waits for the lock while the bubble closes and opens again.
        zephrun::RequestLock lock(t.run.app());
        tour.myMap().selectAnnotation(pin, false);
        loader = tour.albumLoader("1003");
        ASSERT_NE(loader, nullptr);
        tour.hideDetailConcert();
        tour.myMap().selectAnnotation(pin, false);
        EXPECT_EQ(tour.albumLoader("1003"), loader);
    }
    ASSERT_TRUE(t.run.advanceUntil([&] { return stripButtons(tour, 1).size() == 1; }, 10));
    t.run.advance(0.3);
    EXPECT_EQ(loader->threadsStarted(), 1);
    EXPECT_EQ(t.requests("WEBREQUEST 115"), 1);
    EXPECT_EQ(stripButtons(tour, 2).size(), 6u) << "each thumbnail once, in the bubble shown";

    // Closed for good while the strip refills: the loader stops, the view goes away cleanly.
    tour.hideDetailConcert();
    tour.myMap().selectAnnotation(pin, false);
    tour.hideDetailConcert();
    t.run.advanceUntil([&] { return !loader->isRunning(); }, 10);
    EXPECT_FALSE(loader->isRunning());
    EXPECT_EQ(tour.viewDetail(), nullptr);
}

TEST(TourTrackerBubble, PhotoViewerWithAuthorAndComment) {
    TourRun t({.lang = "en"});
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    ASSERT_TRUE(openBubble(t, "1002", 6));
    t.run.driver->tap(stripButtons(tour, 2)[0]);
    t.run.advance(0.4);
    ui::View* viewer = tour.myViewBigImage();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FLOAT_EQ(viewer->frame().x(), 0);
    EXPECT_TRUE(showsText(t, "By maxbzh"));
    EXPECT_TRUE(fs::exists(fs::path(t.run.app().imageDirectory()) / "b_1002_01.jpg"));
    ui::View* photo = viewer->viewWithTag(2);
    ASSERT_NE(photo, nullptr);
    const ui::Size size = photo->frame().size;
    EXPECT_EQ(photo->frame().origin.x, TourTrackerView::bigPhotoOrigin(size).x);
    EXPECT_EQ(photo->frame().origin.y, TourTrackerView::bigPhotoOrigin(size).y);

    t.run.driver->tap(t.run.driver->findByImageName("photos-bt-comments.png"));
    ASSERT_NE(tour.myViewBigImageCommentaire(), nullptr);
    EXPECT_TRUE(showsText(t, "Le rappel était magique"));
    const auto layout = TourTrackerView::commentLayout("Le rappel était magique");
    EXPECT_EQ(layout.lines, 2); // 23 characters: w = 170
    t.run.driver->tap(ui::Point{160, 62 + layout.bubble.midY()});
    EXPECT_EQ(tour.myViewBigImageCommentaire(), nullptr);

    t.run.driver->tap(photo);
    t.run.advance(0.4);
    EXPECT_EQ(tour.myViewBigImage(), nullptr);

    // A photo without a comment has no comment button; one the server lacks is an error.
    tour.wantBigPhoto(*stripButtons(tour, 2)[4]);
    t.run.advance(0.4);
    ASSERT_NE(tour.myViewBigImage(), nullptr);
    EXPECT_EQ(t.run.driver->findByImageName("photos-bt-comments.png"), nullptr);
    ui::Button missing;
    missing.setTag(2);
    missing.setTitle(" " + t.run.server->baseURL() + "media/photos/none.jpg\n");
    tour.wantBigPhoto(missing);
    t.run.advance(0.2);
    EXPECT_EQ(t.lastAlert(), "An error has occurred! Unable to update. Please try again");
    EXPECT_EQ(tour.myViewBigImage(), nullptr);
}

TEST(TourTrackerCalendar, IcsLinesAreEscapedAndFolded) {
    EXPECT_EQ(zephrun::icsEscape("a,b;c\\d\ne\r\nf\x01"), "a\\,b\\;c\\\\d\\ne\\nf");
    // 120 "é" (240 octets): folded without cutting a character, unfolding gives it back.
    std::string line = "SUMMARY:";
    for (int i = 0; i < 120; ++i) line += "é";
    const std::string folded = zephrun::icsFold(line);
    std::string unfolded;
    std::size_t start = 0;
    while (start < folded.size()) {
        const std::size_t end = folded.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string part = folded.substr(start, end - start);
        EXPECT_LE(part.size(), 75u);
        ASSERT_FALSE(part.empty());
        EXPECT_NE(static_cast<unsigned char>(part[start == 0 ? 0 : 1]) & 0xC0, 0x80);
        if (start != 0) {
            EXPECT_EQ(part[0], ' ');
        }
        unfolded += start == 0 ? part : part.substr(1);
        start = end + 2;
    }
    EXPECT_EQ(unfolded, line);

    EXPECT_TRUE(zephrun::concertDay("12/12/2026"));
    EXPECT_TRUE(zephrun::concertDay("2028-02-29"));
    EXPECT_FALSE(zephrun::concertDay("29/02/2027"));
    EXPECT_FALSE(zephrun::concertDay("Demain"));
    EXPECT_EQ(zephrun::concertCalendarPath("/d", "../x/y"), "/d/Zephrun-___x_y.ics");
}

TEST(TourTrackerCalendar, AComingConcertGoesToTheCalendar) {
    TourRun t;
    ASSERT_TRUE(t.open());
    TourTrackerView& tour = *t.tour;
    ASSERT_TRUE(openBubble(t, "2001", 0));
    ui::View* add = t.run.driver->findByText("+ Agenda");
    ASSERT_NE(add, nullptr);
    t.run.driver->tap(add);
    const fs::path file =
        fs::absolute(fs::path(t.run.app().environment().documentsDirectory) / "Zephrun-2001.ics");
    ASSERT_TRUE(fs::exists(file));
    const std::string ics = readText(file);
    for (const char* line :
         {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", "BEGIN:VEVENT\r\n", "UID:concert-2001@zephrun\r\n",
          "DTSTART;VALUE=DATE:20261212\r\n", "SUMMARY:La Laiterie - Zephrun & invités\r\n",
          "LOCATION:La Laiterie\\, 13 rue du Hohwald\\, 67000 Strasbourg\r\n",
          "GEO:48.5749;7.7385\r\n", "END:VEVENT\r\nEND:VCALENDAR\r\n"})
        EXPECT_NE(ics.find(line), std::string::npos) << line;
    EXPECT_NE(ics.find("\r\nDTSTAMP:"), std::string::npos);
    const auto& opened = t.run.app().window().services().openedURLs();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), ui::SystemServices::fileURL(file.string()));
    // Only files the application wrote, by their absolute path.
    EXPECT_FALSE(t.run.app().window().services().openFile("Zephrun-2001.ics"));
    EXPECT_FALSE(t.run.app().window().services().openFile("/nonexistent/x.ics"));
    EXPECT_FALSE(t.run.app().window().services().openURL("file://" + file.string()));
    (void)tour;
}
