// The tour map's texts, pictures and frames, French and English side by side.
#pragma once

#include "app/shell/localized.h"
#include "app/shell/shell_texts.h"
#include "platform/ui/geometry.h"

namespace zephrun::tourtracker {

// --- Overlays and alerts ---
inline constexpr Localized kUpdatingMembers{"Mise à jour des membres", "Updating \"Members\""};
inline constexpr Localized kUpdatingConcerts{"Mise à jour des concerts", "Updating \"Concerts\""};
inline constexpr Localized kUpdatingPosition{"Mise à jour de votre position",
                                             "Your location is going to be updated"};
inline constexpr Localized kUpdatingPhotos{"Mise à jour des photos", "Updating \"Photos\""};
inline constexpr Localized kDownloadingPhoto{"Téléchargement de la photo", "Download in progress"};
inline constexpr Localized kMapError{"Une erreur est survenue lors de la mise à jour de la carte",
                                     texts::kUnableToUpdate};
inline constexpr Localized kPositionError{
    "Une erreur est survenue lors de la mise à jour de votre position", texts::kUnableToUpdate};
inline constexpr Localized kPhotosError{"Une erreur est survenue lors de la mise à jour des Photos",
                                        texts::kUnableToUpdate};
inline constexpr Localized kPhotoError{"Une erreur est survenue lors du chargement de la photo",
                                       texts::kUnableToUpdate};
inline constexpr Localized kCalendarError{"Le concert n'a pas pu être ajouté au calendrier",
                                          "Unable to add the concert to the calendar"};
inline constexpr Localized kAddToCalendar{"+ Agenda", "+ Calendar"};
inline constexpr const char* kAuthorFormat = "By ";

// --- Pictures ---
inline constexpr const char* kTitleBackground = "tourtracker-bkg-title.png";
inline constexpr const char* kTitle = "tourtracker-title.png";
inline constexpr Localized kBackButton{"news-bt-back-fr.png", "news-bt-back-uk.png"};
inline constexpr const char* kBottomBar = "com-bottom-menu.png";
inline constexpr const char* kMenuButton = "cmn-bt-menu-off.png";
inline constexpr const char* kGeolocButton = "tourtracker-bt-geoloc.png";
inline constexpr const char* kEventButton = "tourtracker-bt-evenement.png";
inline constexpr Localized kEventButtonOn{"tourtracker-bt-evenement-h-fr.png",
                                          "tourtracker-bt-evenement-h-uk.png"};
inline constexpr const char* kSeparator = "tourtracker-menu-sep.png";
inline constexpr const char* kMembresButton = "tourtracker-bt-membre.png";
inline constexpr Localized kMembresButtonOn{"tourtracker-bt-membre-h-fr.png",
                                            "tourtracker-bt-membre-h-uk.png"};
inline constexpr const char* kPinMale = "tourtracker-picto-male.png";
inline constexpr const char* kPinFemale = "tourtracker-picto-female.png";
inline constexpr const char* kPinOther = "tourtracker-picto-other.png";
inline constexpr const char* kPinZephrun = "tourtracker-picto-zephrun.png";
inline constexpr const char* kPinConcert = "tourtracker-picto-evenement-on.png";
inline constexpr const char* kPinMe = "tourtracker-picto-me.png";
inline constexpr const char* kBubbleBackground = "tourtracker-bkg-evenement.png";
inline constexpr const char* kArrowLeft = "tourtracker-bkg-evenement-larrow.png";
inline constexpr const char* kArrowRight = "tourtracker-bkg-evenement-rarrow.png";
inline constexpr const char* kBubbleClose = "tourtracker-evenement-close.png";
inline constexpr const char* kViewerBackground = "cmn-bkg.png";
inline constexpr const char* kCommentButton = "photos-bt-comments.png";
inline constexpr const char* kCommentBubble = "cmn-bkg-load.png";

// Reuse identifiers of the pin views.
inline constexpr const char* kReuseMembre = "MembreAnnotation";
inline constexpr const char* kReuseConcert = "ConcertsAnnotation";
inline constexpr const char* kReuseMe = "MeAnnotation";

inline constexpr const char* kFont = "Trebuchet MS";

// --- Frames (in the 320 x 418 view) ---
inline constexpr ui::Rect kMap{0, 0, 320, 388};
inline constexpr ui::Rect kBackButtonFrame{230, 2, 90, 28};
inline constexpr ui::Rect kBottomBarFrame{0, 338, 320, 80};
inline constexpr ui::Rect kMenuButtonFrame{120, 381, 80, 37};
inline constexpr ui::Rect kGeolocButtonFrame{17, 386, 46, 32};
inline constexpr ui::Rect kEventButtonFrame{216, 386, 46, 32};
inline constexpr ui::Rect kSeparatorFrame{264, 386, 3, 32};
inline constexpr ui::Rect kMembresButtonFrame{269, 386, 46, 32};
inline constexpr int kMembresButtonTag = 21;
inline constexpr int kEventButtonTag = 22;
inline constexpr float kShownAlpha = 1.0f;
inline constexpr float kHiddenAlpha = 0.5f;

// Initial region: the member's position once published, else the middle of France.
inline constexpr double kDefaultLatitude = 47.0;
inline constexpr double kDefaultLongitude = 2.16;
inline constexpr double kInitialSpan = 17.0;
// Members reload beyond these moves and zooms.
inline constexpr double kReloadSpans = 1.2;
inline constexpr double kReloadZoom = 6;
// Tile failures reported once in this many.
inline constexpr int kTileErrorsPerAlert = 10;

// Concert bubble, in the bubble's coordinates.
inline constexpr ui::Rect kBubble{0, 100, 320, 220};
inline constexpr ui::Rect kBubbleDate{78, 16, 100, 24};
inline constexpr ui::Rect kBubbleTitle1{78, 38, 210, 20};
inline constexpr ui::Rect kBubbleTitle2{78, 58, 210, 20};
inline constexpr ui::Rect kBubbleAddress{40, 78, 240, 50};
inline constexpr ui::Rect kBubbleCloseFrame{256, 8, 45, 45};
inline constexpr ui::Rect kCalendarButtonFrame{180, 18, 72, 22};
inline constexpr ui::Point kIndicatorOrigin{150, 157};
inline constexpr ui::Rect kStrip{34, 137, 252, 60};
inline constexpr int kStripTag = 78;
inline constexpr ui::Rect kArrowLeftFrame{20, 155, 15, 25};
inline constexpr ui::Rect kArrowRightFrame{286, 155, 15, 25};
inline constexpr float kThumbSide = 60;
inline constexpr float kThumbStep = 63;
inline constexpr int kMoreTag = 1;
inline constexpr int kThumbTag = 2;
inline constexpr const char* kThumbQuery = "&r=1&w=60";

// Photo viewer and comment overlay.
inline constexpr ui::Rect kViewerOffScreen{320, 0, 320, 418};
inline constexpr ui::Rect kAuthorFrame{200, 370, 120, 50};
inline constexpr ui::Rect kCommentButtonFrame{20, 370, 50, 50};
inline constexpr double kSlideSeconds = 0.3;
inline constexpr const char* kProbeQuery = "&w=10";
inline constexpr const char* kLandscapeQuery = "&w=320";
inline constexpr const char* kPortraitQuery = "&h=380";
inline constexpr double kProbeSeconds = 15;
inline constexpr double kPhotoSeconds = 20;

} // namespace zephrun::tourtracker
