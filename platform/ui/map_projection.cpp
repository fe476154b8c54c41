// Web-Mercator projection helpers of the map.
#include "platform/ui/map_projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui::mercator {

double wrapLongitude(double longitude) {
    if (!std::isfinite(longitude)) return 0;
    double w = std::fmod(longitude + 180.0, 360.0);
    if (w < 0) w += 360.0;
    return w - 180.0;
}

double clampLatitude(double latitude) {
    if (!std::isfinite(latitude)) return 0;
    return std::clamp(latitude, -kMaxLatitude, kMaxLatitude);
}

double xForLongitude(double longitude) {
    return (longitude + 180.0) / 360.0;
}

double yForLatitude(double latitude) {
    double phi = clampLatitude(latitude) * std::numbers::pi / 180.0;
    return 0.5 - std::log(std::tan(std::numbers::pi / 4 + phi / 2)) / (2 * std::numbers::pi);
}

double longitudeForX(double x) {
    return x * 360.0 - 180.0;
}

double latitudeForY(double y) {
    double n = std::numbers::pi * (1 - 2 * y);
    return std::atan(std::sinh(n)) * 180.0 / std::numbers::pi;
}

double wrapX(double x) {
    if (!std::isfinite(x)) return 0.5;
    double w = std::fmod(x, 1.0);
    return w < 0 ? w + 1.0 : w;
}

} // namespace ui::mercator
