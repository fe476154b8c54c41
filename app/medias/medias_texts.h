// The medias screen's texts and pictures, French and English side by side.
#pragma once

#include "app/shell/localized.h"

namespace zephrun::medias::texts {

inline constexpr Localized kNoVideos{"Aucune vidéo pour le moment", "No movies currently"};
inline constexpr Localized kViews{"Vues : ", "Views : "};
inline constexpr Localized kRating{"Note : ", "Rating : "};
inline constexpr Localized kDuration{"Durée : ", "Duration : "};

inline constexpr const char* kBackground = "cmn-bkg.png";
inline constexpr const char* kSeparator = "cmn-hsep.png";
inline constexpr const char* kTitleBand = "medias-title.png";
inline constexpr Localized kVideosTab{"medias-videos-fr-on.png", "medias-videos-uk-on.png"};

} // namespace zephrun::medias::texts
