// A small software rasteriser for drawing map tiles without a renderer: filled polygons
// (even-odd scanlines), lines, dots and text in a built-in 5 x 7 capital font.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui {

struct RasterPoint {
    double x = 0, y = 0;
};

class TileRaster {
  public:
    TileRaster(int width, int height, Color background);

    int width() const { return width_; }
    int height() const { return height_; }
    Color pixel(int x, int y) const;

    // Source-over blend of one pixel; outside pixels are ignored.
    void blend(int x, int y, const Color& color);
    // Fills with the even-odd rule (pixel centres inside).
    void fillPolygon(const std::vector<RasterPoint>& polygon, const Color& color);
    void drawLine(RasterPoint a, RasterPoint b, const Color& color);
    void fillCircle(RasterPoint center, double radius, const Color& color);
    // Capitals, digits, blanks and ".-'/" (others draw as blanks); the top-left corner at
    // (x, y), `scale` pixels per font pixel; a one-pixel halo of `halo` keeps it readable.
    void drawText(std::string_view text, int x, int y, int scale, const Color& color,
                  const Color& halo);
    static int textWidth(std::string_view text, int scale);
    static constexpr int kGlyphHeight = 7;

    Image toImage() const;

  private:
    void glyph(char c, int x, int y, int scale, const Color& color);
    int width_, height_;
    std::vector<std::uint8_t> rgba_;
};

} // namespace ui
