// A small anti-aliased raster for the generated pictures: shapes by signed distance, gradients
// and text through stb_truetype, in logical points scaled by the output's scale factor.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mkimages {

struct RGBA {
    float r = 0, g = 0, b = 0, a = 1;
    RGBA withAlpha(float alpha) const { return {r, g, b, alpha}; }
    static RGBA hex(unsigned rgb, float a = 1) {
        return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, a};
    }
    RGBA mix(const RGBA& o, float t) const {
        return {r + (o.r - r) * t, g + (o.g - g) * t, b + (o.b - b) * t, a + (o.a - a) * t};
    }
};

struct Box {
    float x = 0, y = 0, w = 0, h = 0;
};

class Font;

class Raster {
  public:
    // width x height points at `scale` pixels per point, fully transparent.
    Raster(int width, int height, int scale);

    int width() const { return w_; }
    int height() const { return h_; }
    int scale() const { return s_; }
    int pixelWidth() const { return w_ * s_; }
    int pixelHeight() const { return h_ * s_; }

    // Paints `color` with coverage from a signed distance function of the point (points;
    // negative inside), anti-aliased over one pixel.
    void paintSdf(const std::function<float(float, float)>& sdf, const RGBA& color);
    // Paints a colour chosen per point where the shape covers.
    void paintSdf(const std::function<float(float, float)>& sdf,
                  const std::function<RGBA(float, float)>& shader);

    void fill(const RGBA& color);
    void fillBox(const Box& box, const RGBA& color);
    void verticalGradient(const Box& box, const RGBA& top, const RGBA& bottom);
    void roundedBox(const Box& box, float radius, const RGBA& color);
    void roundedBoxGradient(const Box& box, float radius, const RGBA& top, const RGBA& bottom);
    void roundedBoxStroke(const Box& box, float radius, float width, const RGBA& color);
    void circle(float cx, float cy, float r, const RGBA& color);
    void ring(float cx, float cy, float r, float width, const RGBA& color);
    void line(float x0, float y0, float x1, float y1, float width, const RGBA& color);
    // A filled convex or concave polygon (even-odd), points in order.
    void polygon(const std::vector<std::array<float, 2>>& points, const RGBA& color);
    // Soft radial light.
    void glow(float cx, float cy, float radius, const RGBA& color);
    // Fine deterministic grain, +-amount on each colour component.
    void grain(float amount, std::uint32_t seed);

    // Text centred in `box` (lines split on '|'), shrunk until it fits; bold or regular.
    void text(std::string_view utf8, const Box& box, float size, const RGBA& color, bool bold,
              int align = 0 /* -1 left, 0 centre, 1 right */);

    // Straight (unpremultiplied) 8-bit RGBA, rows top to bottom.
    std::vector<std::uint8_t> rgba8() const;

  private:
    void blend(int px, int py, const RGBA& c, float coverage);
    int w_, h_, s_;
    std::vector<float> px_; // premultiplied RGBA
};

} // namespace mkimages
