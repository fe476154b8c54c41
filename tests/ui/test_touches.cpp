// Touch dispatch: the began-view gets every phase, multiple fingers, tap counts, the modal
// layer, the responder chain and views leaving mid-touch.
#include <gtest/gtest.h>

#include "platform/ui/test_driver.h"

using namespace ui;

namespace {

struct Record {
    TouchPhase phase;
    int finger;
    int tapCount;
    Point local;
    size_t alive;
    View* began; // the view the touch began in
};

class TouchRecorder : public View {
  public:
    using View::View;
    void touchesBegan(const TouchSet& t, const Event& e) override { add(TouchPhase::Began, t, e); }
    void touchesMoved(const TouchSet& t, const Event& e) override { add(TouchPhase::Moved, t, e); }
    void touchesEnded(const TouchSet& t, const Event& e) override { add(TouchPhase::Ended, t, e); }
    void touchesCancelled(const TouchSet& t, const Event& e) override {
        add(TouchPhase::Cancelled, t, e);
    }
    std::vector<TouchPhase> phases() const {
        std::vector<TouchPhase> p;
        for (const auto& r : records) p.push_back(r.phase);
        return p;
    }
    std::vector<Record> records;
    std::function<void()> onBegan;

  private:
    void add(TouchPhase phase, const TouchSet& touches, const Event& event) {
        for (Touch* t : touches) {
            EXPECT_EQ(phase, t->phase());
            records.push_back({phase, t->fingerId(), t->tapCount(), t->locationInView(this),
                               event.allTouches.size(), t->view()});
        }
        if (phase == TouchPhase::Began && onBegan) onBegan();
    }
};

using Phases = std::vector<TouchPhase>;

} // namespace

TEST(Touches, TheBeganViewReceivesEveryPhaseWhereverTheFingerGoes) {
    TestDriver driver;
    auto a = std::make_shared<TouchRecorder>(Rect{0, 0, 100, 100});
    auto b = std::make_shared<TouchRecorder>(Rect{0, 200, 100, 100});
    driver.window().addSubview(a);
    driver.window().addSubview(b);
    driver.drag({50, 50}, {50, 250}, 0.2, 4);
    EXPECT_EQ((Phases{TouchPhase::Began, TouchPhase::Moved, TouchPhase::Moved, TouchPhase::Moved,
                      TouchPhase::Moved, TouchPhase::Ended}),
              a->phases());
    EXPECT_TRUE(b->records.empty());
    EXPECT_EQ(a.get(), a->records.back().began);
    // Positions stay in the began-view's coordinates, even outside it.
    EXPECT_FLOAT_EQ(250, a->records.back().local.y);

    // A view that does not handle touches passes them up the chain.
    auto plain = std::make_shared<View>(Rect{10, 10, 20, 20});
    b->addSubview(plain);
    driver.tap(Point{15, 215});
    EXPECT_EQ((Phases{TouchPhase::Began, TouchPhase::Ended}), b->phases());
    EXPECT_FLOAT_EQ(15, b->records[0].local.x);
    EXPECT_EQ(plain.get(), b->records[0].began);
}

TEST(Touches, SeveralFingersAndSingleTouchViews) {
    TestDriver driver;
    auto multi = std::make_shared<TouchRecorder>(Rect{0, 0, 320, 200});
    multi->setMultipleTouchEnabled(true);
    auto single = std::make_shared<TouchRecorder>(Rect{0, 240, 320, 200});
    driver.window().addSubview(multi);
    driver.window().addSubview(single);

    driver.touchDown(0, {10, 10});
    driver.touchDown(1, {100, 10});
    driver.touchMove(1, {120, 20});
    driver.touchUp(0);
    driver.touchUp(1);
    ASSERT_EQ(5u, multi->records.size());
    EXPECT_EQ(1, multi->records[1].finger);
    EXPECT_EQ(2u, multi->records[1].alive); // the event carries every live touch
    EXPECT_EQ(2u, multi->records[3].alive);
    EXPECT_EQ(1u, multi->records[4].alive);

    driver.touchDown(0, {10, 300});
    driver.touchDown(1, {200, 300}); // a second finger on a single-touch view is not delivered
    driver.touchMove(1, {210, 310});
    driver.touchUp(1);
    driver.touchUp(0);
    EXPECT_EQ((Phases{TouchPhase::Began, TouchPhase::Ended}), single->phases());
    EXPECT_EQ(0, single->records[0].finger);
}

TEST(Touches, TapCountsFollowTheDoubleTapIntervalAndDistance) {
    TestDriver driver;
    auto view = std::make_shared<TouchRecorder>(Rect{0, 0, 320, 480});
    driver.window().addSubview(view);
    auto lastTapCount = [&] { return view->records.back().tapCount; };

    driver.tap(Point{100, 100});
    EXPECT_EQ(1, lastTapCount());
    driver.advance(0.2);
    driver.tap(Point{110, 105});
    EXPECT_EQ(2, lastTapCount());
    driver.advance(0.3);
    driver.tap(Point{110, 105});
    EXPECT_EQ(3, lastTapCount());
    driver.advance(0.4); // too late
    driver.tap(Point{110, 105});
    EXPECT_EQ(1, lastTapCount());
    driver.advance(0.1);
    driver.tap(Point{110, 140}); // too far
    EXPECT_EQ(1, lastTapCount());
    driver.advance(0.1);
    driver.drag({110, 140}, {110, 200}, 0.1, 2); // a drag is no tap
    driver.advance(0.1);
    driver.tap(Point{110, 200});
    EXPECT_EQ(1, lastTapCount());
    driver.advance(0.5);
    driver.doubleTap({50, 50});
    EXPECT_EQ(2, lastTapCount());
}

TEST(Touches, ModalLayerFirstThenTheTree) {
    TestDriver driver;
    auto below = std::make_shared<TouchRecorder>(Rect{0, 0, 320, 480});
    auto sheet = std::make_shared<TouchRecorder>(Rect{0, 280, 320, 200});
    driver.window().addSubview(below);
    driver.window().presentModal(sheet);
    driver.tap(Point{100, 300});
    EXPECT_EQ(2u, sheet->records.size());
    EXPECT_FLOAT_EQ(20, sheet->records[0].local.y);
    EXPECT_TRUE(below->records.empty());
    driver.tap(Point{100, 100});
    EXPECT_EQ(2u, below->records.size());
    driver.window().dismissModal(sheet.get());
    driver.advance(1);
    driver.tap(Point{100, 300});
    EXPECT_EQ(4u, below->records.size());
}

TEST(Touches, ViewsLeavingOrCancellationEndTheirTouchesSafely) {
    TestDriver driver;
    auto view = std::make_shared<TouchRecorder>(Rect{0, 0, 100, 100});
    driver.window().addSubview(view);
    view->onBegan = [&] { view->removeFromSuperview(); };
    std::weak_ptr<View> weak = view;
    driver.touchDown(0, {50, 50});
    view.reset(); // the removed view dies while its finger is still down
    EXPECT_TRUE(weak.expired());
    driver.touchMove(0, {60, 60});
    driver.touchUp(0);

    auto other = std::make_shared<TouchRecorder>(Rect{0, 0, 100, 100});
    driver.window().addSubview(other);
    driver.touchDown(0, {50, 50});
    driver.window().cancelAllTouches();
    driver.touchUp(0); // nothing left to end
    EXPECT_EQ((Phases{TouchPhase::Began, TouchPhase::Cancelled}), other->phases());

    // A Began for a finger that is already down cancels the lost touch first.
    driver.touchDown(0, {50, 50});
    driver.touchDown(0, {60, 60});
    EXPECT_EQ((Phases{TouchPhase::Began, TouchPhase::Cancelled, TouchPhase::Began,
                      TouchPhase::Cancelled, TouchPhase::Began}),
              other->phases());
}
