// HomeViewController: the home screen — five draggable boxes, one per section, that are also a
// mixing desk for the home music (a box's height sets its track's volume, the slider fades the
// tracks by their distance from it, a shake scatters the boxes), the news and Twitter strips,
// the sound and information buttons. Holding a box still, tapping or double-tapping it opens its
// section for members.
//
// Threads: interface thread. The box contents are prepared on a worker thread and set through
// the interface run loop.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "app/shell/section_controller.h"
#include "platform/ui/geometry.h"
#include "platform/ui/touch.h"

namespace ui {
class Button;
class ImageView;
class UiTimer;
struct Acceleration;
} // namespace ui

namespace zephrun {

class HomeBoxView;
class HomeLineNews;
class HomeLineTwitter;

class HomeViewController : public SectionController {
  public:
    static constexpr int kBoxCount = 5;
    static constexpr int kInfoButtonTag = 121212;
    static constexpr int kSoundButtonTag = 121213;
    static constexpr float kCursorRest = 116;

    explicit HomeViewController(ZephrunAppDelegate& appDelegate);
    ~HomeViewController() override;
    std::string_view sectionName() const override { return "home"; }

    // The shell's calls.
    void showSlider();
    void destroySlider();
    void resetSliderEffect();
    void showLigne();
    void hideLigne();
    void toggleLanguage() override;
    // The sound button's state: its title "1" (on) or "0" (off).
    bool isSoundOn() const;
    void setSoundButtonOn(bool on);

    // Opens the box's section, or asks for a login first.
    void goToView(HomeBoxView& box);
    // Sends the box's track volume when it changed by 13 or more.
    void changeLevelOfBox(HomeBoxView& box);
    void changeCoeffLevel(float cursorX);
    void changeCoeffLevelFor(HomeBoxView& box, float cursorX);
    HomeBoxView* getBoxSelectedInPoint(ui::Point point);
    void moveBoxByShake();
    void clicOnSound();

    // Where the boxes go at first: x = 57 k for the k-th box placed (in a random order), y drawn
    // from 62 to 291, kept 66.6 below the box of the previous index unless that passes 292.
    static std::array<ui::Point, kBoxCount>
    randomPlacement(const std::function<std::uint32_t()>& random);
    // The level rule and the slider's attenuation, for one box at (x, y).
    static int levelFor(float y, float coefLevel);
    static float coefficientFor(float boxCenterX, float cursorX);

    HomeBoxView& box(int index) { return *myBoxes_[index]; }
    HomeLineNews* newsLine() { return myNewsView_.get(); }
    HomeLineTwitter* twitterLine() { return myTwitterView_.get(); }
    ui::View* viewSliderCursor() { return viewSliderCursor_.get(); }
    // Whether the box contents have been set.
    bool boxesLoaded() const { return boxesLoaded_; }

    // Touch handling of the home view.
    void touchesBegan(const ui::TouchSet& touches, const ui::Event& event);
    void touchesMoved(const ui::TouchSet& touches, const ui::Event& event);
    void touchesEnded(const ui::TouchSet& touches, const ui::Event& event);

  protected:
    std::shared_ptr<ui::View> loadView() override;
    void viewDidLoad() override;

  private:
    struct BoxContents;
    void placeBoxesAtRandom();
    void loadBox();
    void showBoxContents(const BoxContents& contents);
    void startHold(HomeBoxView& box);
    void stopHold();
    void didAccelerate(const ui::Acceleration& acceleration);
    // Opens the box's section at most once per gesture.
    void openOnce(HomeBoxView& box);
    std::uint32_t random();

    std::array<std::shared_ptr<HomeBoxView>, kBoxCount> myBoxes_;
    std::shared_ptr<HomeLineNews> myNewsView_;
    std::shared_ptr<HomeLineTwitter> myTwitterView_;
    std::shared_ptr<ui::View> viewSlider_;
    std::shared_ptr<ui::View> viewSliderCursor_;
    std::shared_ptr<ui::Button> infoButton_;
    std::shared_ptr<ui::Button> soundButton_;
    std::shared_ptr<ui::UiTimer> holdTimer_;
    HomeBoxView* heldBox_ = nullptr;
    ui::Point holdStart_;
    int holdCountdown_ = 0;
    bool openedThisGesture_ = false;
    bool inShake_ = false;
    bool boxesLoaded_ = false;
    std::thread loader_;
    std::shared_ptr<bool> alive_;
};

} // namespace zephrun
