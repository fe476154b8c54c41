// Animations on the window clock: timing, intermediate values, curves, delays, replacement,
// completions; the clock's timers; image view frame animations.
#include <gtest/gtest.h>

#include <numbers>

#include "platform/ui/animator.h"
#include "platform/ui/image_view.h"
#include "platform/ui/test_driver.h"
#include "recording_canvas.h"

using namespace ui;

namespace {

struct Completions {
    std::vector<bool> calls;
    std::function<void(bool)> record() {
        return [this](bool finished) { calls.push_back(finished); };
    }
};

Image solid(int w, int h, std::uint8_t level) {
    return Image::fromPixels(w, h,
                             std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 4, level));
}

} // namespace

TEST(Animation, AlphaReachesItsEndAtTheRightTimeAndNotBefore) {
    TestDriver driver;
    auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
    driver.window().addSubview(view);
    Completions done;
    View::animate(
        1.0, [&] { view->setAlpha(0); }, done.record(), 0, AnimationCurve::Linear);

    EXPECT_FLOAT_EQ(0, view->alpha()); // the model takes the new value at once
    EXPECT_FLOAT_EQ(1, driver.alpha(view.get()));
    EXPECT_TRUE(view->hasRunningAnimations());
    driver.advance(0.25);
    EXPECT_NEAR(0.75f, driver.alpha(view.get()), 1e-3f);
    driver.advance(0.25);
    EXPECT_NEAR(0.5f, driver.alpha(view.get()), 1e-3f);
    driver.advance(0.45);
    EXPECT_GT(driver.alpha(view.get()), 0.01f);
    EXPECT_TRUE(done.calls.empty());
    uitest::RecordingCanvas canvas;
    driver.window().renderWindow(canvas);
    driver.window().advanceTo(1.0);              // one step to the end
    EXPECT_TRUE(driver.window().needsDisplay()); // the final frame is drawn too
    EXPECT_EQ(std::vector<bool>{true}, done.calls);
    EXPECT_FLOAT_EQ(0, driver.alpha(view.get()));
    EXPECT_FALSE(view->hasRunningAnimations());
    driver.advance(1);
    EXPECT_EQ(1u, done.calls.size());
}

TEST(Animation, CurvesFrameAndRotation) {
    EXPECT_NEAR(0.5f, Animator::ease(AnimationCurve::EaseInOut, 0.5f), 1e-3f);
    EXPECT_LT(Animator::ease(AnimationCurve::EaseInOut, 0.2f), 0.2f);
    EXPECT_GT(Animator::ease(AnimationCurve::EaseInOut, 0.8f), 0.8f);
    EXPECT_LT(Animator::ease(AnimationCurve::EaseIn, 0.5f), 0.5f);
    EXPECT_GT(Animator::ease(AnimationCurve::EaseOut, 0.5f), 0.5f);

    TestDriver driver;
    auto view = std::make_shared<View>(Rect{0, 0, 100, 100});
    driver.window().addSubview(view);
    View::animate(
        0.4,
        [&] {
            view->setFrame({100, 200, 50, 20});
            view->setTransform(Transform::rotation(std::numbers::pi_v<float> / 2));
            view->setBackgroundColor(Color::white());
        },
        {}, 0, AnimationCurve::Linear);
    driver.advance(0.2);
    Point c = view->presentationCenter();
    EXPECT_NEAR(87.5f, c.x, 1e-2f);
    EXPECT_NEAR(130.0f, c.y, 1e-2f);
    // Halfway through a quarter turn is an eighth turn, not a shrunken matrix.
    Transform half = view->presentationTransform();
    Transform expected = Transform::rotation(std::numbers::pi_v<float> / 4);
    EXPECT_NEAR(expected.a, half.a, 1e-3f);
    EXPECT_NEAR(expected.b, half.b, 1e-3f);
    EXPECT_NEAR(0.5f, view->presentationBackgroundColor().a, 1e-3f);
    driver.advance(0.2);
    EXPECT_EQ(view->transform(), view->presentationTransform());
    EXPECT_EQ(view->center(), view->presentationCenter());
    EXPECT_EQ(Color::white(), view->presentationBackgroundColor());
}

TEST(Animation, ReplacedAnimationReportsUnfinishedAndTheNewOneStartsWhereItWas) {
    TestDriver driver;
    auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
    driver.window().addSubview(view);
    Completions first, second;
    View::animate(
        1.0, [&] { view->setAlpha(0); }, first.record(), 0, AnimationCurve::Linear);
    driver.advance(0.5);
    View::animate(
        1.0, [&] { view->setAlpha(1); }, second.record(), 0, AnimationCurve::Linear);
    EXPECT_EQ(std::vector<bool>{false}, first.calls);
    EXPECT_NEAR(0.5f, driver.alpha(view.get()), 1e-3f);
    driver.advance(0.5);
    EXPECT_NEAR(0.75f, driver.alpha(view.get()), 1e-3f);
    driver.advance(0.5);
    EXPECT_EQ(std::vector<bool>{true}, second.calls);
    EXPECT_EQ(1u, first.calls.size());

    // A change outside any block stops the running animation too.
    Completions third;
    View::animate(
        1.0, [&] { view->setAlpha(0.2f); }, third.record());
    driver.advance(0.3);
    view->setAlpha(0.9f);
    EXPECT_EQ(std::vector<bool>{false}, third.calls);
    EXPECT_FLOAT_EQ(0.9f, driver.alpha(view.get()));

    // Two changes of one property in the same block: one animation, to the last value.
    Completions fourth;
    View::animate(
        0.5,
        [&] {
            view->setAlpha(0);
            view->setAlpha(0.4f);
        },
        fourth.record());
    driver.advance(0.5);
    EXPECT_EQ(std::vector<bool>{true}, fourth.calls);
    EXPECT_FLOAT_EQ(0.4f, driver.alpha(view.get()));
}

TEST(Animation, DelayHoldsTheStartValue) {
    TestDriver driver;
    auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
    driver.window().addSubview(view);
    Completions done;
    View::animate(
        0.5,
        [&] {
            view->setCenter({105, 5});
        },
        done.record(), 0.5, AnimationCurve::Linear);
    driver.advance(0.45);
    EXPECT_FLOAT_EQ(5, view->presentationCenter().x);
    driver.advance(0.3);
    EXPECT_NEAR(55, view->presentationCenter().x, 0.1f);
    EXPECT_TRUE(done.calls.empty());
    driver.advance(0.25);
    EXPECT_EQ(std::vector<bool>{true}, done.calls);
    EXPECT_FLOAT_EQ(105, view->presentationCenter().x);
}

TEST(Animation, WithoutWindowOrChangesCompletionsRunAtOnce) {
    auto loose = std::make_shared<View>(Rect{0, 0, 10, 10});
    Completions done;
    View::animate(
        1.0, [&] { loose->setAlpha(0.3f); }, done.record());
    EXPECT_EQ(std::vector<bool>{true}, done.calls);
    EXPECT_FLOAT_EQ(0.3f, loose->presentationAlpha());

    Completions empty;
    View::animate(
        1.0, [] {}, empty.record());
    EXPECT_EQ(std::vector<bool>{true}, empty.calls);
    EXPECT_FALSE(View::isInsideAnimationBlock());
}

TEST(Animation, GroupsChainsAndRemovalFromTheWindow) {
    TestDriver driver;
    auto a = std::make_shared<View>(Rect{0, 0, 10, 10});
    auto b = std::make_shared<View>(Rect{0, 0, 10, 10});
    driver.window().addSubview(a);
    driver.window().addSubview(b);

    // One completion for the whole block; a completion may start the next animation.
    Completions group, chained;
    View::animate(
        0.2,
        [&] {
            a->setAlpha(0);
            b->setAlpha(0);
        },
        [&](bool finished) {
            group.calls.push_back(finished);
            View::animate(
                0.2, [&] { a->setAlpha(1); }, chained.record());
        });
    driver.advance(0.2);
    EXPECT_EQ(std::vector<bool>{true}, group.calls);
    EXPECT_TRUE(a->hasRunningAnimations());
    driver.advance(0.2);
    EXPECT_EQ(std::vector<bool>{true}, chained.calls);
    EXPECT_FLOAT_EQ(1, driver.alpha(a.get()));

    // A view leaving the window drops its animations, unfinished, at the model values.
    Completions removed;
    View::animate(
        1.0,
        [&] {
            b->setCenter({200, 200});
        },
        removed.record());
    driver.advance(0.1);
    b->removeFromSuperview();
    EXPECT_EQ(std::vector<bool>{false}, removed.calls);
    EXPECT_EQ(b->center(), b->presentationCenter());
    EXPECT_EQ(0u, driver.window().animator().animationCount());

    // removeAllAnimations leaves the model values.
    Completions stopped;
    View::animate(
        1.0, [&] { a->setAlpha(0.5f); }, stopped.record());
    a->removeAllAnimations();
    EXPECT_EQ(std::vector<bool>{false}, stopped.calls);
    EXPECT_FLOAT_EQ(0.5f, a->presentationAlpha());
}

TEST(Clock, TimersFireInOrderAtTheirTimes) {
    Clock clock;
    std::vector<std::pair<char, double>> fired;
    auto repeating = clock.scheduledTimer(0.3, true, [&](UiTimer& t) {
        fired.emplace_back('r', clock.now());
        if (clock.now() > 0.8) t.invalidate();
    });
    auto once =
        clock.scheduledTimer(0.5, false, [&](UiTimer&) { fired.emplace_back('o', clock.now()); });
    auto cancelled =
        clock.scheduledTimer(0.1, false, [&](UiTimer&) { fired.emplace_back('x', 0); });
    cancelled->invalidate();
    EXPECT_DOUBLE_EQ(0.3, clock.nextFireTime());
    clock.advanceTo(2.0);
    ASSERT_EQ(4u, fired.size());
    EXPECT_EQ('r', fired[0].first);
    EXPECT_NEAR(0.3, fired[0].second, 1e-9);
    EXPECT_EQ('o', fired[1].first);
    EXPECT_NEAR(0.5, fired[1].second, 1e-9);
    EXPECT_NEAR(0.6, fired[2].second, 1e-9);
    EXPECT_NEAR(0.9, fired[3].second, 1e-9);
    EXPECT_FALSE(once->isValid()); // spent
    EXPECT_FALSE(repeating->isValid());
    EXPECT_LT(clock.nextFireTime(), 0);
    clock.advanceTo(1.0); // never back
    EXPECT_DOUBLE_EQ(2.0, clock.now());

    // A zero-interval repeating timer does not stall the clock.
    int zero = 0;
    clock.scheduledTimer(0, true, [&](UiTimer&) { ++zero; });
    clock.advanceBy(0.01);
    EXPECT_GT(zero, 0);
    EXPECT_LE(zero, 101);
}

TEST(ImageViewAnimation, FramesInTurnThenBackToTheStillImage) {
    TestDriver driver;
    auto view = std::make_shared<ImageView>(Rect{0, 0, 10, 10});
    Image still = solid(1, 1, 9);
    view->setImage(still);
    std::vector<Image> frames;
    for (std::uint8_t i = 0; i < 4; ++i)
        frames.push_back(solid(2, 2, static_cast<std::uint8_t>(i * 50)));
    view->setAnimationImages(frames);
    view->setAnimationDuration(0.4);
    view->setAnimationRepeatCount(2);
    view->startAnimating(); // not in a window yet: waits for one
    driver.advance(0.5);
    EXPECT_EQ(frames[0].data(), view->currentImage().data());

    driver.window().addSubview(view);
    auto frameIndex = [&] {
        for (size_t i = 0; i < frames.size(); ++i)
            if (view->currentImage().data() == frames[i].data()) return static_cast<int>(i);
        return -1;
    };
    EXPECT_EQ(0, frameIndex());
    driver.advance(0.15);
    EXPECT_EQ(1, frameIndex());
    driver.advance(0.1);
    EXPECT_EQ(2, frameIndex());
    driver.advance(0.2);
    EXPECT_EQ(0, frameIndex()); // second cycle
    EXPECT_TRUE(view->isAnimating());
    driver.advance(0.4);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(still.data(), view->currentImage().data());

    view->setAnimationRepeatCount(0); // until stopped
    view->startAnimating();
    driver.advance(5);
    EXPECT_TRUE(view->isAnimating());
    view->stopAnimating();
    EXPECT_EQ(still.data(), view->currentImage().data());
}
