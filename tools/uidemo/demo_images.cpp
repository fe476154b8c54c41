// Procedural pictures of the widget demo.
#include "tools/uidemo/demo_images.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace uidemo {

namespace {

std::uint8_t byte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

void put(std::vector<std::uint8_t>& px, int width, int x, int y, const ui::Color& c) {
    size_t i = (static_cast<size_t>(y) * width + x) * 4;
    px[i] = byte(c.r), px[i + 1] = byte(c.g), px[i + 2] = byte(c.b), px[i + 3] = byte(c.a);
}

ui::Color mix(const ui::Color& a, const ui::Color& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// Coverage of a pixel centre by a disc, with a one-pixel soft edge.
float disc(float x, float y, float cx, float cy, float radius) {
    float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
    return std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
}

} // namespace

ui::Image gradient(int width, int height, const ui::Color& top, const ui::Color& bottom) {
    std::vector<std::uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        ui::Color c = mix(top, bottom, height > 1 ? float(y) / float(height - 1) : 0);
        for (int x = 0; x < width; ++x) put(px, width, x, y, c);
    }
    return ui::Image::fromPixels(width, height, std::move(px));
}

ui::Image buttonBackground(const ui::Color& fill) {
    const int w = 25, h = 37, r = 8;
    std::vector<std::uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // A rounded rectangle: discs in the corners, full inside.
            float cx = std::clamp(float(x) + 0.5f, float(r), float(w - r));
            float cy = std::clamp(float(y) + 0.5f, float(r), float(h - r));
            float a = disc(float(x), float(y), cx, cy, r);
            ui::Color shade = mix(fill, ui::Color::black(), 0.35f * float(y) / float(h));
            put(px, w, x, y, shade.withAlpha(a));
        }
    return ui::Image::fromPixels(w, h, std::move(px));
}

std::vector<ui::Image> spinnerFrames(int count, int size, const ui::Color& color) {
    std::vector<ui::Image> frames;
    float c = size / 2.0f, ring = size * 0.35f, dot = size * 0.12f;
    for (int f = 0; f < count; ++f) {
        float angle = 2 * std::numbers::pi_v<float> * float(f) / float(count);
        float dx = c + ring * std::cos(angle), dy = c + ring * std::sin(angle);
        std::vector<std::uint8_t> px(static_cast<size_t>(size) * size * 4);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                float ringA = 0.3f * disc(float(x), float(y), c, c, ring + 1) *
                              (1 - disc(float(x), float(y), c, c, ring - 1));
                float dotA = disc(float(x), float(y), dx, dy, dot);
                put(px, size, x, y, color.withAlpha(std::max(ringA, dotA)));
            }
        frames.push_back(ui::Image::fromPixels(size, size, std::move(px)));
    }
    return frames;
}

ui::Image sleeve(int size, const ui::Color& color) {
    std::vector<std::uint8_t> px(static_cast<size_t>(size) * size * 4);
    float c = size / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float vinyl = disc(float(x), float(y), c, c, size * 0.42f);
            float label = disc(float(x), float(y), c, c, size * 0.14f);
            ui::Color p = mix(color, ui::Color::gray(0.08f), vinyl);
            p = mix(p, ui::Color::white(), label * 0.8f);
            put(px, size, x, y, p);
        }
    return ui::Image::fromPixels(size, size, std::move(px));
}

} // namespace uidemo
