// The drawing of each picture style of the manifest, in one visual language: graphite panels,
// the artist's red-orange and cyan accents, white type.
#pragma once

#include <string>

#include "raster.h"

namespace mkimages {

struct Entry {
    std::string name;
    int width = 0;
    int height = 0;
    std::string style;
    std::string text;
};

// Draws `entry` onto `r` (sized width x height points). False for an unknown style.
bool drawStyle(Raster& r, const Entry& entry);

} // namespace mkimages
