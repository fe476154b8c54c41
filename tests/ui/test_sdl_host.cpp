// The window host on SDL's dummy video driver (no display): mouse buttons and motion become
// touches of finger 0, Ctrl or the right button adds the mirrored finger 1, keys and text reach
// the first responder, S shakes, Escape and quitting end the loop, and frames are drawn only
// when the window needs display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui/accelerometer.h"
#include "platform/ui/sdl/sdl_host.h"
#include "platform/ui/window.h"

namespace {

using ui::Point;
using ui::TouchPhase;

struct Record {
    int finger;
    TouchPhase phase;
    Point location;
};

// Takes every touch and text it is given.
class Recorder : public ui::View {
  public:
    explicit Recorder(const ui::Rect& frame) : View(frame) { setMultipleTouchEnabled(true); }
    void touchesBegan(const ui::TouchSet& t, const ui::Event&) override { add(t); }
    void touchesMoved(const ui::TouchSet& t, const ui::Event&) override { add(t); }
    void touchesEnded(const ui::TouchSet& t, const ui::Event&) override { add(t); }
    void touchesCancelled(const ui::TouchSet& t, const ui::Event&) override { add(t); }
    bool canBecomeFirstResponder() const override { return true; }
    void insertText(std::string_view utf8) override { text += utf8; }
    void deleteBackward() override {
        if (!text.empty()) text.pop_back();
    }
    void returnKey() override { text += "<return>"; }

    std::vector<Record> touches;
    std::string text;

  private:
    void add(const ui::TouchSet& set) {
        for (const ui::Touch* t : set)
            touches.push_back({t->fingerId(), t->phase(), t->locationInView(nullptr)});
    }
};

class SdlHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        window = std::make_shared<ui::Window>();
        recorder = std::make_shared<Recorder>(ui::Rect{0, 0, 320, 480});
        window->addSubview(recorder);
    }
    std::unique_ptr<ui::sdl::SdlHost> open(float scale) {
        ui::sdl::SdlHostOptions options;
        options.scale = scale;
        auto host = std::make_unique<ui::sdl::SdlHost>(window, options);
        EXPECT_TRUE(host->ok()) << host->error();
        return host;
    }
    static void mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x, e.motion.y = y, e.motion.state = SDL_BUTTON_LMASK;
        } else {
            e.button.x = x, e.button.y = y, e.button.button = button;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        }
        SDL_PushEvent(&e);
    }
    static void key(SDL_Keycode code, bool down = true) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.sym = code;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    static void text(const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
        SDL_PushEvent(&e);
    }

    std::shared_ptr<ui::Window> window;
    std::shared_ptr<Recorder> recorder;
};

TEST_F(SdlHostTest, MouseIsFingerZeroAndCtrlAddsAMirroredFinger) {
    auto host = open(2);
    ASSERT_TRUE(host->ok());
    // Window pixels at 2x: (200, 100) is the point (100, 50).
    mouse(SDL_MOUSEBUTTONDOWN, 200, 100);
    mouse(SDL_MOUSEMOTION, 240, 120);
    key(SDLK_LCTRL);
    mouse(SDL_MOUSEMOTION, 260, 140);
    key(SDLK_LCTRL, false);
    mouse(SDL_MOUSEBUTTONUP, 260, 140);
    mouse(SDL_MOUSEMOTION, 300, 300); // no button: no touch
    ASSERT_TRUE(host->frame());

    const std::vector<Record> expected = {
        {0, TouchPhase::Began, {100, 50}},  {0, TouchPhase::Moved, {120, 60}},
        {1, TouchPhase::Began, {200, 420}}, {0, TouchPhase::Moved, {130, 70}},
        {1, TouchPhase::Moved, {190, 410}}, {1, TouchPhase::Ended, {190, 410}},
        {0, TouchPhase::Ended, {130, 70}},
    };
    ASSERT_EQ(recorder->touches.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Record& got = recorder->touches[i];
        EXPECT_EQ(got.finger, expected[i].finger) << i;
        EXPECT_EQ(got.phase, expected[i].phase) << i;
        EXPECT_EQ(got.location, expected[i].location) << i;
    }

    // The right button holds both fingers from the start and lifts both.
    recorder->touches.clear();
    mouse(SDL_MOUSEBUTTONDOWN, 64, 64, SDL_BUTTON_RIGHT);
    mouse(SDL_MOUSEBUTTONDOWN, 64, 64, SDL_BUTTON_LEFT); // a second button adds nothing
    mouse(SDL_MOUSEBUTTONUP, 64, 64, SDL_BUTTON_RIGHT);
    ASSERT_TRUE(host->frame());
    ASSERT_EQ(recorder->touches.size(), 4u);
    EXPECT_EQ(recorder->touches[0].finger, 0);
    EXPECT_EQ(recorder->touches[1].finger, 1);
    EXPECT_EQ(recorder->touches[1].location, (Point{288, 448}));
    EXPECT_EQ(recorder->touches[2].phase, TouchPhase::Ended);
    EXPECT_EQ(recorder->touches[3].phase, TouchPhase::Ended);
}

TEST_F(SdlHostTest, KeysAndTextReachTheFirstResponderAndEscapeCloses) {
    auto host = open(1);
    ASSERT_TRUE(host->ok());
    // Without focus, S shakes (and its text goes nowhere).
    key(SDLK_s);
    text("s");
    ASSERT_TRUE(host->frame());
    EXPECT_TRUE(window->accelerometer().isShaking());
    EXPECT_EQ(recorder->text, "");

    ASSERT_TRUE(recorder->becomeFirstResponder());
    text("Zé");
    key(SDLK_s); // typing, not shaking
    text("s");
    key(SDLK_BACKSPACE);
    key(SDLK_RETURN);
    ASSERT_TRUE(host->frame());
    EXPECT_EQ(recorder->text, "Zé<return>");

    key(SDLK_ESCAPE);
    EXPECT_FALSE(host->frame());
    EXPECT_FALSE(host->frame()); // stays closed
}

TEST_F(SdlHostTest, DrawsOnlyWhenTheWindowNeedsDisplayAndQuitEnds) {
    auto host = open(1);
    ASSERT_TRUE(host->ok());
    ASSERT_TRUE(host->frame());
    long drawn = host->framesDrawn();
    EXPECT_GE(drawn, 1);
    EXPECT_FALSE(window->needsDisplay());
    ASSERT_TRUE(host->frame());
    ASSERT_TRUE(host->frame());
    EXPECT_EQ(host->framesDrawn(), drawn); // nothing changed, nothing drawn
    recorder->setBackgroundColor(ui::Color::white());
    ASSERT_TRUE(host->frame());
    EXPECT_EQ(host->framesDrawn(), drawn + 1);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(host->run(), 0); // returns at once
}

} // namespace
