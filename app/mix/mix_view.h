// MixView: the mix table's scrolling grid. One column of 12 boxes per variant, one slot per
// section (slot 0 is the section playing, the slots below it the coming ones); in each slot
// exactly one variant's box is lit in that variant's colour. The grid scrolls up one slot per
// section, drops the slot that ended and appends a new one at the bottom. Beside it two colour
// bars show the current and the next variant, and an equaliser strip scrolls with the music.
//
// Threads: interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace ui {
class Button;
class ImageView;
} // namespace ui

namespace zephrun {

class MixView : public ui::View {
  public:
    static constexpr int kSlots = 12;
    static constexpr int kMaxVariants = 5;
    static constexpr float kBox = 34;
    static constexpr float kBoxesTop = 36; // the box area's place at the start of a section
    static constexpr float kBarHeight = 380;
    static constexpr float kBarX = 170;
    static constexpr float kBarWidth = 54;

    // The colour of each variant, and of the box area.
    static ui::Color variantColor(int variant);
    static ui::Color boxAreaColor();

    // `initCustom`: the empty grid. `random` draws the shuffled variants.
    explicit MixView(std::function<std::uint32_t()> random);

    // Builds the boxes of the given variants (at most kMaxVariants are used), then shuffles.
    void generateBoxWithTracksName(const std::vector<std::string>& names);
    // A box was tapped: its variant is lit in its slot.
    void clickOnBox(ui::Button& box);
    // Lights `variant` in `slot` (the other variants' boxes of that slot go clear).
    void setBoxTracks(int variant, int slot);
    // Lights `variant` in slots 1 to 11 and colours the next-section bar.
    void setAllBoxesTracks(int variant);
    void cleanAllBoxes();
    // The slot's variant: the locked one, else one drawn at random.
    void shuffleOnCol(int slot);
    void generateShuffleBoxes();
    // The variant lit in slot 1, the one the next section plays.
    int getNextTrack() const;
    // The section changed: the slots move up by one and a new slot is drawn at the bottom.
    void decalageBoxes();
    // The fraction `p` of the current section heard: scrolls the boxes and the equaliser; a
    // fraction smaller than the previous one means a new section began.
    void updateProgress(float p);
    void returnToInit();
    void updateColorEqua(ui::View& bar, int variant);

    int currentActive = 0;
    int currentNBTracks = 0;
    float oldValueProgress = -1;
    int numVerrou = -1;
    // When set, the variant of a slot drawn by shuffleOnCol (a recipe being replayed), given the
    // count of sections shifted so far and the slot; -1 falls back to the lock or the draw.
    std::function<int(int shifted, int slot)> plannedVariant;
    // Called after the user lit a box.
    std::function<void()> userChanged;

    // For the controller and tests.
    int litVariant(int slot) const { return lit_[static_cast<size_t>(slot)]; }
    int sectionsShifted() const { return shifted_; }
    ui::Button* box(int variant, int slot) const;
    ui::View& viewBoxes() { return *viewBoxes_; }
    ui::View& viewColor1() { return *viewColor1_; }
    ui::View& viewColor2() { return *viewColor2_; }
    ui::View& viewEqua1();
    ui::View& viewEqua2();
    std::string_view className() const override { return "MixView"; }

  private:
    std::shared_ptr<ui::Button> makeBox(int variant, int slot);
    void light(int variant, int slot);

    std::function<std::uint32_t()> random_;
    std::vector<std::array<std::shared_ptr<ui::Button>, kSlots>> listTracksBoxes_;
    std::array<int, kSlots> lit_{};
    int shifted_ = 0;
    std::shared_ptr<ui::View> viewBoxes_;
    std::shared_ptr<ui::View> viewColor1_;
    std::shared_ptr<ui::View> viewColor2_;
    std::shared_ptr<ui::ImageView> viewEqua1_;
    std::shared_ptr<ui::ImageView> viewEqua2_;
};

} // namespace zephrun
