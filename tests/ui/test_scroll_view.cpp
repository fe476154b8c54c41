// Scroll view: delegate callbacks and their order, deceleration, animated offsets, paging,
// edges and bounce, and taps versus drags on the content.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/test_driver.h"

namespace {

using ui::Point;
using ui::Rect;
using ui::ScrollView;

// Records the callbacks in order; consecutive didScroll calls are counted, not repeated.
struct Recorder : ui::ScrollViewDelegate {
    std::vector<std::string> log;
    int scrolls = 0;
    std::vector<float> offsetsY;
    void add(const std::string& s) {
        if (s == "scroll" && !log.empty() && log.back() == "scroll") return;
        log.push_back(s);
    }
    void scrollViewDidScroll(ScrollView& s) override {
        ++scrolls;
        offsetsY.push_back(s.contentOffset().y);
        add("scroll");
    }
    void scrollViewWillBeginDragging(ScrollView&) override { add("willBeginDragging"); }
    void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
        add(decelerate ? "endDragging:decelerate" : "endDragging");
    }
    void scrollViewWillBeginDecelerating(ScrollView&) override { add("willBeginDecelerating"); }
    void scrollViewDidEndDecelerating(ScrollView&) override { add("endDecelerating"); }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override { add("endAnimation"); }
};

using Log = std::vector<std::string>;

class ScrollViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scroll = std::make_shared<ScrollView>(Rect{0, 0, 320, 480});
        scroll->setContentSize({320, 2000});
        scroll->setDelegate(&rec);
        driver.window().addSubview(scroll);
    }
    // A drag that stops and rests before lifting (no velocity left).
    void slowDrag(Point from, Point to) {
        driver.touchDown(0, from);
        for (int i = 1; i <= 10; ++i) {
            driver.advance(0.03);
            float t = i / 10.0f;
            driver.touchMove(0, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
        }
        driver.advance(0.3);
        driver.touchUp(0, to);
        driver.advance(0);
    }
    ui::TestDriver driver;
    Recorder rec;
    std::shared_ptr<ScrollView> scroll;
};

TEST_F(ScrollViewTest, DragWithoutDecelerationFollowsTheFingerAndEndsWithoutDeceleration) {
    slowDrag({160, 400}, {160, 250});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 150}));
    EXPECT_EQ(rec.log, (Log{"willBeginDragging", "scroll", "endDragging"}));
    driver.advance(2);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 150}));
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isDecelerating());
    // The offsets seen by didScroll only grow with the finger going up.
    for (size_t i = 1; i < rec.offsetsY.size(); ++i)
        EXPECT_GE(rec.offsetsY[i], rec.offsetsY[i - 1]);
}

TEST_F(ScrollViewTest, FlickDeceleratesOnTheClockAndEndsOnce) {
    driver.drag({160, 400}, {160, 300}, 0.1, 5); // 1000 points per second
    ASSERT_TRUE(scroll->isDecelerating());
    float atRelease = scroll->contentOffset().y;
    EXPECT_FLOAT_EQ(atRelease, 100);
    driver.advance(0.2);
    float early = scroll->contentOffset().y;
    EXPECT_GT(early, atRelease);
    driver.advance(6);
    float rest = scroll->contentOffset().y;
    EXPECT_FALSE(scroll->isDecelerating());
    // Speed decays by the deceleration rate: the flick carries roughly v / ln(1 / rate).
    EXPECT_NEAR(rest - atRelease, 1000 / -std::log(ScrollView::kDecelerationRate), 40);
    EXPECT_EQ(rec.log, (Log{"willBeginDragging", "scroll", "endDragging:decelerate",
                            "willBeginDecelerating", "scroll", "endDecelerating"}));
    int scrolls = rec.scrolls;
    driver.advance(1);
    EXPECT_EQ(rec.scrolls, scrolls);
    for (size_t i = 1; i < rec.offsetsY.size(); ++i)
        EXPECT_GE(rec.offsetsY[i], rec.offsetsY[i - 1]);
}

TEST_F(ScrollViewTest, AnimatedOffsetMovesOnTheClockAndReportsItsEnd) {
    scroll->setContentOffset({0, 300}, true);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    driver.advance(ScrollView::kScrollAnimationDuration / 2);
    float mid = scroll->contentOffset().y;
    EXPECT_GT(mid, 0);
    EXPECT_LT(mid, 300);
    EXPECT_TRUE(scroll->isScrollAnimating());
    driver.advance(ScrollView::kScrollAnimationDuration);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 300}));
    EXPECT_EQ(rec.log, (Log{"scroll", "endAnimation"}));

    // Without animation: one didScroll and no end callback; the same offset animates nothing.
    rec.log.clear();
    scroll->setContentOffset({0, 10});
    scroll->setContentOffset({0, 10}, true);
    driver.advance(1);
    EXPECT_EQ(rec.log, (Log{"scroll"}));

    // A new offset replaces a running animation; only the second ends.
    rec.log.clear();
    scroll->setContentOffset({0, 500}, true);
    driver.advance(0.1);
    scroll->setContentOffset({0, 50}, true);
    driver.advance(1);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 50}));
    EXPECT_EQ(rec.log, (Log{"scroll", "endAnimation"}));
}

TEST_F(ScrollViewTest, PagingSnapsToTheNearestPageOrTheNextOneOnAFlick) {
    scroll->setFrame({0, 0, 320, 120});
    scroll->setContentSize({320 * 4, 120});
    scroll->setPagingEnabled(true);

    // A short fast flick goes to the next page.
    driver.drag({200, 60}, {170, 60}, 0.05, 3);
    driver.advance(3);
    EXPECT_EQ(scroll->contentOffset(), (Point{320, 0}));
    EXPECT_EQ(rec.log.back(), "endDecelerating");

    // A slow drag short of half a page returns; past half a page it moves on.
    rec.log.clear();
    slowDrag({250, 60}, {150, 60});
    driver.advance(3);
    EXPECT_EQ(scroll->contentOffset(), (Point{320, 0}));
    EXPECT_EQ(rec.log, (Log{"willBeginDragging", "scroll", "endDragging:decelerate",
                            "willBeginDecelerating", "scroll", "endDecelerating"}));
    slowDrag({300, 60}, {100, 60});
    driver.advance(3);
    EXPECT_EQ(scroll->contentOffset(), (Point{640, 0}));

    // A backward flick goes to the previous page; the last page does not go further.
    driver.drag({100, 60}, {130, 60}, 0.05, 3);
    driver.advance(3);
    EXPECT_EQ(scroll->contentOffset(), (Point{320, 0}));
    scroll->setContentOffset({960, 0});
    driver.drag({200, 60}, {150, 60}, 0.05, 3);
    driver.advance(3);
    EXPECT_EQ(scroll->contentOffset(), (Point{960, 0}));
}

TEST_F(ScrollViewTest, EdgesRubberBandAndBounceBackOrStopWithoutBounces) {
    // Pulled down at the top: half the finger's distance, then back to the edge on release.
    driver.touchDown(0, {160, 100});
    driver.advance(0.05);
    driver.touchMove(0, {160, 200});
    EXPECT_FLOAT_EQ(scroll->contentOffset().y, -50);
    driver.advance(0.3);
    driver.touchUp(0, {160, 200});
    EXPECT_EQ(rec.log.back(), "willBeginDecelerating");
    driver.advance(1);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    EXPECT_EQ(rec.log.back(), "endDecelerating");

    // A flick towards the bottom passes the edge and comes back to exactly the last offset.
    float maxY = 2000 - 480;
    scroll->setContentOffset({0, maxY - 300});
    rec.offsetsY.clear();
    driver.drag({160, 400}, {160, 300}, 0.05, 3);
    driver.advance(4);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, maxY}));
    float furthest = *std::max_element(rec.offsetsY.begin(), rec.offsetsY.end());
    EXPECT_GT(furthest, maxY);

    // Without bounces neither a drag nor a flick passes an edge.
    scroll->setBounces(false);
    scroll->setContentOffset({0, 0});
    rec.offsetsY.clear();
    slowDrag({160, 100}, {160, 300});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    scroll->setContentOffset({0, maxY - 50});
    driver.drag({160, 400}, {160, 200}, 0.05, 3);
    driver.advance(4);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, maxY}));
    for (float y : rec.offsetsY) {
        EXPECT_GE(y, 0);
        EXPECT_LE(y, maxY);
    }

    // Content that fits does not scroll horizontally at all.
    slowDrag({300, 240}, {100, 240});
    EXPECT_FLOAT_EQ(scroll->contentOffset().x, 0);
}

class ScrollViewContentTest : public ScrollViewTest {
  protected:
    void SetUp() override {
        ScrollViewTest::SetUp();
        button = std::make_shared<ui::Button>(Rect{100, 100, 120, 60});
        button->addTarget([this](ui::Control&) { ++taps; }, ui::ControlEvent::TouchUpInside);
        button->addTarget([this](ui::Control&) { ++cancels; }, ui::ControlEvent::TouchCancel);
        button->addTarget([this](ui::Control&) { ++downs; }, ui::ControlEvent::TouchDown);
        scroll->addSubview(button);
    }
    std::shared_ptr<ui::Button> button;
    int taps = 0, cancels = 0, downs = 0;
};

TEST_F(ScrollViewContentTest, ATapReachesTheContentAndADragCancelsIt) {
    driver.tap(button.get());
    EXPECT_EQ(taps, 1);
    EXPECT_TRUE(rec.log.empty());

    // The touch reaches the button at once without the delay; the drag then takes it back.
    scroll->setDelaysContentTouches(false);
    driver.touchDown(0, {160, 130});
    EXPECT_EQ(downs, 2);
    EXPECT_TRUE(button->isHighlighted());
    driver.advance(0.05);
    driver.touchMove(0, {160, 125}); // within the slop: still the button's
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    driver.touchMove(0, {160, 60});
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_FLOAT_EQ(scroll->contentOffset().y, 70);
    driver.touchUp(0, {160, 60});
    EXPECT_EQ(taps, 1);

    // With the delay, a quick drag never reaches the button; a held touch does.
    scroll->setDelaysContentTouches(true);
    scroll->setContentOffset({0, 0});
    driver.touchDown(0, {160, 130});
    EXPECT_EQ(downs, 2);
    driver.advance(0.05);
    driver.touchMove(0, {160, 60});
    driver.touchUp(0, {160, 60});
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(cancels, 1);
    scroll->setContentOffset({0, 0});
    driver.touchDown(0, {160, 130});
    driver.advance(ScrollView::kContentTouchDelay + 0.05);
    EXPECT_EQ(downs, 3);
    driver.touchUp(0, {160, 130});
    EXPECT_EQ(taps, 2);

    // The content scrolled: the button is hit where it now shows.
    scroll->setContentOffset({0, 80});
    driver.tap(Point{160, 50});
    EXPECT_EQ(taps, 3);
    driver.tap(Point{160, 130});
    EXPECT_EQ(taps, 3);
}

TEST_F(ScrollViewContentTest, ATouchThatStopsADecelerationIsNoTap) {
    driver.drag({160, 400}, {160, 370}, 0.05, 3);
    ASSERT_TRUE(scroll->isDecelerating());
    driver.advance(0.1);
    Point before = scroll->contentOffset();
    Rect inWindow = driver.frameInWindow(button.get());
    ASSERT_GT(inWindow.maxY(), 0); // still on screen
    driver.tap(inWindow.center());
    EXPECT_EQ(taps, 0);
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(scroll->contentOffset(), before);
    EXPECT_EQ(rec.log.back(), "endDragging");
    driver.advance(1);
    EXPECT_EQ(scroll->contentOffset(), before);
}

TEST_F(ScrollViewTest, IndicatorsShowWhileScrollingOnly) {
    EXPECT_EQ(scroll->verticalScrollIndicator(), nullptr);
    driver.touchDown(0, {160, 400});
    driver.advance(0.05);
    driver.touchMove(0, {160, 300});
    const ui::View* bar = scroll->verticalScrollIndicator();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(scroll->horizontalScrollIndicator(), nullptr); // the content is not wider
    // Proportional to the visible part, along the right edge, where the content is.
    EXPECT_NEAR(bar->frame().height(), (480 - 4) * 480.0f / 2000, 0.5);
    EXPECT_GT(bar->frame().minX(), 310);
    EXPECT_GT(bar->frame().minY(), scroll->contentOffset().y);
    driver.advance(0.3);
    driver.touchUp(0, {160, 300});
    driver.advance(1);
    EXPECT_EQ(scroll->verticalScrollIndicator(), nullptr);

    scroll->setShowsVerticalScrollIndicator(false);
    slowDrag({160, 400}, {160, 300});
    driver.touchDown(0, {160, 400});
    driver.advance(0.05);
    driver.touchMove(0, {160, 300});
    EXPECT_EQ(scroll->verticalScrollIndicator(), nullptr);
    driver.touchUp(0, {160, 300});
}

TEST_F(ScrollViewTest, ScrollingDisabledOrOutOfAWindowNeverMovesByTouchAndEndsAnimationsAtOnce) {
    scroll->setScrollEnabled(false);
    slowDrag({160, 400}, {160, 100});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    EXPECT_TRUE(rec.log.empty());

    // Removed from the window, an animated offset has no clock: it applies and ends at once.
    scroll->removeFromSuperview();
    scroll->setContentOffset({0, 200}, true);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 200}));
    EXPECT_EQ(rec.log, (Log{"scroll", "endAnimation"}));
}

TEST(ScrollViewNesting, AnInnerScrollViewTakesItsAxisAndTheOuterOneTheOther) {
    ui::TestDriver driver;
    auto pages = std::make_shared<ScrollView>(Rect{0, 40, 320, 400});
    pages->setPagingEnabled(true);
    pages->setContentSize({960, 400});
    auto list = std::make_shared<ScrollView>(Rect{0, 0, 320, 400});
    list->setContentSize({320, 2000});
    pages->addSubview(list);
    driver.window().addSubview(pages);

    // A quick vertical drag scrolls the list, not the pages.
    driver.drag({160, 400}, {160, 250}, 0.1, 10);
    driver.advance(4);
    EXPECT_GT(list->contentOffset().y, 100);
    EXPECT_EQ(pages->contentOffset(), (Point{0, 0}));

    // A horizontal drag turns the page and leaves the list where it was.
    float listY = list->contentOffset().y;
    driver.drag({250, 200}, {50, 200}, 0.3, 10);
    driver.advance(4);
    EXPECT_EQ(pages->contentOffset(), (Point{320, 0}));
    EXPECT_EQ(list->contentOffset().y, listY);
}

} // namespace
