// Software rasteriser of the procedural map tiles, with its 5 x 7 font.
#include "platform/ui/map_tile_raster.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ui {
namespace {

struct Glyph {
    char c;
    std::array<const char*, 7> rows;
};

// clang-format off
constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {'\'', {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    {'/', {".....", "....#", "...#.", "..#..", ".#...", "#....", "....."}},
};
// clang-format on

const Glyph* findGlyph(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const auto& g : kFont) {
        if (g.c == c) return &g;
    }
    return nullptr;
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

} // namespace

TileRaster::TileRaster(int width, int height, Color background)
    : width_(std::max(width, 1)), height_(std::max(height, 1)),
      rgba_(static_cast<size_t>(width_) * height_ * 4) {
    for (size_t i = 0; i < rgba_.size(); i += 4) {
        rgba_[i] = toByte(background.r);
        rgba_[i + 1] = toByte(background.g);
        rgba_[i + 2] = toByte(background.b);
        rgba_[i + 3] = toByte(background.a);
    }
}

Color TileRaster::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Color::clear();
    const auto* p = &rgba_[(static_cast<size_t>(y) * width_ + x) * 4];
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
}

void TileRaster::blend(int x, int y, const Color& c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || c.a <= 0) return;
    auto* p = &rgba_[(static_cast<size_t>(y) * width_ + x) * 4];
    float a = std::min(c.a, 1.0f);
    p[0] = toByte(c.r * a + p[0] / 255.0f * (1 - a));
    p[1] = toByte(c.g * a + p[1] / 255.0f * (1 - a));
    p[2] = toByte(c.b * a + p[2] / 255.0f * (1 - a));
    p[3] = toByte(a + p[3] / 255.0f * (1 - a));
}

void TileRaster::fillPolygon(const std::vector<RasterPoint>& polygon, const Color& color) {
    if (polygon.size() < 3) return;
    double minY = polygon[0].y, maxY = polygon[0].y;
    for (const auto& p : polygon) {
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    int y0 = std::max(0, static_cast<int>(std::floor(minY)));
    int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(maxY)));
    std::vector<double> crossings;
    for (int y = y0; y <= y1; ++y) {
        double cy = y + 0.5;
        crossings.clear();
        for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
            const auto& a = polygon[i];
            const auto& b = polygon[j];
            if ((a.y <= cy) != (b.y <= cy)) {
                crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            int xa = std::max(0, static_cast<int>(std::ceil(crossings[k] - 0.5)));
            int xb = std::min(width_ - 1, static_cast<int>(std::ceil(crossings[k + 1] - 0.5)) - 1);
            for (int x = xa; x <= xb; ++x) blend(x, y, color);
        }
    }
}

void TileRaster::drawLine(RasterPoint a, RasterPoint b, const Color& color) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double length = std::max(std::abs(dx), std::abs(dy));
    // Long lines are clipped to the raster's neighbourhood first.
    int steps = static_cast<int>(std::ceil(std::min(length, 4.0 * (width_ + height_))));
    if (length > steps && length > 0) {
        // Parametric clip to [-1, size] on both axes.
        double t0 = 0, t1 = 1;
        auto clip = [&](double p, double q) {
            if (p == 0) return q >= 0;
            double r = q / p;
            if (p < 0) {
                if (r > t1) return false;
                t0 = std::max(t0, r);
            } else {
                if (r < t0) return false;
                t1 = std::min(t1, r);
            }
            return true;
        };
        if (!clip(-dx, a.x + 1) || !clip(dx, width_ - a.x) || !clip(-dy, a.y + 1) ||
            !clip(dy, height_ - a.y))
            return;
        b = {a.x + t1 * dx, a.y + t1 * dy};
        a = {a.x + t0 * dx, a.y + t0 * dy};
        dx = b.x - a.x;
        dy = b.y - a.y;
        length = std::max(std::abs(dx), std::abs(dy));
        steps = static_cast<int>(std::ceil(length));
    }
    if (steps == 0) {
        blend(static_cast<int>(std::floor(a.x)), static_cast<int>(std::floor(a.y)), color);
        return;
    }
    for (int i = 0; i <= steps; ++i) {
        double t = static_cast<double>(i) / steps;
        blend(static_cast<int>(std::floor(a.x + t * dx)),
              static_cast<int>(std::floor(a.y + t * dy)), color);
    }
}

void TileRaster::fillCircle(RasterPoint c, double radius, const Color& color) {
    int x0 = static_cast<int>(std::floor(c.x - radius)),
        x1 = static_cast<int>(std::ceil(c.x + radius));
    int y0 = static_cast<int>(std::floor(c.y - radius)),
        y1 = static_cast<int>(std::ceil(c.y + radius));
    for (int y = std::max(y0, 0); y <= std::min(y1, height_ - 1); ++y) {
        for (int x = std::max(x0, 0); x <= std::min(x1, width_ - 1); ++x) {
            double ddx = x + 0.5 - c.x, ddy = y + 0.5 - c.y;
            if (ddx * ddx + ddy * ddy <= radius * radius) blend(x, y, color);
        }
    }
}

int TileRaster::textWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

void TileRaster::glyph(char c, int x, int y, int scale, const Color& color) {
    const Glyph* g = findGlyph(c);
    if (!g) return;
    for (int row = 0; row < kGlyphHeight; ++row) {
        for (int col = 0; col < 5; ++col) {
            if (g->rows[row][col] != '#') continue;
            for (int sy = 0; sy < scale; ++sy) {
                for (int sx = 0; sx < scale; ++sx) {
                    blend(x + col * scale + sx, y + row * scale + sy, color);
                }
            }
        }
    }
}

void TileRaster::drawText(std::string_view text, int x, int y, int scale, const Color& color,
                          const Color& halo) {
    scale = std::max(scale, 1);
    if (x > width_ || y > height_ || x + textWidth(text, scale) < 0 || y + kGlyphHeight * scale < 0)
        return;
    if (!halo.isClear()) {
        static constexpr int kOffsets[][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const auto& o : kOffsets) {
            int gx = x + o[0];
            for (char c : text) {
                glyph(c, gx, y + o[1], scale, halo);
                gx += 6 * scale;
            }
        }
    }
    for (char c : text) {
        glyph(c, x, y, scale, color);
        x += 6 * scale;
    }
}

Image TileRaster::toImage() const {
    return Image::fromPixels(width_, height_, rgba_);
}

} // namespace ui
