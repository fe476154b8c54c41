// The news screen's texts and pictures, French and English side by side.
#pragma once

#include "app/shell/localized.h"

namespace zephrun::news::texts {

inline constexpr Localized kNoNews{"Aucun news pour le moment", "No news currently"};
inline constexpr Localized kNoLives{"Aucun concert pour le moment", "No lives currently"};
inline constexpr Localized kQuitQuestion{"Voulez-vous quitter l'application ?",
                                         "Do you want to quit the application?"};
inline constexpr Localized kLinkAttached{"Lien associé", "Link"};
inline constexpr Localized kWatchVideo{"Cliques ici pour voir la vidéo",
                                       "Click here to watch the video"};

inline constexpr const char* kBackground = "cmn-bkg.png";
inline constexpr const char* kTitleBand = "news-title.png";
inline constexpr const char* kTabCapsule = "news-select-left.png";
inline constexpr const char* kVideoThumbnail = "news-img-video.jpg";
inline constexpr Localized kActusOn{"news-actus-fr-on.png", "news-actus-uk-on.png"};
inline constexpr Localized kActusOff{"news-actus-fr-off.png", "news-actus-uk-off.png"};
inline constexpr Localized kLiveOn{"news-live-fr-on.png", "news-live-uk-on.png"};
inline constexpr Localized kLiveOff{"news-live-fr-off.png", "news-live-uk-off.png"};
inline constexpr Localized kBackButton{"news-bt-back-fr.png", "news-bt-back-uk.png"};

} // namespace zephrun::news::texts
