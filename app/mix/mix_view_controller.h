// MixViewController: the mix table. The package "mxt_2010"'s variants (its first skins) as a
// scrolling grid of boxes, one column per variant and one slot per coming section; locks that
// hold a variant for every coming section; play and stop with the play event; the volume drag and
// level bar; the download proposal when the package is missing. Beyond the table itself: the mix
// as a recipe (copied as text, opened again from the pasteboard) and its export to a WAV file.
//
// The table reads the mix player's progress through an injectable source (the delegate's
// audioMixgetProgress) on every "table_de_mix" notice, and hands the next section's variant to
// the engine from 75 % of a section on.
//
// Threads: interface thread only; the export runs on a worker thread (MixExport).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/section_controller.h"
#include "platform/ui/action_sheet.h"
#include "platform/ui/touch.h"
#include "player/mix_recipe.h"

namespace ui {
class Button;
class ImageView;
class Label;
} // namespace ui
namespace zplayer {
class mxp4reader;
}

namespace zephrun {

class MixExport;
class MixView;

class MixViewController : public SectionController, private ui::ActionSheetDelegate {
  public:
    static constexpr int kPlayTag = 1;
    static constexpr int kEqualizerStillTag = 2;
    static constexpr int kEqualizerAnimatedTag = 3;
    static constexpr int kNameTag = 4;
    static constexpr int kInstructionTag = 5;
    static constexpr float kHandOver = 0.75f; // from this fraction of a section on

    explicit MixViewController(ZephrunAppDelegate& appDelegate);
    ~MixViewController() override;
    std::string_view sectionName() const override { return "mix"; }
    void toggleLanguage() override;

    // Stops the mix and goes back to the home screen.
    void returnToHome();
    // The volume bar follows the music volume (0..1).
    void updateLevelVolume(float volume);

    // The variants of a package: the names of its first skins (at most five), blank ones left
    // out, each with the index of its skin. Empty when the package does not load.
    struct Variant {
        std::string name;
        int skin;
    };
    static std::vector<Variant> variantsOf(const std::vector<std::string>& skinNames);
    std::vector<std::string> mixPreload(const std::string& name);

    void mixStart(const std::string& name);
    void mixStop();
    void mixPlay();
    void mixPause();
    void clickOnPlayer();
    void clickOnCadena(int variant);
    void scheduleMix();
    void updateCurrentNameMix(const std::string& name);
    void equalizerOn();
    void equalizerOff();
    // The volume drag: the first touch in the volume area sets the music volume when it moved
    // it by more than 0.15.
    void touchesMoved(const ui::TouchSet& touches, const ui::Event& event);

    // --- Recipes and export ---
    // The mix as a recipe: the one playing (or last played) when there is one, else the grid as
    // it stands with the generator state the next play will use. None without variants.
    std::optional<zplayer::MixRecipe> currentRecipe();
    // Puts the recipe's text on the pasteboard.
    void copyRecipe();
    // Reads a recipe from the pasteboard and plays it; an alert when it is none of this table.
    bool pasteRecipe();
    // Shows the recipe on the grid and plays it; false when it does not fit the package.
    bool openRecipe(const zplayer::MixRecipe& recipe);
    bool isReplaying() const { return replay_.has_value(); }
    // Writes the current mix to a WAV file in the music folder, beside the playing mix.
    bool exportMix();
    // The choices of the recipe button.
    void showRecipeMenu();

    // --- For the shell's tests and the benchmarks ---
    void setProgressSource(std::function<std::optional<float>()> source) {
        progressSource_ = std::move(source);
    }
    void setExportDirectory(std::string directory) { exportDirectory_ = std::move(directory); }
    MixView* myTableMix() { return myTableMix_.get(); }
    bool isShowingPlaceholder() const { return placeholder_; }
    bool isPlaying() const { return playing_; }
    float oldValueVolume() const { return oldValueVolume_; }
    ui::View* levelBar() { return myViewLevel_.get(); }
    ui::Button* lockButton(int variant);
    const std::vector<Variant>& variants() const { return variants_; }
    // The variant last handed to the engine and how many times one was.
    int handedVariant() const { return handedVariant_; }
    int handOverCount() const { return handOvers_; }
    bool isExporting() const;
    double exportProgress() const { return exportProgress_; }
    const std::string& currentNameMix() const { return currentNameMix_; }

  protected:
    std::shared_ptr<ui::View> loadView() override;
    void viewDidLoad() override;

  private:
    void clickedButtonAtIndex(ui::ActionSheet& sheet, int buttonIndex) override;
    std::string packagePath() const;
    void showPlaceholder(bool proposeDownload);
    void makeMiddle();
    void makeHeader();
    void makeFooter();
    void applyLanguage();
    void handOver(int variant);
    void setLockImages(int lockedVariant);
    void userTookOver();
    int skinOf(int variant) const;
    int variantOfSkin(int skin) const;
    std::uint32_t random();

    std::shared_ptr<MixView> myTableMix_;
    std::shared_ptr<ui::View> myViewLevel_;
    std::vector<std::shared_ptr<ui::Label>> listNameTracks_;
    std::vector<std::shared_ptr<ui::Button>> listCadenaTracks_;
    std::shared_ptr<ui::Button> playButton_;
    std::shared_ptr<ui::Button> exitButton_;
    std::shared_ptr<ui::Button> recipeButton_;
    std::shared_ptr<ui::ImageView> placeholderImage_;
    std::shared_ptr<ui::Label> instruction_;
    std::shared_ptr<ui::Label> nameLabel_;
    std::shared_ptr<ui::View> exportTrack_;
    std::shared_ptr<ui::View> exportFill_;
    std::shared_ptr<ui::ActionSheet> sheet_;
    std::string currentNameMix_;
    std::string startDate_;
    float oldValueVolume_ = 0;
    bool placeholder_ = false;
    bool playing_ = false;
    bool observing_ = false;
    int handedVariant_ = -1;
    int handOvers_ = 0;
    std::vector<Variant> variants_;
    std::function<std::optional<float>()> progressSource_;
    // The recipe being replayed, the one of the last play, and the state the next play starts
    // the generator from.
    std::optional<zplayer::MixRecipe> replay_;
    std::optional<zplayer::MixRecipe> lastRecipe_;
    std::optional<std::int32_t> nextSeed_;
    std::unique_ptr<MixExport> export_;
    std::string exportDirectory_;
    double exportProgress_ = 0;
};

} // namespace zephrun
