// Procedural map tiles: land outlines, graticule and cities rasterised per tile.
#include "platform/ui/map_procedural_tiles.h"

#include <cmath>
#include <cstdio>

#include "platform/run_loop.h"
#include "platform/ui/map_projection.h"
#include "platform/ui/map_tile_raster.h"
#include "platform/ui/map_world_data.h"

namespace ui {
namespace {

const Color kSea = Color::rgb255(170, 211, 223);
const Color kLand = Color::rgb255(242, 239, 228);
const Color kInlandSea = Color::rgb255(170, 211, 223);
const Color kGrid = Color::rgb255(60, 80, 110, 60);
const Color kGridText = Color::rgb255(70, 90, 120);
const Color kCityDot = Color::rgb255(196, 36, 36);
const Color kCityText = Color::rgb255(40, 40, 40);
const Color kHalo = Color::rgb255(255, 255, 255, 150);

std::string degreeText(double value, double step, char positive, char negative) {
    char buf[32];
    double magnitude = std::abs(value);
    int decimals = step >= 1 ? 0 : (step >= 0.1 ? 1 : 2);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, magnitude);
    std::string text = buf;
    if (magnitude > 1e-9) text += value > 0 ? positive : negative;
    return text;
}

struct TileFrame {
    double worldPixels; // size of the whole world in this zoom's pixels
    double originX, originY;

    RasterPoint project(const LocationCoordinate& c) const {
        return {mercator::xForLongitude(c.longitude) * worldPixels - originX,
                mercator::yForLatitude(c.latitude) * worldPixels - originY};
    }
};

void drawLand(TileRaster& raster, const TileFrame& frame) {
    std::vector<RasterPoint> points;
    for (const auto& outline : worldOutlines()) {
        points.clear();
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (const auto& c : outline.points) {
            RasterPoint p = frame.project(c);
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
            points.push_back(p);
        }
        if (maxX < 0 || maxY < 0 || minX > raster.width() || minY > raster.height()) continue;
        raster.fillPolygon(points, outline.sea ? kInlandSea : kLand);
    }
}

void drawGraticule(TileRaster& raster, const TileFrame& frame, int zoom) {
    double step = ProceduralTileSource::graticuleStep(zoom);
    bool labels = zoom >= 2;
    // Longitudes crossing the tile.
    double lonLeft = mercator::longitudeForX(frame.originX / frame.worldPixels);
    double lonRight = mercator::longitudeForX((frame.originX + kTileSize) / frame.worldPixels);
    for (double lon = std::ceil(lonLeft / step) * step; lon <= lonRight + 1e-9; lon += step) {
        double x = mercator::xForLongitude(lon) * frame.worldPixels - frame.originX;
        raster.drawLine({x, 0}, {x, double(kTileSize)}, kGrid);
        if (labels && lon > -180 + 1e-9) {
            raster.drawText(degreeText(lon, step, 'E', 'W'), static_cast<int>(x) + 3, 3, 1,
                            kGridText, kHalo);
        }
    }
    double latTop = mercator::latitudeForY(frame.originY / frame.worldPixels);
    double latBottom = mercator::latitudeForY((frame.originY + kTileSize) / frame.worldPixels);
    for (double lat = std::ceil(latBottom / step) * step; lat <= latTop + 1e-9; lat += step) {
        double y = mercator::yForLatitude(lat) * frame.worldPixels - frame.originY;
        raster.drawLine({0, y}, {double(kTileSize), y}, kGrid);
        if (labels) {
            raster.drawText(degreeText(lat, step, 'N', 'S'), 3,
                            static_cast<int>(y) - TileRaster::kGlyphHeight - 2, 1, kGridText,
                            kHalo);
        }
    }
}

void drawCities(TileRaster& raster, const TileFrame& frame, int zoom) {
    int scale = zoom >= 8 ? 2 : 1;
    double radius = zoom >= 8 ? 4 : 2.5;
    for (const auto& city : worldCities()) {
        if (zoom < city.minZoom) continue;
        RasterPoint p = frame.project({city.latitude, city.longitude});
        int textWidth = TileRaster::textWidth(city.name, scale);
        if (p.x + radius + 4 + textWidth < 0 || p.x - radius > kTileSize ||
            p.y + TileRaster::kGlyphHeight * scale < 0 ||
            p.y - TileRaster::kGlyphHeight * scale > kTileSize)
            continue;
        raster.fillCircle(p, radius + 1, Color::white());
        raster.fillCircle(p, radius, kCityDot);
        raster.drawText(city.name, static_cast<int>(p.x + radius + 3),
                        static_cast<int>(p.y - TileRaster::kGlyphHeight * scale / 2.0), scale,
                        kCityText, kHalo);
    }
}

} // namespace

double ProceduralTileSource::graticuleStep(int zoom) {
    static constexpr double kSteps[] = {30, 30, 20, 10, 5, 2, 1, 0.5, 0.25, 0.1};
    if (zoom < 0) zoom = 0;
    return zoom < 10 ? kSteps[zoom] : 0.05;
}

Image ProceduralTileSource::renderTile(const TileKey& key) {
    if (key.z < 0 || key.z > 30) return {};
    long long n = 1LL << key.z;
    if (key.x < 0 || key.y < 0 || key.x >= n || key.y >= n) return {};
    TileFrame frame{static_cast<double>(n) * kTileSize, double(key.x) * kTileSize,
                    double(key.y) * kTileSize};
    TileRaster raster(kTileSize, kTileSize, kSea);
    drawLand(raster, frame);
    drawGraticule(raster, frame, key.z);
    drawCities(raster, frame, key.z);
    return raster.toImage();
}

void ProceduralTileSource::requestTile(const TileKey& key, Completion completion) {
    std::weak_ptr<int> alive = alive_;
    zplatform::RunLoop::current().post([alive, key, completion = std::move(completion)] {
        if (alive.expired()) return;
        TileReply reply{key, renderTile(key), std::nullopt};
        if (!reply.image) reply.error = MapError{-1, "no such tile"};
        completion(std::move(reply));
    });
}

} // namespace ui
