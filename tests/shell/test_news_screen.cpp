// The news screen against the reference server: the rows and their rules, thumbnails, next
// pages, the detail panel, the leave-the-application question, the concerts tab.
#include "app_fixture.h"

#include <fstream>
#include <set>

#include "app/news/news_rows.h"
#include "app/news/news_view_controller.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view.h"
#include "platform/ui/table_view_cell.h"

using namespace apptest;
using zephrun::NewsViewController;
namespace news = zephrun::news;

namespace {

std::string escaped(const std::string& html) {
    std::string out;
    for (char c : html) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string item(const std::string& title, const std::string& html) {
    return "<new><title>" + title + "</title><date>2026-12-06</date><description>" + escaped(html) +
           "</description></new>\n";
}

void writeFeed(AppRun& r, const std::string& file, int total, int page, int pages,
               const std::string& items) {
    std::ofstream(fs::path(r.dir.path()) / "content/feeds" / file)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xmlpipe>\n<news total=\"" << total
        << "\" page=\"" << page << "\" nbpage=\"" << pages << "\">\n"
        << items << "</news>\n</xmlpipe>\n";
}

std::string words(size_t length) {
    std::string s;
    while (s.size() < length) s += s.size() % 10 == 9 ? ' ' : 'a';
    return s;
}

struct NewsRun {
    explicit NewsRun(const std::string& lang) : r({.lang = lang}) {}
    bool open() {
        if (!r.launch()) return false;
        r.answerAlert(0);
        r.app().showNews();
        r.advance(0.5);
        return r.app().myNewsView() != nullptr;
    }
    NewsViewController& screen() { return *r.app().myNewsView(); }
    ui::TableView& table() { return *screen().tableView(); }
    const auto& rows() { return screen().currentListCell(); }
    ui::TableViewCell& row(size_t i) { return *rows().at(i); }
    std::string text(size_t i, int tag) {
        auto* l = row(i).viewWithTagAs<ui::Label>(tag);
        return l ? l->text() : "<none>";
    }
    void tapRow(int i) {
        const auto path = ui::IndexPath::forRow(i, 0);
        table().scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Top, false);
        r.advance(0.05);
        ASSERT_NE(table().cellForRowAtIndexPath(path), nullptr);
        r.driver->tap(table().cellForRowAtIndexPath(path));
        r.advance(0.4);
    }
    // The views of row `i` that show `text`.
    std::vector<ui::View*> showing(size_t i, const std::string& text) {
        std::vector<ui::View*> found;
        std::function<void(ui::View&)> walk = [&](ui::View& v) {
            if (v.displayedText() == text) found.push_back(&v);
            for (const auto& sub : v.subviews()) walk(*sub);
        };
        walk(row(i));
        return found;
    }
    std::string lastAlert() { return r.alerts().empty() ? "" : alertMessage(r.alerts().back()); }
    AppRun r;
};

} // namespace

TEST(NewsRows, TagsFramesAndVideoLinks) {
    EXPECT_EQ(news::rowTag(false, true, 130), news::kTagPlain);
    EXPECT_EQ(news::rowTag(false, true, 131), news::kTagDetail);
    EXPECT_EQ(news::rowTag(false, false, 250), news::kTagPlain);
    EXPECT_EQ(news::rowTag(false, false, 251), news::kTagDetail);
    EXPECT_EQ(news::rowTag(true, false, 900), news::kTagLink);
    // Accented letters count once, as the platform counts them.
    EXPECT_EQ(news::textLength("é à"), 3u);
    EXPECT_EQ(news::textFrame(true, true), ui::Rect(83, 40, 228, 55));
    EXPECT_EQ(news::textFrame(false, false), ui::Rect(9, 40, 302, 75));
    EXPECT_EQ(news::linkFrame(true, true), ui::Rect(83, 40, 228, 75));
    EXPECT_EQ(news::linkFrame(false, false), ui::Rect(9, 100, 302, 14));
    EXPECT_TRUE(news::isVideoAddress("http://www.youtube.com/v/x"));
    EXPECT_FALSE(news::isVideoAddress("http://www.YouTube.com/v/x"));
}

TEST(NewsScreen, RowsThumbnailsNextPageDetailAndLeaveQuestion) {
    NewsRun n("fr");
    const std::string media = "@SERVER@media/news/";
    writeFeed(n.r, "105.xml", 9, 1, 2,
              item("Widget", "<p>jamais montré</p>") +
                  item("Avec image",
                       "<p>" + words(131) + "</p><img src=\"" + media + "news_02.jpg\" />") +
                  item("Sans image 131", "<p>" + words(131) + "</p>") +
                  item("Sans image 251", "<p>" + words(251) + "</p>") +
                  item("Vidéo", "<p>Le clip</p><a href=\"http://www.youtube.com/watch?v=z\">v</a>"
                                "<img src=\"" +
                                    media + "news_05.jpg\" />") +
                  item("Lien seul", "<a href=\" http://site.example/a\n b \"></a>") +
                  item("Image absente", "<p>court</p><img src=\"" + media + "absent.jpg\" />") +
                  item("Nom dangereux", "<p>court</p><img src=\"" + media + "..\" />"));
    writeFeed(n.r, "105-2.xml", 9, 2, 2, item("Page deux", "<p>suite</p>"));
    ASSERT_TRUE(n.r.launch());
    n.r.answerAlert(0);
    const std::string images = n.r.app().imageDirectory();
    auto listing = [](const fs::path& dir) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
        return names;
    };
    const auto aboveImages = listing(fs::path(images).parent_path());
    n.r.app().showNews();
    n.r.advance(0.5);

    ASSERT_EQ(n.rows().size(), 8u); // seven items, "Widget" skipped, and the next-page row
    EXPECT_EQ(n.text(0, news::kTagTitle), "Avec image");
    EXPECT_EQ(n.row(0).tag(), news::kTagDetail);
    ASSERT_NE(n.row(0).viewWithTag(news::kTagThumbnail), nullptr);
    EXPECT_TRUE(fs::exists(images + "/news_02.jpg"));
    EXPECT_EQ(n.row(1).tag(), news::kTagPlain);
    EXPECT_EQ(n.row(2).tag(), news::kTagDetail);
    // A video: its picture and words, whatever thumbnail the item has.
    EXPECT_EQ(n.row(3).tag(), news::kTagLink);
    EXPECT_EQ(n.r.driver->imageName(n.row(3).viewWithTag(news::kTagThumbnail)),
              "news-img-video.jpg");
    EXPECT_EQ(n.showing(3, "Cliques ici pour voir la vidéo").size(), 1u);
    // A link without text: its words take the text's place.
    EXPECT_EQ(n.row(4).tag(), news::kTagLink);
    auto link = n.showing(4, "Lien associé");
    ASSERT_EQ(link.size(), 1u);
    EXPECT_EQ(link[0]->frame(), ui::Rect(9, 40, 302, 75));
    // The service's 1 x 1 answer and a name that is no file: no picture, nothing stored.
    EXPECT_EQ(n.row(5).viewWithTag(news::kTagThumbnail), nullptr);
    EXPECT_EQ(n.row(6).viewWithTag(news::kTagThumbnail), nullptr);
    EXPECT_FALSE(fs::exists(images + "/absent.jpg"));
    EXPECT_EQ(listing(fs::path(images).parent_path()), aboveImages);

    // The next page, in the feed's language.
    EXPECT_EQ(n.row(7).tag(), news::kTagMoreNews);
    EXPECT_EQ(n.text(7, news::kTagMoreFrench), "Télécharger la suite : 8/9");
    n.tapRow(7);
    EXPECT_EQ(n.r.count("overlay", "Mise à jour des news"), 2);
    ASSERT_EQ(n.rows().size(), 8u);
    EXPECT_EQ(n.text(7, news::kTagTitle), "Page deux");

    // A long text opens the detail panel from the right; back closes it.
    n.tapRow(0);
    ui::View* panel = n.screen().viewDetail();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->frame().x(), 0);
    EXPECT_EQ(n.table().frame().x(), -320);
    EXPECT_TRUE(n.r.driver->isVisible(n.r.driver->findByText("Avec image")));
    n.r.driver->tap(n.r.driver->findByImageName("news-bt-back-fr.png"));
    n.r.advance(0.4);
    EXPECT_EQ(panel->frame().x(), 320);
    EXPECT_EQ(n.table().frame().x(), 0);

    // A link asks first; "Oui" opens it without its blanks. A plain row does nothing.
    n.tapRow(1);
    n.tapRow(4);
    EXPECT_EQ(n.r.alerts().back(), "Zephrun | Voulez-vous quitter l'application ? | Non, Oui");
    ASSERT_TRUE(n.r.answerAlert(1));
    EXPECT_EQ(n.r.log().linesOf("open"), std::vector<std::string>{"http://site.example/ab"});
}

TEST(NewsScreen, ConcertsTabLanguageAndFailedPage) {
    NewsRun n("fr");
    ASSERT_TRUE(n.open());
    n.r.driver->tap(ui::Point{260, 80});
    n.r.advance(0.3);
    EXPECT_EQ(n.screen().currentSelected(), 2);
    EXPECT_EQ(n.r.count("overlay", "Mise à jour des concerts"), 1);
    EXPECT_NE(n.r.driver->findByImageName("news-live-fr-on.png"), nullptr);
    ASSERT_EQ(n.rows().size(), 11u);
    EXPECT_EQ(n.row(0).tag(), news::kTagPlain);
    EXPECT_EQ(n.row(10).tag(), news::kTagMoreLive);
    EXPECT_EQ(n.showing(10, "Télécharger la suite : 10/14").size(), 1u);

    // The language switch rebuilds the concerts in English, without fetching them again.
    n.r.app().toggleLanguage();
    n.r.advance(0.3);
    EXPECT_EQ(n.screen().currentSelected(), 2);
    EXPECT_EQ(n.showing(10, "See more : 10/14").size(), 1u);
    EXPECT_NE(n.r.driver->findByImageName("news-actus-uk-off.png"), nullptr);
    EXPECT_EQ(n.r.count("overlay", "Updating \"Concerts\""), 0);

    // With the server gone the page fails: its alert, and the rows as they were.
    n.r.app().toggleLanguage();
    n.r.server->stop();
    n.tapRow(10);
    EXPECT_EQ(n.lastAlert(),
              "Une erreur est survenue lors de la mise à jour des dates de Concerts");
    EXPECT_EQ(n.rows().size(), 11u);
}

TEST(NewsScreen, EmptyFeedAlertsAndHasNoNextPageRow) {
    NewsRun n("en");
    writeFeed(n.r, "104.xml", 0, 1, 1, "");
    ASSERT_TRUE(n.open());
    EXPECT_EQ(n.lastAlert(), "No news currently");
    EXPECT_TRUE(n.rows().empty());
}
