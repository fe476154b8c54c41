// The texts and picture names of the community screens — the hub, the reporter, the radio-show
// list and the Twitter list — French and English side by side.
#pragma once

#include "app/shell/localized.h"
#include "app/shell/shell_texts.h"

namespace zephrun::community {

// Shared by the sub-views.
inline constexpr Localized kBackImage{"news-bt-back-fr.png", "news-bt-back-uk.png"};
inline constexpr Localized kUpdatingTwitter{"Mise à jour du Twitter", "Updating \"Twitter\""};
inline constexpr Localized kTwitterError{
    "Une erreur est survenue lors de la mise à jour des dates du Twitter", texts::kUnableToUpdate};

// The hub.
inline constexpr Localized kArtistMarker{"com-zr-here-fr.png", "com-zr-here-uk.png"};
inline constexpr Localized kReporterBox{"com-box-reporter-fr-secours.png",
                                        "com-box-reporter-uk-secours.png"};
inline constexpr Localized kMapError{"Une erreur est survenue lors de la mise à jour de la carte",
                                     texts::kUnableToUpdate};

// The reporter.
inline constexpr Localized kReporterHint{
    "Cliquez sur l'image pour :\n- Prendre une nouvelle photo\n- Choisir une photo dans votre "
    "album",
    "Click here to:\n- Take a picture\n- Choose a picture in your album"};
inline constexpr Localized kSendImage{"reporter-bt-send-fr.png", "reporter-bt-send-uk.png"};
inline constexpr Localized kEventsPlaceholder{"Événements", "Events"};
inline constexpr Localized kCommentsPlaceholder{"Commentaires", "Comments"};
inline constexpr Localized kNewPicture{"Nouvelle photo", "New Picture"};
inline constexpr Localized kChoosePicture{"Choisir une photo", "Choose a Picture"};
inline constexpr Localized kDeletePicture{"Effacer la photo", "Delete Picture"};
inline constexpr Localized kCancel{"Annuler", "Cancel"};
inline constexpr Localized kNoEvent{"Vous devez selectionner un événement",
                                    "Please, select an event"};
inline constexpr Localized kNoPicture{"Vous devez joindre une photo", "Please, add a photo"};
inline constexpr Localized kSending{"Envoi de votre reportage en cours",
                                    "Your reporting is gooing to be sent"};
inline constexpr Localized kThanksTitle{"Zephrun : Merci", "Zephrun : Thank you"};
inline constexpr Localized kThanks{"Votre reportage a été enregistré. Merci",
                                   "Your report has been sent. Thanks"};
inline constexpr Localized kSendError{"Une erreur est survenue lors de l'envoi de votre reportage",
                                      texts::kUnableToUpdate};
inline constexpr const char* kDefaultPicture = "reporter-img-default.png";

// The radio-show list.
inline constexpr Localized kUpdatingShowLive{"Mise à jour des show live",
                                             "Updating \"Live Shows\""};
inline constexpr Localized kShowLiveError{
    "Une erreur est survenue lors de la mise à jour des show live", texts::kUnableToUpdate};

// The Twitter list: the next-page row, filled with the tweets loaded and the total.
inline constexpr Localized kSeeMore{"Télécharger la suite : %d/%d", "See more : %d/%d"};

} // namespace zephrun::community
