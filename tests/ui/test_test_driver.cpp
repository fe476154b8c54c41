// The headless driver: frame-stepped time with timers and the run loop, gestures, keyboard,
// view lookup and the screenshot hook.
#include <gtest/gtest.h>

#include "platform/run_loop.h"
#include "platform/ui/accelerometer.h"
#include "platform/ui/label.h"
#include "platform/ui/test_driver.h"

using namespace ui;

namespace {

class TextSink : public View {
  public:
    using View::View;
    bool canBecomeFirstResponder() const override { return true; }
    void insertText(std::string_view utf8) override { pieces.emplace_back(utf8); }
    void deleteBackward() override { ++backspaces; }
    void returnKey() override { ++returns; }
    void didResignFirstResponder() override { ++resigned; }
    std::vector<std::string> pieces;
    int backspaces = 0, returns = 0, resigned = 0;
};

class MoveCounter : public View {
  public:
    using View::View;
    void touchesBegan(const TouchSet&, const Event&) override { ++began; }
    void touchesMoved(const TouchSet& t, const Event& e) override {
        ++moved;
        maxAlive = std::max(maxAlive, e.allTouches.size());
        last = t.front()->locationInView(nullptr);
    }
    void touchesEnded(const TouchSet&, const Event&) override { ++ended; }
    int began = 0, moved = 0, ended = 0;
    size_t maxAlive = 0;
    Point last;
};

std::shared_ptr<Label> label(const Rect& frame, const std::string& text) {
    auto l = std::make_shared<Label>(frame);
    l->setText(text);
    return l;
}

} // namespace

TEST(TestDriverTime, AdvanceStepsFramesTimersAndTheRunLoop) {
    TestDriver driver;
    std::vector<double> ticks;
    auto timer = driver.window().clock().scheduledTimer(
        0.1, true, [&](UiTimer&) { ticks.push_back(driver.now()); });
    // Sample an animation every frame: it must pass through intermediate values.
    auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
    driver.window().addSubview(view);
    std::vector<float> samples;
    auto sampler = driver.window().clock().scheduledTimer(
        TestDriver::kFrame, true, [&](UiTimer&) { samples.push_back(view->presentationAlpha()); });
    View::animate(
        0.5, [&] { view->setAlpha(0); }, {}, 0, AnimationCurve::Linear);

    bool posted = false;
    zplatform::RunLoop::current().post([&] { posted = true; });
    driver.advance(1.0);
    EXPECT_TRUE(posted);
    EXPECT_DOUBLE_EQ(1.0, driver.now());
    EXPECT_EQ(10u, ticks.size());
    EXPECT_NEAR(0.5, ticks[4], 1e-9);
    size_t between = std::count_if(samples.begin(), samples.end(),
                                   [](float a) { return a > 0.05f && a < 0.95f; });
    EXPECT_GE(between, 20u);
    timer->invalidate();
    sampler->invalidate();

    int count = 0;
    driver.window().clock().scheduledTimer(0.25, false, [&](UiTimer&) { ++count; });
    EXPECT_TRUE(driver.advanceUntil([&] { return count == 1; }, 1.0));
    EXPECT_NEAR(1.25, driver.now(), TestDriver::kFrame + 1e-9);
    EXPECT_FALSE(driver.advanceUntil([] { return false; }, 0.5));
    EXPECT_NEAR(1.75, driver.now(), TestDriver::kFrame + 1e-9);
}

TEST(TestDriverInput, GesturesKeyboardAndShake) {
    TestDriver driver;
    auto pad = std::make_shared<MoveCounter>(Rect{0, 0, 320, 480});
    pad->setMultipleTouchEnabled(true);
    driver.window().addSubview(pad);
    driver.drag({10, 10}, {110, 60}, 0.5, 5);
    EXPECT_EQ(1, pad->began);
    EXPECT_EQ(5, pad->moved);
    EXPECT_EQ(1, pad->ended);
    EXPECT_EQ((Point{110, 60}), pad->last);
    driver.pinch({160, 240}, 100, 40);
    EXPECT_EQ(2u, pad->maxAlive);
    EXPECT_EQ(3, pad->ended);

    auto sink = std::make_shared<TextSink>(Rect{0, 0, 10, 10});
    driver.window().addSubview(sink);
    driver.typeText("nope"); // nobody has the keyboard
    EXPECT_TRUE(sink->pieces.empty());
    ASSERT_TRUE(sink->becomeFirstResponder());
    driver.typeText("a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ((std::vector<std::string>{"a", "\xC3\xA9", "\xE2\x82\xAC"}), sink->pieces);
    driver.pressBackspace();
    driver.pressReturn();
    EXPECT_EQ(1, sink->backspaces);
    EXPECT_EQ(1, sink->returns);
    sink->removeFromSuperview(); // leaving the window gives the keyboard up
    EXPECT_EQ(nullptr, driver.window().firstResponder());
    EXPECT_EQ(1, sink->resigned);

    std::vector<Acceleration> readings;
    driver.window().accelerometer().setDelegate(
        [&](const Acceleration& a) { readings.push_back(a); });
    driver.shake();
    EXPECT_TRUE(std::any_of(readings.begin(), readings.end(),
                            [](const Acceleration& a) { return std::abs(a.x) > 1.5; }));
}

TEST(TestDriverLookup, FindsVisibleViewsFirstAndInspectsThem) {
    TestDriver driver;
    Window& w = driver.window();
    auto hidden = label({0, 0, 100, 20}, "Next");
    hidden->setHidden(true);
    auto offscreen = label({400, 0, 100, 20}, "Next");
    auto container = std::make_shared<View>(Rect{20, 100, 200, 200});
    auto shown = label({10, 10, 100, 20}, "Next");
    shown->setTag(42);
    w.addSubview(hidden);
    w.addSubview(offscreen);
    w.addSubview(container);
    container->addSubview(shown);

    EXPECT_EQ(shown.get(), driver.findByText("Next"));
    EXPECT_FALSE(driver.isVisible(hidden.get()));
    EXPECT_FALSE(driver.isVisible(offscreen.get()));
    EXPECT_TRUE(driver.isVisible(shown.get()));
    EXPECT_EQ((Rect{30, 110, 100, 20}), driver.frameInWindow(shown.get()));
    EXPECT_EQ("Next", driver.text(shown.get()));
    EXPECT_EQ(shown.get(), driver.findByTag(42));
    EXPECT_EQ(nullptr, driver.findByText("Previous"));
    EXPECT_EQ(3u, driver.findAllOfType<Label>().size());
    // Frontmost first: the modal layer, then the latest subviews.
    auto alert = label({0, 0, 320, 480}, "Next");
    w.presentModal(alert);
    EXPECT_EQ(alert.get(), driver.findByText("Next"));
    EXPECT_EQ(alert.get(),
              driver.findAll([](const View& v) { return v.className() == "Label"; }).front());
    container->setAlpha(0);
    w.dismissModal(alert.get());
    EXPECT_FALSE(driver.isVisible(shown.get()));
    EXPECT_FLOAT_EQ(0, driver.alpha(container.get()));
    EXPECT_EQ(shown.get(), driver.findByText("Next")); // none visible: the frontmost

    auto loose = label({0, 0, 10, 10}, "x");
    EXPECT_FALSE(driver.tap(loose.get()));
    EXPECT_FALSE(driver.screenshot("/nonexistent/shot.png"));
    std::string seen;
    driver.setScreenshotHook([&](Window& win, const std::string& path) {
        seen = path;
        return &win == &w;
    });
    EXPECT_TRUE(driver.screenshot("shot.png"));
    EXPECT_EQ("shot.png", seen);

    // A driver can wrap a window it does not own.
    Window own;
    TestDriver wrapper(own);
    EXPECT_EQ(&own, &wrapper.window());
}
