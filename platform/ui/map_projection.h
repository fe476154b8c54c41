// Coordinates, spans and regions of the map, and the Web-Mercator projection between degrees
// and world units (x from 0 at 180° W to 1 at 180° E, y from 0 at the north edge to 1 at the
// south edge).
#pragma once

namespace ui {

struct LocationCoordinate {
    double latitude = 0;
    double longitude = 0;
    friend bool operator==(const LocationCoordinate&, const LocationCoordinate&) = default;
};

struct CoordinateSpan {
    double latitudeDelta = 0;
    double longitudeDelta = 0;
    friend bool operator==(const CoordinateSpan&, const CoordinateSpan&) = default;
};

struct CoordinateRegion {
    LocationCoordinate center;
    CoordinateSpan span;
    friend bool operator==(const CoordinateRegion&, const CoordinateRegion&) = default;
};

namespace mercator {

// The projection's latitude limit: the world is square at this latitude.
inline constexpr double kMaxLatitude = 85.05112877980659;

// Longitude in [-180, 180).
double wrapLongitude(double longitude);
double clampLatitude(double latitude);
double xForLongitude(double longitude);
double yForLatitude(double latitude);
double longitudeForX(double x);
double latitudeForY(double y);
// x in [0, 1).
double wrapX(double x);

} // namespace mercator
} // namespace ui
