// Page indicator: pages and clamping, dots centred, taps on either half with ValueChanged.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/page_control.h"
#include "platform/ui/test_driver.h"

namespace {

using ui::PageControl;
using ui::Rect;

TEST(PageControl, PagesClampAndDotsAreCentred) {
    PageControl pc(Rect{100, 189, 120, 15});
    EXPECT_EQ(pc.numberOfPages(), 0);
    pc.setCurrentPage(3);
    EXPECT_EQ(pc.currentPage(), 0);
    pc.setNumberOfPages(5);
    pc.setCurrentPage(7);
    EXPECT_EQ(pc.currentPage(), 4);
    pc.setNumberOfPages(2); // fewer pages bring the current page back
    EXPECT_EQ(pc.currentPage(), 1);
    pc.setNumberOfPages(-3);
    EXPECT_EQ(pc.numberOfPages(), 0);
    EXPECT_EQ(pc.currentPage(), 0);

    pc.setNumberOfPages(3);
    float width = PageControl::sizeForNumberOfPages(3).width;
    EXPECT_EQ(width, 3 * PageControl::kDotDiameter + 2 * PageControl::kDotGap);
    Rect first = pc.dotRect(0), last = pc.dotRect(2);
    EXPECT_FLOAT_EQ((first.minX() + last.maxX()) / 2, 60); // centred in the 120-point bounds
    EXPECT_FLOAT_EQ(first.midY(), 7.5f);
    EXPECT_FLOAT_EQ(pc.dotRect(1).minX() - first.maxX(), PageControl::kDotGap);
}

TEST(PageControl, TapsOnEitherHalfTurnThePageAndReportIt) {
    ui::TestDriver driver;
    auto pc = std::make_shared<PageControl>(Rect{100, 189, 120, 15});
    pc->setNumberOfPages(3);
    int changes = 0;
    pc->addTarget([&](ui::Control&) { ++changes; }, ui::ControlEvent::ValueChanged);
    driver.window().addSubview(pc);

    driver.tap(ui::Point{200, 196}); // right half
    EXPECT_EQ(pc->currentPage(), 1);
    driver.advance(0.5);
    driver.tap(ui::Point{210, 196});
    EXPECT_EQ(pc->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    driver.advance(0.5);
    driver.tap(ui::Point{215, 196}); // already on the last page
    EXPECT_EQ(pc->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    driver.advance(0.5);
    driver.tap(ui::Point{105, 196}); // left half
    EXPECT_EQ(pc->currentPage(), 1);
    EXPECT_EQ(changes, 3);

    // Setting the page in code sends nothing; a disabled indicator only shows.
    pc->setCurrentPage(0);
    EXPECT_EQ(changes, 3);
    pc->setEnabled(false);
    driver.advance(0.5);
    driver.tap(ui::Point{200, 196});
    EXPECT_EQ(pc->currentPage(), 0);
    EXPECT_EQ(changes, 3);
}

} // namespace
