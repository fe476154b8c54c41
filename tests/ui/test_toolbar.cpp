// Toolbar: the reporter's input bar (Cancel, flexible space, Done and the optional Add), a
// centred title between two flexible spaces, actions with their item's tag, disabled items,
// styles and tint.
#include <gtest/gtest.h>

#include "platform/ui/test_driver.h"
#include "platform/ui/toolbar.h"

using namespace ui;

TEST(Toolbar, ItemsSpreadByTheFlexibleSpaceAndTapsRunTheirActions) {
    TestDriver driver;
    auto panel = std::make_shared<View>(Rect{0, 185, 320, 297});
    driver.window().addSubview(panel);
    auto bar = std::make_shared<Toolbar>(Rect{0, 50, 320, 30});
    bar->setBarStyle(BarStyle::Black);
    bar->setTintColor(Color::gray(0.5f));
    panel->addSubview(bar);
    std::vector<std::string> taps;
    auto record = [&](BarButtonItem& item) {
        taps.push_back(item.title() + ":" + std::to_string(item.tag()));
    };
    auto cancel = BarButtonItem::systemItem(BarButtonSystemItem::Cancel, record);
    auto done = BarButtonItem::systemItem(BarButtonSystemItem::Done, record);
    auto add = BarButtonItem::systemItem(BarButtonSystemItem::Add, record);
    cancel->setTag(2);
    done->setTag(2);
    bar->setItems({cancel, BarButtonItem::flexibleSpace(), done, add});
    driver.advance(0);

    Rect c = driver.frameInWindow(bar->viewForItem(cancel.get()));
    Rect d = driver.frameInWindow(bar->viewForItem(done.get()));
    Rect a = driver.frameInWindow(bar->viewForItem(add.get()));
    EXPECT_FLOAT_EQ(c.minX(), Toolbar::kEdgeMargin);
    EXPECT_FLOAT_EQ(a.maxX(), 320 - Toolbar::kEdgeMargin);
    EXPECT_FLOAT_EQ(d.maxX() + Toolbar::kItemGap, a.minX());
    EXPECT_GT(d.minX(), c.maxX() + 100); // the flexible space took the rest
    EXPECT_LE(c.height(), 30);
    EXPECT_FLOAT_EQ(c.midY(), 185 + 50 + 15);

    ASSERT_TRUE(driver.tap(driver.findByText("Done")));
    ASSERT_TRUE(driver.tap(driver.findByText("Cancel")));
    ASSERT_TRUE(driver.tap(driver.findByText("+")));
    add->setEnabled(false);
    bar->setItems(bar->items()); // the bar shows the item's new state
    driver.advance(0);
    ASSERT_TRUE(driver.tap(driver.findByText("+")));
    EXPECT_EQ(taps, (std::vector<std::string>{"Done:2", "Cancel:2", "+:0"}));

    // Without Add, Done goes to the right edge.
    bar->setItems({cancel, BarButtonItem::flexibleSpace(), done});
    driver.advance(0);
    EXPECT_EQ(driver.findByText("+"), nullptr);
    EXPECT_FLOAT_EQ(driver.frameInWindow(bar->viewForItem(done.get())).maxX(),
                    320 - Toolbar::kEdgeMargin);
    EXPECT_EQ(bar->barColor(), Color::gray(0.5f));
    bar->setTintColor(std::nullopt);
    EXPECT_EQ(bar->barColor(), Color::black());
}

TEST(Toolbar, TitleBetweenFlexibleSpacesIsCentredAndPassesTouchesToTheBar) {
    TestDriver driver;
    auto bar = std::make_shared<Toolbar>();
    driver.window().addSubview(bar);
    auto title = BarButtonItem::withTitle("Photos", BarButtonItemStyle::Plain);
    auto fixed = BarButtonItem::fixedSpace(40);
    bar->setItems({BarButtonItem::flexibleSpace(), title, BarButtonItem::flexibleSpace(), fixed});
    driver.advance(0);
    Rect t = driver.frameInWindow(bar->viewForItem(title.get()));
    // The fixed space and its gap on the right push the centre left by half their width.
    EXPECT_NEAR(t.midX(), 160 - (40 + Toolbar::kItemGap) / 2, 0.5);
    EXPECT_EQ(bar->viewForItem(fixed.get()), nullptr);
    EXPECT_EQ(bar->window()->hitTest(t.center(), nullptr), bar.get());
}
