// Table view: row and header layout, visible rows only, reuse, selection by touch after
// scrolling, highlight versus scroll, animated deselection, reloads with changed counts.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/label.h"
#include "platform/ui/table_view.h"
#include "platform/ui/test_driver.h"

namespace {

using ui::IndexPath;
using ui::Rect;
using ui::TableView;
using ui::TableViewCell;

// Sections of given row counts; cells are new, prepared or dequeued by identifier.
struct Source : ui::TableViewDataSource, ui::TableViewDelegate {
    std::vector<int> rows{100};
    std::function<std::optional<float>(const IndexPath&)> height;
    std::map<int, float> headerHeights;
    std::map<int, std::shared_ptr<ui::View>> headerViews;
    std::map<int, std::string> titles;
    std::string reuseId;
    int created = 0;
    int asked = 0;
    std::vector<IndexPath> selections;
    std::vector<IndexPath> displayed;
    std::function<void(TableView&, const IndexPath&)> onSelect;

    int numberOfSections(TableView&) override { return int(rows.size()); }
    int numberOfRowsInSection(TableView&, int s) override { return rows[size_t(s)]; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& t,
                                                         const IndexPath& p) override {
        ++asked;
        std::shared_ptr<TableViewCell> cell;
        if (!reuseId.empty()) cell = t.dequeueReusableCellWithIdentifier(reuseId);
        if (!cell) {
            cell = std::make_shared<TableViewCell>(ui::TableViewCellStyle::Default, reuseId);
            ++created;
        }
        cell->textLabel().setText("row " + std::to_string(p.section) + "." + std::to_string(p.row));
        return cell;
    }
    std::optional<std::string> titleForHeaderInSection(TableView&, int s) override {
        if (auto it = titles.find(s); it != titles.end()) return it->second;
        return std::nullopt;
    }
    std::optional<float> heightForRowAtIndexPath(TableView&, const IndexPath& p) override {
        return height ? height(p) : std::nullopt;
    }
    std::shared_ptr<ui::View> viewForHeaderInSection(TableView&, int s) override {
        auto it = headerViews.find(s);
        return it == headerViews.end() ? nullptr : it->second;
    }
    std::optional<float> heightForHeaderInSection(TableView&, int s) override {
        if (auto it = headerHeights.find(s); it != headerHeights.end()) return it->second;
        return std::nullopt;
    }
    void didSelectRowAtIndexPath(TableView& t, const IndexPath& p) override {
        selections.push_back(p);
        if (onSelect) onSelect(t, p);
    }
    void willDisplayCell(TableView&, TableViewCell&, const IndexPath& p) override {
        displayed.push_back(p);
    }
};

class TableViewTest : public ::testing::Test {
  protected:
    void make(ui::TableViewStyle style = ui::TableViewStyle::Plain) {
        table = std::make_shared<TableView>(Rect{0, 0, 320, 440}, style);
        table->setDataSource(&source);
        table->setDelegate(&source);
        driver.window().addSubview(table);
        table->reloadData();
    }
    std::string text(const TableViewCell* cell) {
        return cell && cell->hasTextLabel() ? const_cast<TableViewCell*>(cell)->textLabel().text()
                                            : std::string();
    }
    // A drag that rests before lifting, so the table stops where the finger left it.
    void scrollBy(float dy) {
        driver.touchDown(0, {160, 400});
        driver.advance(0.05);
        driver.touchMove(0, {160, 400 - dy / 2});
        driver.advance(0.05);
        driver.touchMove(0, {160, 400 - dy});
        driver.advance(0.3);
        driver.touchUp(0, {160, 400 - dy});
        driver.advance(1);
    }
    ui::TestDriver driver;
    Source source;
    std::shared_ptr<TableView> table;
};

TEST_F(TableViewTest, RowsLayOutWithTheFixedOrPerRowHeights) {
    make();
    EXPECT_EQ(table->contentSize().height, 100 * 44);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 3}), (Rect{0, 132, 320, 44}));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 131.5f}), (IndexPath{0, 2}));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 132}), (IndexPath{0, 3}));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 4400}), std::nullopt);

    table->setRowHeight(125);
    EXPECT_EQ(table->contentSize().height, 100 * 125);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->frame(), (Rect{0, 125, 320, 125}));

    // Per-row heights: even rows 20, odd rows 70.
    source.height = [](const IndexPath& p) { return p.row % 2 ? 70.0f : 20.0f; };
    table->reloadData();
    EXPECT_EQ(table->contentSize().height, 50 * 90);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 5}), (Rect{0, 2 * 90 + 20, 320, 70}));
    EXPECT_EQ(table->indexPathForRowAtPoint({5, 2 * 90 + 19}), (IndexPath{0, 4}));
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 5})->frame(), (Rect{0, 200, 320, 70}));
}

TEST_F(TableViewTest, SectionsPlaceHeadersAndPlainHeadersStayOnTopOfTheirRows) {
    source.rows = {3, 0, 20};
    auto custom = std::make_shared<ui::View>(Rect{0, 0, 320, 30});
    source.headerViews[0] = custom;
    source.headerHeights[0] = 30;
    source.titles[2] = "Later";
    make();
    // Section 0: header 30 then 3 rows; section 1 has nothing; section 2: title header 22.
    EXPECT_EQ(table->rectForHeaderInSection(0), (Rect{0, 0, 320, 30}));
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}).y(), 30);
    EXPECT_EQ(table->rectForHeaderInSection(1).height(), 0);
    EXPECT_EQ(table->rectForHeaderInSection(2), (Rect{0, 30 + 132, 320, 22}));
    EXPECT_EQ(table->rectForRowAtIndexPath({2, 0}).y(), 30 + 132 + 22);
    EXPECT_EQ(table->contentSize().height, 30 + 132 + 22 + 20 * 44);
    EXPECT_EQ(table->headerViewForSection(0), custom.get());
    ASSERT_NE(table->headerViewForSection(2), nullptr);
    EXPECT_EQ(table->headerViewForSection(2)->displayedText(), "Later");
    EXPECT_NE(driver.findByText("Later"), nullptr);

    // Scrolled into section 2, its header floats at the top of the visible area.
    table->setContentOffset({0, 400});
    EXPECT_EQ(table->headerViewForSection(0), nullptr);
    EXPECT_EQ(table->headerViewForSection(2)->frame().y(), 400);
    // At the end of the section it is pushed up with the last rows.
    float sectionEnd = 30 + 132 + 22 + 20 * 44;
    table->setContentOffset({0, sectionEnd - 10});
    EXPECT_EQ(table->headerViewForSection(2)->frame().y(), sectionEnd - 22);
}

TEST_F(TableViewTest, GroupedSectionsAreInsetAndSpaced) {
    source.rows = {2, 1};
    make(ui::TableViewStyle::Grouped);
    float spacing = TableView::kGroupSpacing, inset = TableView::kGroupInset;
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}), (Rect{inset, spacing, 320 - 2 * inset, 44}));
    EXPECT_EQ(table->rectForRowAtIndexPath({1, 0}).y(), spacing + 88 + spacing + spacing);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->groupPosition(),
              ui::TableViewCellGroupPosition::Top);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->groupPosition(),
              ui::TableViewCellGroupPosition::Bottom);
    EXPECT_EQ(table->cellForRowAtIndexPath({1, 0})->groupPosition(),
              ui::TableViewCellGroupPosition::Single);
}

TEST_F(TableViewTest, OnlyVisibleRowsAreMaterialisedAndReusedCellsComeBack) {
    source.rows = {1000};
    source.reuseId = "row";
    make();
    source.asked = 0;
    source.displayed.clear();
    table->reloadData();
    // 440 points of 44-point rows.
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(source.asked, 10);
    EXPECT_EQ(text(table->visibleCells().front()), "row 0.0");

    table->setContentOffset({0, 44 * 500 + 22});
    auto paths = table->indexPathsForVisibleRows();
    ASSERT_EQ(paths.size(), 11u);
    EXPECT_EQ(paths.front(), (IndexPath{0, 500}));
    EXPECT_EQ(paths.back(), (IndexPath{0, 510}));
    EXPECT_EQ(text(table->cellForRowAtIndexPath({0, 505})), "row 0.505");
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), nullptr);
    // Cells gone out of view are dequeued again: no more than one screenful is ever built.
    for (int y = 0; y < 44 * 990; y += 97) table->setContentOffset({0, float(y)});
    EXPECT_LE(source.created, 12);
    // Subviews hold the visible cells only.
    size_t cells = 0;
    for (auto& v : table->subviews()) cells += dynamic_cast<TableViewCell*>(v.get()) != nullptr;
    EXPECT_EQ(cells, table->visibleCells().size());
    EXPECT_EQ(source.displayed.size(), size_t(source.asked));
}

TEST_F(TableViewTest, ATapSelectsTheRowUnderItAfterScrolling) {
    source.rows = {3, 60};
    make();
    scrollBy(300);
    float offset = table->contentOffset().y;
    ASSERT_NEAR(offset, 300, 0.01);
    // Window y 10 is content y 310: section 1 starts at 132, so its row (310 - 132) / 44 = 4.
    driver.tap(ui::Point{160, 10});
    ASSERT_EQ(source.selections.size(), 1u);
    EXPECT_EQ(source.selections[0], (IndexPath{1, 4}));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{1, 4}));
    EXPECT_TRUE(table->cellForRowAtIndexPath({1, 4})->isSelected());

    // A new selection replaces the old one.
    driver.tap(ui::Point{160, 100});
    EXPECT_EQ(source.selections.back(), (IndexPath{1, 6}));
    EXPECT_FALSE(table->cellForRowAtIndexPath({1, 4})->isSelected());

    // A scroll is no tap: no selection and no highlight left behind.
    source.selections.clear();
    scrollBy(-100);
    EXPECT_TRUE(source.selections.empty());
    for (TableViewCell* cell : table->visibleCells()) EXPECT_FALSE(cell->isHighlighted());
}

TEST_F(TableViewTest, HighlightShowsDuringTheTouchAndGoesWhenItTurnsIntoAScroll) {
    make();
    driver.touchDown(0, {160, 66}); // row 1
    driver.advance(ui::ScrollView::kContentTouchDelay + 0.02);
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 1});
    EXPECT_TRUE(cell->isHighlighted());
    EXPECT_TRUE(cell->showsSelectionBackground());
    driver.touchMove(0, {160, 20});
    EXPECT_FALSE(cell->isHighlighted());
    EXPECT_FALSE(cell->showsSelectionBackground());
    driver.touchUp(0, {160, 20});
    driver.advance(1);
    EXPECT_TRUE(source.selections.empty());

    // A button in a row takes the tap; the row is not selected.
    int pressed = 0;
    auto button = std::make_shared<ui::Button>(Rect{270, 0, 50, 44});
    button->addTarget([&](ui::Control&) { ++pressed; }, ui::ControlEvent::TouchUpInside);
    table->setContentOffset({0, 0});
    table->cellForRowAtIndexPath({0, 2})->contentView().addSubview(button);
    driver.tap(ui::Point{290, 2 * 44 + 20});
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(source.selections.empty());
    // A label in a row passes the touch on: the row is selected.
    driver.tap(ui::Point{100, 2 * 44 + 20});
    EXPECT_EQ(source.selections, (std::vector<IndexPath>{{0, 2}}));
}

TEST_F(TableViewTest, AnimatedDeselectionFadesOnTheClock) {
    make();
    source.onSelect = [](TableView& t, const IndexPath& p) { t.deselectRowAtIndexPath(p, true); };
    driver.tap(ui::Point{160, 22});
    ASSERT_EQ(source.selections.size(), 1u);
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 0});
    EXPECT_FALSE(cell->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    ASSERT_TRUE(cell->showsSelectionBackground());
    const ui::View* band = cell->selectedBackgroundView().get();
    driver.advance(TableView::kDeselectDuration / 2);
    float mid = driver.alpha(band);
    EXPECT_GT(mid, 0.05f);
    EXPECT_LT(mid, 0.95f);
    driver.advance(TableView::kDeselectDuration);
    EXPECT_FALSE(cell->showsSelectionBackground());

    // Without animation it goes at once; a cell with no selection style never shows it.
    source.onSelect = [](TableView& t, const IndexPath& p) { t.deselectRowAtIndexPath(p, false); };
    driver.tap(ui::Point{160, 22});
    EXPECT_FALSE(cell->showsSelectionBackground());
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    source.onSelect = nullptr;
    driver.tap(ui::Point{160, 22});
    EXPECT_TRUE(cell->isSelected());
    EXPECT_FALSE(cell->showsSelectionBackground());
}

TEST_F(TableViewTest, ReloadWithChangedCountsRebuildsAndKeepsTheOffsetInTheContent) {
    source.rows = {50};
    make();
    table->setContentOffset({0, 50 * 44 - 440});
    driver.tap(ui::Point{160, 22});
    ASSERT_TRUE(table->indexPathForSelectedRow());

    // Selecting the last row loads more rows, as a next-page row does: the table rebuilds from
    // inside the selection callback, its old cells gone.
    source.onSelect = [this](TableView& t, const IndexPath& p) {
        if (p.row == source.rows[0] - 1) {
            source.rows[0] += 10;
            t.reloadData();
        }
    };
    TableViewCell* last = table->cellForRowAtIndexPath({0, 49});
    driver.tap(driver.frameInWindow(last).center());
    EXPECT_EQ(table->numberOfRowsInSection(0), 60);
    EXPECT_EQ(text(table->cellForRowAtIndexPath({0, 49})), "row 0.49");
    EXPECT_EQ(source.selections.back(), (IndexPath{0, 49}));
    source.onSelect = nullptr;

    source.rows = {5};
    source.titles[0] = "Five";
    table->reloadData();
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    EXPECT_EQ(table->visibleCells().size(), 5u);
    EXPECT_EQ(text(table->cellForRowAtIndexPath({0, 4})), "row 0.4");
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->frame().y(), 22);

    source.rows = {0};
    table->reloadData();
    EXPECT_TRUE(table->visibleCells().empty());
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 30}), std::nullopt);
    driver.tap(ui::Point{160, 30});
    EXPECT_EQ(source.selections.size(), 2u);

    // Prepared cells returned again for their rows are shown again after a reload.
    auto prepared = std::make_shared<TableViewCell>();
    struct Prepared : ui::TableViewDataSource {
        std::shared_ptr<TableViewCell> cell;
        int numberOfRowsInSection(TableView&, int) override { return 1; }
        std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&,
                                                             const IndexPath&) override {
            return cell;
        }
    } preparedSource;
    preparedSource.cell = prepared;
    table->setDataSource(&preparedSource);
    table->reloadData();
    table->reloadData();
    EXPECT_EQ(prepared->superview(), table.get());
    EXPECT_EQ(table->visibleCells(), (std::vector<TableViewCell*>{prepared.get()}));
    table->setDataSource(nullptr);
    table->reloadData();

    // A table given its data source in the window loads at the next layout by itself.
    source.rows = {50};
    source.titles.clear();
    auto late = std::make_shared<TableView>(Rect{0, 0, 320, 100});
    driver.window().addSubview(late);
    late->setDataSource(&source);
    EXPECT_TRUE(late->visibleCells().empty());
    driver.window().layoutIfNeeded();
    EXPECT_EQ(late->visibleCells().size(), 3u); // 100 points: rows 0 to 2
}

TEST_F(TableViewTest, ScrollToRowPlacesItAtTheAskedPosition) {
    make();
    table->scrollToRowAtIndexPath({0, 50}, ui::TableViewScrollPosition::Top, false);
    EXPECT_EQ(table->contentOffset().y, 50 * 44);
    table->scrollToRowAtIndexPath({0, 50}, ui::TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table->contentOffset().y, 51 * 44 - 440);
    table->scrollToRowAtIndexPath({0, 99}, ui::TableViewScrollPosition::Top, false);
    EXPECT_EQ(table->contentOffset().y, 100 * 44 - 440); // clamped to the last screenful
    table->scrollToRowAtIndexPath({0, 2}, ui::TableViewScrollPosition::Middle, true);
    driver.advance(1);
    EXPECT_EQ(table->contentOffset().y, 0);
    table->selectRowAtIndexPath({0, 30}, false, ui::TableViewScrollPosition::None);
    EXPECT_TRUE(source.selections.empty());
    table->setContentOffset({0, 1000});
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 30})->isSelected());
}

} // namespace
