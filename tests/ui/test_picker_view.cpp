// Picker: rows under the band, drags and flicks that come to rest on a row, taps on a row,
// programmatic selection, row views and titles, visible rows only.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/picker_view.h"
#include "platform/ui/test_driver.h"

namespace {

using ui::PickerView;
using ui::Point;
using ui::Rect;

struct Rows : ui::PickerViewDataSource, ui::PickerViewDelegate {
    int count = 20;
    bool views = false;
    int viewsAsked = 0;
    std::vector<int> selected;
    int numberOfRows(PickerView&, int) override { return count; }
    std::shared_ptr<ui::View> viewForRow(PickerView&, int, int) override {
        if (!views) return nullptr;
        ++viewsAsked;
        return std::make_shared<ui::View>(Rect{20, 0, 280, 40});
    }
    std::string titleForRow(PickerView&, int row, int) override {
        return "Concert " + std::to_string(row);
    }
    void didSelectRow(PickerView&, int row, int) override { selected.push_back(row); }
};

class PickerViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        picker = std::make_shared<PickerView>(Rect{0, 80, 320, 220});
        picker->setDataSource(&rows);
        picker->setDelegate(&rows);
        picker->setShowsSelectionIndicator(true);
        driver.window().addSubview(picker);
    }
    // Drags the wheel by dy points and rests before lifting.
    void slowDrag(float dy) {
        Point from{160, 190};
        driver.touchDown(0, from);
        for (int i = 1; i <= 6; ++i) {
            driver.advance(0.04);
            driver.touchMove(0, {160, from.y + dy * i / 6});
        }
        driver.advance(0.3);
        driver.touchUp(0, {160, from.y + dy});
    }
    // The band is the middle of the picker: window y 80 + 110.
    float bandCentreOfRow(int row) {
        ui::View* v = picker->viewForRow(row);
        return v ? driver.frameInWindow(v).midY() : NAN;
    }
    ui::TestDriver driver;
    Rows rows;
    std::shared_ptr<PickerView> picker;
};

TEST_F(PickerViewTest, SelectRowPutsItUnderTheBandWithoutTellingTheDelegate) {
    EXPECT_EQ(picker->selectedRow(), 0);
    EXPECT_FLOAT_EQ(bandCentreOfRow(0), 190);
    picker->selectRow(5, false);
    EXPECT_EQ(picker->selectedRow(), 5);
    EXPECT_FLOAT_EQ(bandCentreOfRow(5), 190);
    picker->selectRow(8, true);
    EXPECT_EQ(picker->selectedRow(), 8);
    driver.advance(1);
    EXPECT_EQ(picker->rowUnderIndicator(), 8);
    EXPECT_FLOAT_EQ(bandCentreOfRow(8), 190);
    picker->selectRow(99, false);
    EXPECT_EQ(picker->selectedRow(), 19);
    EXPECT_TRUE(rows.selected.empty());
    EXPECT_NE(driver.findByText("Concert 19"), nullptr);
}

TEST_F(PickerViewTest, ADragComesToRestOnTheNearestRowAndSelectsIt) {
    // 2.4 rows up: row 2 comes under the band, exactly.
    slowDrag(-2.4f * PickerView::kDefaultRowHeight);
    driver.advance(2);
    EXPECT_EQ(picker->selectedRow(), 2);
    EXPECT_FLOAT_EQ(bandCentreOfRow(2), 190);
    EXPECT_EQ(rows.selected, (std::vector<int>{2}));

    // 0.6 row back down: the nearest row is 1.
    slowDrag(0.6f * PickerView::kDefaultRowHeight);
    driver.advance(2);
    EXPECT_EQ(rows.selected, (std::vector<int>{2, 1}));

    // A drag back to where it was selects nothing new.
    slowDrag(0.3f * PickerView::kDefaultRowHeight);
    driver.advance(2);
    EXPECT_EQ(picker->selectedRow(), 1);
    EXPECT_EQ(rows.selected.size(), 2u);

    // Pulled past the first row, it returns to row 0.
    slowDrag(300);
    driver.advance(2);
    EXPECT_EQ(picker->selectedRow(), 0);
    EXPECT_FLOAT_EQ(bandCentreOfRow(0), 190);
}

TEST_F(PickerViewTest, AFlickSpinsOnAndStopsExactlyOnARow) {
    driver.drag({160, 250}, {160, 150}, 0.06, 3);
    EXPECT_TRUE(picker->isSpinning());
    EXPECT_TRUE(rows.selected.empty());
    driver.advance(5);
    EXPECT_FALSE(picker->isSpinning());
    int row = picker->selectedRow();
    EXPECT_GT(row, 3); // carried beyond the finger's 100 points
    EXPECT_EQ(rows.selected, (std::vector<int>{row}));
    EXPECT_FLOAT_EQ(bandCentreOfRow(row), 190);

    // A strong flick ends on the last row.
    picker->selectRow(15, false);
    driver.drag({160, 290}, {160, 90}, 0.05, 3);
    driver.advance(5);
    EXPECT_EQ(picker->selectedRow(), 19);
    EXPECT_FLOAT_EQ(bandCentreOfRow(19), 190);
}

TEST_F(PickerViewTest, ATapOnAnotherRowBringsItUnder) {
    driver.tap(Point{160, 190 + PickerView::kDefaultRowHeight});
    EXPECT_TRUE(rows.selected.empty()); // not before it is under the band
    driver.advance(1);
    EXPECT_EQ(rows.selected, (std::vector<int>{1}));
    EXPECT_FLOAT_EQ(bandCentreOfRow(1), 190);
    driver.advance(0.5);
    driver.tap(Point{160, 190}); // the selected row itself
    driver.advance(1);
    EXPECT_EQ(rows.selected, (std::vector<int>{1}));
}

TEST_F(PickerViewTest, RowViewsAreCentredAndOnlyVisibleRowsAreBuilt) {
    rows.views = true;
    rows.count = 500;
    picker->reloadAllComponents();
    // 220 points show the band's row and a little over two rows on each side.
    EXPECT_LE(rows.viewsAsked, 6);
    ui::View* v = picker->viewForRow(0);
    ASSERT_NE(v, nullptr);
    Rect f = driver.frameInWindow(v);
    EXPECT_FLOAT_EQ(f.x(), PickerView::kSideMargin + 20);
    EXPECT_FLOAT_EQ(f.width(), 280);
    EXPECT_FLOAT_EQ(f.midY(), 190);
    picker->selectRow(400, false);
    EXPECT_EQ(picker->viewForRow(0), nullptr);
    EXPECT_NE(picker->viewForRow(400), nullptr);
    EXPECT_LE(rows.viewsAsked, 12);

    // Fewer rows after a reload keep the selection within them; no rows: no selection.
    rows.count = 3;
    picker->reloadAllComponents();
    EXPECT_EQ(picker->selectedRow(), 2);
    EXPECT_FLOAT_EQ(bandCentreOfRow(2), 190);
    rows.count = 0;
    picker->reloadAllComponents();
    EXPECT_EQ(picker->selectedRow(), -1);
    driver.tap(Point{160, 190});
    driver.advance(1);
    EXPECT_TRUE(rows.selected.empty());
}

} // namespace
