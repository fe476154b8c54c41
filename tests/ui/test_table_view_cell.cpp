// Table view cell: content area with accessory and separator, selection backgrounds and their
// label colours, reuse reset, the group colour of grouped rows.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/label.h"
#include "platform/ui/table_view_cell.h"

namespace {

using ui::Rect;
using ui::TableViewCell;

TEST(TableViewCell, ContentLeavesRoomForTheAccessoryAndTheSeparator) {
    TableViewCell cell;
    cell.setFrame({0, 0, 320, 70});
    EXPECT_EQ(cell.contentView().frame(), (Rect{0, 0, 320, 70}));
    cell.setSeparator(true, ui::Color::gray(0.5f));
    EXPECT_EQ(cell.contentView().frame(), (Rect{0, 0, 320, 69}));
    cell.setAccessoryType(ui::TableViewCellAccessory::DisclosureIndicator);
    EXPECT_EQ(cell.contentView().frame(), (Rect{0, 0, 320 - TableViewCell::kAccessoryWidth, 69}));
    cell.textLabel().setText("Albums");
    EXPECT_EQ(cell.textLabel().superview(), &cell.contentView());
    EXPECT_FLOAT_EQ(cell.textLabel().frame().height(), 69);
    EXPECT_LE(cell.textLabel().frame().maxX(), cell.contentView().frame().width());
    // The last row of a group draws no separator.
    cell.setGroupPosition(ui::TableViewCellGroupPosition::Bottom);
    EXPECT_EQ(cell.contentView().frame().height(), 70);
}

TEST(TableViewCell, SelectionShowsItsBackgroundAndLightsTheLabels) {
    TableViewCell cell(ui::TableViewCellStyle::Subtitle, "id");
    cell.setFrame({0, 0, 320, 44});
    cell.textLabel().setText("Title");
    cell.detailTextLabel().setText("Detail");
    cell.setHighlighted(true);
    ASSERT_TRUE(cell.showsSelectionBackground());
    EXPECT_TRUE(cell.textLabel().isHighlighted());
    EXPECT_TRUE(cell.detailTextLabel().isHighlighted());
    // Between the background and the content.
    const auto& subs = cell.subviews();
    auto at = [&](const ui::View* v) {
        for (size_t i = 0; i < subs.size(); ++i)
            if (subs[i].get() == v) return int(i);
        return -1;
    };
    EXPECT_LT(at(cell.selectedBackgroundView().get()), at(&cell.contentView()));
    cell.setHighlighted(false);
    EXPECT_FALSE(cell.showsSelectionBackground());
    EXPECT_FALSE(cell.textLabel().isHighlighted());

    // A custom selected background replaces the band; reuse clears the selection.
    auto custom = std::make_shared<ui::View>();
    cell.setSelectedBackgroundView(custom);
    cell.setSelected(true);
    EXPECT_EQ(custom->superview(), &cell);
    EXPECT_EQ(custom->frame(), (Rect{0, 0, 320, 44}));
    cell.prepareForReuse();
    EXPECT_FALSE(cell.isSelected());
    EXPECT_EQ(custom->superview(), nullptr);
    EXPECT_EQ(cell.reuseIdentifier(), "id");

    // The None style keeps the row's look, labels included.
    cell.setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    cell.setSelected(true);
    EXPECT_FALSE(cell.showsSelectionBackground());
    EXPECT_FALSE(cell.textLabel().isHighlighted());
}

TEST(TableViewCell, GroupedRowsMoveTheirColourToTheRoundedBackground) {
    TableViewCell white, clear;
    clear.setBackgroundColor(ui::Color::clear());
    white.setGroupPosition(ui::TableViewCellGroupPosition::Top);
    clear.setGroupPosition(ui::TableViewCellGroupPosition::Top);
    // The square fill would show past the rounded corners.
    EXPECT_TRUE(white.backgroundColor().isClear());
    EXPECT_TRUE(clear.backgroundColor().isClear());
    TableViewCell plain;
    EXPECT_EQ(plain.backgroundColor(), ui::Color::white());
}

} // namespace
