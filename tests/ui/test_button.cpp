// Buttons: control events inside, outside and within the slop; states and their fallbacks;
// data carried in a clear title; content layout; actions that release the button.
#include <gtest/gtest.h>

#include <map>

#include "platform/ui/button.h"
#include "platform/ui/test_driver.h"
#include "recording_canvas.h"

using namespace ui;

namespace {

struct EventLog {
    std::map<ControlEvent, int> counts;
    void watch(Control& control) {
        for (ControlEvent e :
             {ControlEvent::TouchDown, ControlEvent::TouchDownRepeat, ControlEvent::TouchUpInside,
              ControlEvent::TouchUpOutside, ControlEvent::TouchDragEnter,
              ControlEvent::TouchDragExit, ControlEvent::TouchCancel})
            control.addTarget([this, e](Control&) { ++counts[e]; }, e);
    }
    int operator[](ControlEvent e) const {
        auto it = counts.find(e);
        return it == counts.end() ? 0 : it->second;
    }
};

struct Fixture {
    TestDriver driver;
    std::shared_ptr<Button> button = std::make_shared<Button>(Rect{100, 100, 100, 40});
    EventLog log;
    Fixture() {
        driver.window().addSubview(button);
        log.watch(*button);
    }
};

} // namespace

TEST(ButtonEvents, TapDragWithinSlopAndOutside) {
    Fixture f;
    f.driver.touchDown(0, {150, 120});
    EXPECT_TRUE(f.button->isHighlighted());
    EXPECT_EQ(1, f.log[ControlEvent::TouchDown]);
    f.driver.touchUp(0);
    EXPECT_FALSE(f.button->isHighlighted());
    EXPECT_EQ(1, f.log[ControlEvent::TouchUpInside]);

    // Within 70 points of the edge the finger still counts as inside.
    f.driver.advance(1);
    f.driver.drag({150, 120}, {265, 120});
    EXPECT_EQ(2, f.log[ControlEvent::TouchUpInside]);
    EXPECT_EQ(0, f.log[ControlEvent::TouchDragExit]);

    // Beyond it: exit once, released outside.
    f.driver.advance(1);
    f.driver.drag({150, 120}, {275, 120});
    EXPECT_EQ(1, f.log[ControlEvent::TouchDragExit]);
    EXPECT_EQ(1, f.log[ControlEvent::TouchUpOutside]);
    EXPECT_EQ(2, f.log[ControlEvent::TouchUpInside]);

    // Out and back in: enter, released inside.
    f.driver.advance(1);
    f.driver.touchDown(0, {150, 120});
    f.driver.touchMove(0, {150, 300});
    EXPECT_FALSE(f.button->isHighlighted());
    f.driver.touchMove(0, {150, 130});
    EXPECT_TRUE(f.button->isHighlighted());
    f.driver.touchUp(0);
    EXPECT_EQ(1, f.log[ControlEvent::TouchDragEnter]);
    EXPECT_EQ(3, f.log[ControlEvent::TouchUpInside]);

    // A quick second tap is a repeat.
    f.driver.advance(1);
    f.driver.doubleTap({150, 120});
    EXPECT_EQ(1, f.log[ControlEvent::TouchDownRepeat]);

    f.driver.touchDown(0, {150, 120});
    f.driver.window().cancelAllTouches();
    EXPECT_EQ(1, f.log[ControlEvent::TouchCancel]);
    EXPECT_FALSE(f.button->isHighlighted());
}

TEST(ButtonEvents, DisabledRemovedTargetsAndSelfRemoval) {
    Fixture f;
    f.button->setEnabled(false);
    f.driver.tap(f.button.get());
    EXPECT_EQ(0, f.log[ControlEvent::TouchDown]);
    EXPECT_EQ(0, f.log[ControlEvent::TouchUpInside]);
    f.button->setEnabled(true);

    int fired = 0;
    int id = f.button->addTarget([&](Control&) { ++fired; }, ControlEvent::TouchUpInside);
    f.button->removeTarget(id);
    f.driver.advance(1);
    f.driver.tap(f.button.get());
    EXPECT_EQ(0, fired);
    EXPECT_EQ(1, f.log[ControlEvent::TouchUpInside]);

    // An action may take the button away and drop the last reference to it.
    std::weak_ptr<Button> weak = f.button;
    f.button->addTarget([&](Control& c) { c.removeFromSuperview(); }, ControlEvent::TouchUpInside);
    f.button.reset();
    f.driver.advance(1);
    f.driver.tap(Point{150, 120});
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(2, f.log[ControlEvent::TouchUpInside]);
}

TEST(ButtonStates, ValuesFallBackToNormalAndClearTitlesCarryData) {
    Fixture f;
    Button& b = *f.button;
    b.setTitle("Play");
    b.setTitle("Pressed", ControlState::Highlighted);
    b.setTitleColor(Color::black());
    EXPECT_EQ("Play", b.currentTitle());
    f.driver.touchDown(0, {150, 120});
    EXPECT_EQ("Pressed", b.currentTitle());
    EXPECT_EQ(Color::black(), b.currentTitleColor()); // no highlighted colour: the normal one
    f.driver.touchUp(0);
    b.setSelected(true);
    EXPECT_EQ("Play", b.currentTitle());
    b.setHighlighted(true);
    EXPECT_EQ("Pressed", b.currentTitle()); // selected + highlighted
    b.setHighlighted(false);
    b.setSelected(false);
    b.setEnabled(false);
    EXPECT_EQ("Play", b.currentTitle());
    EXPECT_EQ(&b, f.driver.findByText("Play"));
    b.setEnabled(true);

    // A clear title colour: the title is data, never drawn nor found as text.
    b.setTitle("http://example.org/item/42");
    b.setTitleColor(Color::clear());
    EXPECT_TRUE(b.carriesDataInTitle());
    EXPECT_EQ("http://example.org/item/42", b.currentTitle());
    EXPECT_EQ("", b.displayedText());
    EXPECT_EQ(nullptr, f.driver.findByText("http://example.org/item/42"));
    uitest::RecordingCanvas canvas;
    f.driver.window().renderWindow(canvas);
    EXPECT_TRUE(canvas.texts.empty());
}

TEST(ButtonLayout, ContentInsetsImageAndTitle) {
    Fixture f;
    Button& b = *f.button;
    b.setTitleFont(Font::named("Trebuchet MS", 10)); // 5.5 points a character, 12 a line
    b.setTitle("abcd");                              // 22 points
    EXPECT_EQ((Rect{39, 14, 22, 12}), b.titleRect());
    b.setContentEdgeInsets({0, 20, 0, 0});
    EXPECT_EQ((Rect{49, 14, 22, 12}), b.titleRect());
    b.setContentEdgeInsets({});
    b.setImage(Image::fromPixels(10, 10, std::vector<std::uint8_t>(400, 255)));
    EXPECT_EQ((Rect{34, 15, 10, 10}), b.imageRect()); // side by side, centred together
    EXPECT_EQ((Rect{44, 14, 22, 12}), b.titleRect());

    // A title wider than the button is cut with an ellipsis.
    b.setImage(Image());
    b.setTitle("a very long title that cannot fit");
    uitest::RecordingCanvas canvas;
    f.driver.window().renderWindow(canvas);
    ASSERT_EQ(1u, canvas.texts.size());
    EXPECT_LE(FixedFontMetrics().width(b.titleFont(), canvas.texts[0].text), 100);
    EXPECT_EQ("\xE2\x80\xA6", canvas.texts[0].text.substr(canvas.texts[0].text.size() - 3));

    // A stretchable background fills the bounds in slices.
    canvas = {};
    b.setBackgroundImage(
        Image::fromPixels(9, 9, std::vector<std::uint8_t>(324, 255)).stretchableImage(4, 4));
    f.driver.window().renderWindow(canvas);
    EXPECT_EQ(9u, canvas.images.size());
}
