// Activity indicator: hidden while stopped, spinning on the window clock only while animating
// and in a window, drawn as twelve spokes led by the brightest one.
#include <gtest/gtest.h>

#include "input_test_support.h"
#include "platform/ui/activity_indicator_view.h"

using namespace ui;

namespace {

// The brightest spoke drawn by the window, as its outer end relative to `centre`.
Point brightestSpoke(Window& window, Point centre, size_t* count = nullptr) {
    auto canvas = uitest::renderOf(window);
    if (count) *count = canvas.lines.size();
    const uitest::DrawnLine* best = nullptr;
    for (const auto& l : canvas.lines)
        if (!best || l.color.a > best->color.a) best = &l;
    return best ? best->b - centre : Point{};
}

} // namespace

TEST(ActivityIndicator, HiddenWhileStoppedAndSpinningOnTheClockWhileAnimating) {
    auto window = uitest::makeWindow();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::WhiteLarge,
                                                           Rect(50, 220, 30, 30));
    window->addSubview(spinner);
    EXPECT_TRUE(spinner->isHidden()) << "stopped from the start";
    EXPECT_FALSE(spinner->isAnimating());

    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->leadingSpoke(), 0);
    window->advanceTo(0.27);
    EXPECT_EQ(spinner->leadingSpoke(), 3);
    window->advanceTo(0.54);
    EXPECT_EQ(spinner->leadingSpoke(), 6);
    window->advanceTo(1.04);
    EXPECT_EQ(spinner->leadingSpoke(), 0) << "one turn a second";
    spinner->startAnimating(); // again: no second timer
    window->advanceTo(1.30);
    EXPECT_EQ(spinner->leadingSpoke(), 3);

    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    window->advanceTo(3);
    EXPECT_EQ(spinner->leadingSpoke(), 3) << "no turning while stopped";

    spinner->setHidesWhenStopped(false);
    EXPECT_FALSE(spinner->isHidden());
    spinner->startAnimating();
    spinner->stopAnimating();
    EXPECT_FALSE(spinner->isHidden());
}

TEST(ActivityIndicator, TurnsOnlyInAWindowAndSurvivesItsOwnRemoval) {
    auto window = uitest::makeWindow();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::White);
    EXPECT_EQ(spinner->frame().size, (Size{20, 20}));
    spinner->startAnimating(); // before it has a window
    window->advanceTo(0.5);
    EXPECT_EQ(spinner->leadingSpoke(), 0);

    window->addSubview(spinner);
    window->advanceTo(0.77);
    EXPECT_EQ(spinner->leadingSpoke(), 3);

    spinner->removeFromSuperview();
    window->advanceTo(2);
    EXPECT_EQ(spinner->leadingSpoke(), 3);
    EXPECT_TRUE(spinner->isAnimating()) << "still animating, waiting for a window";

    window->addSubview(spinner);
    spinner->removeFromSuperview();
    spinner.reset();
    window->advanceTo(4); // the clock holds nothing of the dead view
}

TEST(ActivityIndicator, DrawsTwelveSpokesLedByTheCurrentOne) {
    auto window = uitest::makeWindow();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::Gray,
                                                           Rect(100, 100, 40, 40));
    window->addSubview(spinner);
    spinner->startAnimating();
    Point centre{120, 120};
    size_t count = 0;
    Point lead = brightestSpoke(*window, centre, &count);
    EXPECT_EQ(count, 12u);
    EXPECT_NEAR(lead.x, 0, 0.01);
    EXPECT_LT(lead.y, 0) << "twelve o'clock first";

    window->advanceTo(0.27); // a quarter turn: three o'clock
    lead = brightestSpoke(*window, centre);
    EXPECT_GT(lead.x, 0);
    EXPECT_NEAR(lead.y, 0, 0.01);

    auto canvas = uitest::renderOf(*window);
    for (const auto& l : canvas.lines) {
        EXPECT_LT(l.color.r, 0.9f) << "grey style";
        EXPECT_GT(l.color.a, 0.2f);
    }

    spinner->stopAnimating();
    EXPECT_TRUE(uitest::renderOf(*window).lines.empty());
}
