// The radio-show list: rows sized to their text, loaded until a load succeeds, then kept.
#include "community_support.h"

#include <atomic>

#include "app/community/show_live_view_2010.h"
#include "platform/atomic_file.h"
#include "platform/ui/label.h"

using namespace apptest;
using zephrun::ShowLiveCell2010;
using zephrun::ShowLiveSection2010;

namespace {

int labelsIn(const ui::View& v) {
    int n = dynamic_cast<const ui::Label*>(&v) != nullptr;
    for (const auto& s : v.subviews()) n += labelsIn(*s);
    return n;
}

std::string firstLabelText(const ui::View& v) {
    if (auto* l = dynamic_cast<const ui::Label*>(&v)) return l->text();
    for (const auto& s : v.subviews())
        if (auto t = firstLabelText(*s); !t.empty()) return t;
    return {};
}

} // namespace

TEST(ShowLiveRows, HeightFollowsTheTextUpToAHundredPoints) {
    ui::FixedFontMetrics metrics;
    const float line = metrics.lineHeight(ui::Font::named("Trebuchet MS", 14));
    EXPECT_FLOAT_EQ(ShowLiveCell2010::heightForText("Invité : Lou Ardent", metrics), line + 15);
    std::string longText;
    for (int i = 0; i < 200; ++i) longText += "parole ";
    EXPECT_FLOAT_EQ(ShowLiveCell2010::heightForText(longText, metrics), 115);

    ShowLiveCell2010 entity("Rock &amp; folk", metrics);
    EXPECT_FLOAT_EQ(entity.getHeight(), line + 15);
    EXPECT_EQ(firstLabelText(entity), "Rock & folk");
    ShowLiveCell2010 empty("", metrics);
    EXPECT_EQ(labelsIn(empty), 0);

    // A show without title or content: the header picture only, no rows.
    ShowLiveSection2010 bare(std::make_shared<zephrun::ShowLiveItem>(), ui::Color::white(),
                             metrics);
    EXPECT_EQ(bare.getNbCells(), 0);
    EXPECT_EQ(labelsIn(bare), 0);
    auto show = std::make_shared<zephrun::ShowLiveItem>();
    show->title = "Live #1";
    show->contenu = {"Rock &amp; folk", "Invité"};
    ShowLiveSection2010 full(show, ui::Color::white(), metrics);
    ASSERT_EQ(full.getNbCells(), 2);
    EXPECT_EQ(labelsIn(full), 1);
    EXPECT_NE(labelsIn(*full.getCell(0)), 0);
}

TEST(ShowLiveList, LoadsAgainAfterAFailureThenOncePerRun) {
    std::atomic<int> fetches{0};
    const auto page = zplatform::readWholeFile(kRoot / "resources/server/feeds/121.xml");
    ASSERT_TRUE(page);
    const std::string document = page->substr(page->find("<xml>"));
    AppRun r({.serverSetup = [&](zserver::ContentServer& s) {
        s.setWebRequest(121, [&](const zserver::Action&) {
            return ++fetches == 1 ? zserver::WebRequestAnswer{} : zserver::elementAnswer(document);
        });
    }});
    zephrun::CommunityViewController& hub = openCommunity(r, true);
    auto open = [&] {
        hub.showShowLive();
        r.advance(0.5);
    };
    auto close = [&] {
        r.answerAlert(0);
        hub.hideShowLive();
        r.advance(0.4);
    };
    open();
    zephrun::ShowLiveView2010& view = *hub.viewShowLive2010();
    EXPECT_EQ(lastAlert(r), "Une erreur est survenue lors de la mise à jour des show live");
    EXPECT_FALSE(view.isRefresh());
    EXPECT_FALSE(view.sections().empty()); // the shipped copy
    close();

    open();
    EXPECT_EQ(fetches, 2);
    EXPECT_TRUE(view.isRefresh());
    ui::TableView& table = view.table();
    ASSERT_EQ(table.numberOfSections(), static_cast<int>(view.sections().size()));
    const ShowLiveSection2010& first = *view.sections()[0];
    ASSERT_GT(first.getNbCells(), 0);
    EXPECT_EQ(table.rectForHeaderInSection(0).height(), 30);
    EXPECT_FLOAT_EQ(table.rectForRowAtIndexPath({0, 0}).height(), first.getHeightCell(0));
    EXPECT_FLOAT_EQ(first.getHeightCell(0),
                    ShowLiveCell2010::heightForText(first.show().contenu[0], view.fontMetrics()));
    close();

    open();
    EXPECT_EQ(fetches, 2);
    EXPECT_EQ(r.count("overlay", "Mise à jour des show live"), 2);
}
