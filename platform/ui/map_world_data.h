// The coarse world the procedural tiles draw: land outlines, inland seas and major cities.
#pragma once

#include <span>
#include <vector>

#include "platform/ui/map_projection.h"

namespace ui {

struct MapCity {
    const char* name;
    double latitude;
    double longitude;
    int minZoom; // first tile zoom level the city is drawn at
};

// Outlines as (longitude, latitude) pairs: land first, then the seas drawn over it.
struct MapOutline {
    std::vector<LocationCoordinate> points;
    bool sea = false;
};

const std::vector<MapOutline>& worldOutlines();
std::span<const MapCity> worldCities();

} // namespace ui
