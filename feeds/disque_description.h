// DisqueDescription and TrackDescription: one release of the discography and one of its tracks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/picture.h"

namespace zephrun {

// The cover every release shows until its own is loaded.
inline constexpr std::string_view kDefaultPochette = "jaquette-default.jpg";

struct TrackDescription {
    std::string tTitle;      // display title: "title - artist"
    std::string tDuree;      // duration text
    std::string tURLiTunes;  // store link
    std::string tURLExtrait; // audio preview address
};

struct DisqueDescription {
    // `initWithAnnee:`: the year text as given (already cleaned by the reader), default cover.
    explicit DisqueDescription(std::string annee)
        : dAnnee(std::move(annee)), dPochette{std::string(kDefaultPochette), nullptr} {}

    std::string dTitle;
    std::string dAnnee;
    std::string dURLPochette;
    Picture dPochette;
    std::optional<std::vector<TrackDescription>> listTracks;
};

} // namespace zephrun
