// The mix table's texts and pictures, French and English side by side, and its layout numbers.
#pragma once

#include "app/shell/localized.h"
#include "platform/ui/geometry.h"

namespace zephrun::mixtexts {

inline constexpr const char* kPackage = "mxt_2010";

inline constexpr Localized kInstruction{"Jouez en cliquant sur les blocs pour changer de Remix",
                                        "Click on boxes to select a Remix"};
inline constexpr Localized kSongTitle{"Zephrun : table de mix", "Zephrun: mix table"};
inline constexpr const char* kDownloadTitle = "Zephrun : Mix";
inline constexpr Localized kDownloadMessage{
    "La table de mix a besoin de télécharger un fichier de 10,2 Mo, il est préférable d'être en "
    "WiFi. Cela peut prendre quelques minutes. Souhaitez-vous le télécharger ?",
    "he Mix table need to download a 10.2 Mo file, you should use a Wi-fi Connexion. This can "
    "take several minutes. Do you want to download it?"};

// Recipes and export.
inline constexpr Localized kRecipeButton{"Recette", "Recipe"};
inline constexpr Localized kRecipeSheetTitle{"Recette du mix", "Mix recipe"};
inline constexpr Localized kCopyRecipe{"Copier la recette", "Copy the recipe"};
inline constexpr Localized kPasteRecipe{"Coller une recette", "Paste a recipe"};
inline constexpr Localized kExportWav{"Exporter en WAV", "Export as WAV"};
inline constexpr Localized kCancel{"Annuler", "Cancel"};
inline constexpr Localized kRecipeCopied{
    "La recette du mix est copiée : collez-la pour la partager.",
    "The mix recipe is copied: paste it to share it."};
inline constexpr Localized kRecipeInvalid{
    "Le texte copié n'est pas une recette de cette table de mix.",
    "The copied text is not a recipe of this mix table."};
inline constexpr Localized kRecipeName{"Recette", "Recipe"};
inline constexpr Localized kExporting{"Export du mix", "Exporting the mix"};
inline constexpr Localized kExportDone{"Le mix est enregistré dans ", "The mix is saved in "};
inline constexpr Localized kExportFailed{"Le mix n'a pas pu être enregistré.",
                                         "The mix could not be saved."};
inline constexpr Localized kExportBusy{"Un export est déjà en cours.",
                                       "An export is already running."};

// Pictures.
inline constexpr Localized kPlaceholder{"Mix-temp-fr.jpg", "Mix-temp-uk.jpg"};
inline constexpr Localized kExitImage{"mix-bt-exit-fr.gif", "mix-bt-exit-uk.gif"};
inline constexpr const char* kPlayImage = "mix-bt-play.png";
inline constexpr const char* kPauseImage = "mix-bt-pause.png";
inline constexpr const char* kLockOff = "mix-cadenas-off.png";
inline constexpr const char* kLockOn = "mix-cadenas-on.png";
inline constexpr const char* kPad = "mix-pad.png";
inline constexpr const char* kEqualizerStrip = "mix-equalizer.png";
inline constexpr const char* kEqualizerOff = "equalizer-off.gif";
inline constexpr const char* kEqualizerFrames[] = {
    "equalizer0001.gif", "equalizer0002.gif", "equalizer0003.gif", "equalizer0004.gif",
    "equalizer0005.gif", "equalizer0006.gif", "equalizer0007.gif", "equalizer0008.gif",
    "equalizer0009.gif", "equalizer0010.gif"};
inline constexpr const char* kHeader = "mix-header.png";
inline constexpr const char* kFooter = "mix-footer.png";
inline constexpr const char* kMiddleLeft = "mix-middle-left.png";
inline constexpr const char* kMiddleRight = "mix-middle-right.png";
inline constexpr const char* kLogo = "logo-mxp4.png";

// Layout, in screen points unless said.
namespace layout {
inline constexpr ui::Rect kGrid{34, 100, 224, 380};
inline constexpr ui::Rect kHeader{0, 0, 320, 100};
inline constexpr ui::Rect kFooter{0, 420, 320, 60};
inline constexpr ui::Rect kMiddleLeft{0, 100, 34, 380};
inline constexpr ui::Rect kMiddleRight{258, 100, 62, 380};
inline constexpr float kNameX = 174; // minus 34 per variant, for the names and the locks
inline constexpr float kNameY = 5;
inline constexpr float kNameHeight = 106;
inline constexpr float kLockY = 111;
inline constexpr float kLockHeight = 24;
inline constexpr float kColumn = 34;
inline constexpr ui::Rect kExit{240, 8, 70, 30};
inline constexpr ui::Rect kRecipe{240, 46, 70, 24};
inline constexpr ui::Rect kPlay{265, 128, 44, 44};
inline constexpr ui::Rect kInstruction{58, 441, 162, 36};
inline constexpr ui::Rect kSongTitle{58, 424, 160, 18};
inline constexpr ui::Rect kEqualizerStill{10, 436, 40, 30};
inline constexpr ui::Rect kLogoFrame{224, 446, 90, 24};
inline constexpr ui::Rect kExportTrack{58, 421, 160, 3};
// The volume: the touch area and the level bar, whose height is the volume times 240.
inline constexpr float kVolumeTop = 182;
inline constexpr float kVolumeHeight = 240;
inline constexpr float kVolumeLeft = 260;
inline constexpr float kVolumeRight = 296;
inline constexpr float kLevelWidth = 33;
inline constexpr float kVolumeStep = 0.15f; // a drag must move the volume by more
} // namespace layout

} // namespace zephrun::mixtexts
