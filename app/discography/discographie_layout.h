// The discography screen's texts, picture names and layout numbers, in one place so that the
// screen can be compared with its description line by line.
#pragma once

#include "app/shell/localized.h"
#include "platform/ui/geometry.h"

namespace zephrun::disco {

// --- Texts ---
inline constexpr Localized kLoadingKind{"Chargement de l'album", "Loading..."};
inline constexpr Localized kNoConnectionForPreview{
    "Vous n'avez pas de connexion internet pour écouter cette extrait",
    "You must have a Internet connection to listen this song"};
// The kind menu, in tag order: albums, maxis (EPs), compilations.
inline constexpr Localized kMenuTitles[3] = {
    {"Albums", "Albums"}, {"Maxis", "EP"}, {"Compils", "Compils"}};
inline constexpr const char* kFontName = "Trebuchet MS";
inline constexpr float kFontSize = 14;

// --- Pictures ---
inline constexpr const char* kBackground = "albums-bkg.png";
inline constexpr const char* kMenuBackground = "albums-submenu-bkg.png";
inline constexpr const char* kMenuSelection = "bt-submenu-gray.png";
inline constexpr const char* kRowSeparator = "cmn-hsep.png";
inline constexpr const char* kStoreButton = "albums-bt-itunes.png";
inline constexpr const char* kPlayButton = "albums-bt-play.png";
inline constexpr const char* kPauseButton = "albums-bt-pause.png";

// --- Screen (window points) ---
inline constexpr ui::Rect kBackgroundFrame{0, 62, 320, 418};
inline constexpr ui::Rect kStripFrame{0, 67, 320, 120};
inline constexpr ui::Rect kPreviousZoneFrame{0, 67, 20, 120};
inline constexpr ui::Rect kNextZoneFrame{300, 67, 20, 120};
inline constexpr ui::Rect kPageControlFrame{100, 189, 120, 15};
inline constexpr ui::Rect kTableFrame{0, 206, 320, 212};
inline constexpr ui::Rect kMenuFrame{0, 390, 320, 60};

// --- Cover strip ---
// A page is one cover slot: an offset of kPage * i centres disc i.
inline constexpr float kPage = 120;
// Slot i sits at kSlotStart + kPage * i; the content is kPage * count + 2 * kSlotStart wide.
inline constexpr float kSlotStart = 100;
inline constexpr float kCoverFull = 120;
inline constexpr float kCoverSmall = 80;
// The zoom follows the offset in steps larger than this.
inline constexpr float kZoomStep = 7;
// A release this close to a page boundary goes to the page beyond it.
inline constexpr float kSnapMargin = 30;

// Tags in the screen's view and inside the strip.
inline constexpr int kStripTag = -1;
inline constexpr int kPreviousZoneTag = -2;
inline constexpr int kNextZoneTag = -3;
inline constexpr int kCoverTag = 67;

// --- Track rows (row points) ---
inline constexpr float kRowHeight = 44;
inline constexpr ui::Rect kRowSeparatorFrame{0, 43, 320, 1};
inline constexpr ui::Rect kStoreFrame{0, 0, 67, 44};
inline constexpr ui::Rect kPreviewFrame{275, 0, 45, 44};
inline constexpr ui::Rect kIndicatorFrame{288, 12, 20, 20};
inline constexpr ui::Rect kTitleFrame{70, 0, 165, 44};
inline constexpr float kTitleX = 70;
inline constexpr float kTitleMaxWidth = 165;
// Without a duration the title takes the duration's room too.
inline constexpr float kTitleWidening = 40;
inline constexpr float kDurationWidth = 30;

inline constexpr int kPreviewTag = 1;
inline constexpr int kIndicatorTag = 2;
inline constexpr int kTitleTag = 3;
inline constexpr int kDurationTag = 4;

// --- Kind menu (bar points) ---
inline constexpr float kMenuButtonY = 25;
inline constexpr float kMenuButtonHeight = 35;
// Each button is centred in its slot: left edge and width, in tag order.
inline constexpr float kMenuSlots[3][2] = {{0, 117}, {117, 82}, {199, 117}};
inline constexpr int kMenuSelectionLeftCap = 16;

} // namespace zephrun::disco
