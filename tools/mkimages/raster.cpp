// Raster: signed-distance shapes, gradients, grain and stb_truetype text.
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>

#include <stb/stb_truetype.h>

namespace mkimages {

namespace {

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

float boxSdf(float px, float py, const Box& b, float radius) {
    float cx = b.x + b.w / 2, cy = b.y + b.h / 2;
    float r = std::min(radius, std::min(b.w, b.h) / 2);
    float qx = std::fabs(px - cx) - (b.w / 2 - r);
    float qy = std::fabs(py - cy) - (b.h / 2 - r);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

// One TrueType face, loaded once per process.
struct Face {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

const Face& face(bool bold) {
    static std::map<bool, std::unique_ptr<Face>> faces;
    auto& slot = faces[bold];
    if (!slot) {
        const char* path = bold ? "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
                                : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error(std::string("missing font ") + path);
        slot = std::make_unique<Face>();
        slot->data.assign(std::istreambuf_iterator<char>(in), {});
        if (!stbtt_InitFont(&slot->info, slot->data.data(), 0))
            throw std::runtime_error(std::string("unreadable font ") + path);
    }
    return *slot;
}

// UTF-8 to code points (invalid bytes read as U+FFFD).
std::vector<int> codePoints(std::string_view s) {
    std::vector<int> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        int cp = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += n;
    }
    return out;
}

float lineWidth(const Face& f, const std::vector<int>& cps, float scale) {
    float w = 0;
    for (size_t i = 0; i < cps.size(); ++i) {
        int adv = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&f.info, cps[i], &adv, &lsb);
        w += adv * scale;
        if (i + 1 < cps.size())
            w += stbtt_GetCodepointKernAdvance(&f.info, cps[i], cps[i + 1]) * scale;
    }
    return w;
}

} // namespace

Raster::Raster(int width, int height, int scale)
    : w_(width), h_(height), s_(scale),
      px_(static_cast<size_t>(width) * scale * height * scale * 4, 0.0f) {}

void Raster::blend(int x, int y, const RGBA& c, float coverage) {
    if (x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight() || coverage <= 0) return;
    float a = clamp01(c.a * coverage);
    float* p = &px_[(static_cast<size_t>(y) * pixelWidth() + x) * 4];
    p[0] = c.r * a + p[0] * (1 - a);
    p[1] = c.g * a + p[1] * (1 - a);
    p[2] = c.b * a + p[2] * (1 - a);
    p[3] = a + p[3] * (1 - a);
}

void Raster::paintSdf(const std::function<float(float, float)>& sdf,
                      const std::function<RGBA(float, float)>& shader) {
    const float inv = 1.0f / s_;
    for (int y = 0; y < pixelHeight(); ++y)
        for (int x = 0; x < pixelWidth(); ++x) {
            float px = (x + 0.5f) * inv, py = (y + 0.5f) * inv;
            float d = sdf(px, py) * s_; // in pixels
            float coverage = clamp01(0.5f - d);
            if (coverage > 0) blend(x, y, shader(px, py), coverage);
        }
}

void Raster::paintSdf(const std::function<float(float, float)>& sdf, const RGBA& color) {
    paintSdf(sdf, [&](float, float) { return color; });
}

void Raster::fill(const RGBA& color) {
    fillBox({0, 0, float(w_), float(h_)}, color);
}

void Raster::fillBox(const Box& b, const RGBA& color) {
    roundedBox(b, 0, color);
}

void Raster::verticalGradient(const Box& b, const RGBA& top, const RGBA& bottom) {
    roundedBoxGradient(b, 0, top, bottom);
}

void Raster::roundedBox(const Box& b, float radius, const RGBA& color) {
    paintSdf([&](float x, float y) { return boxSdf(x, y, b, radius); }, color);
}

void Raster::roundedBoxGradient(const Box& b, float radius, const RGBA& top, const RGBA& bottom) {
    paintSdf(
        [&](float x, float y) { return boxSdf(x, y, b, radius); },
        [&](float, float y) { return top.mix(bottom, clamp01((y - b.y) / std::max(b.h, 1.0f))); });
}

void Raster::roundedBoxStroke(const Box& b, float radius, float width, const RGBA& color) {
    paintSdf([&](float x, float y) { return std::fabs(boxSdf(x, y, b, radius)) - width / 2; },
             color);
}

void Raster::circle(float cx, float cy, float r, const RGBA& color) {
    paintSdf([&](float x, float y) { return std::hypot(x - cx, y - cy) - r; }, color);
}

void Raster::ring(float cx, float cy, float r, float width, const RGBA& color) {
    paintSdf(
        [&](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - width / 2; },
        color);
}

void Raster::line(float x0, float y0, float x1, float y1, float width, const RGBA& color) {
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    paintSdf(
        [&](float x, float y) {
            float t = len2 > 0 ? clamp01(((x - x0) * dx + (y - y0) * dy) / len2) : 0;
            return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - width / 2;
        },
        color);
}

void Raster::polygon(const std::vector<std::array<float, 2>>& pts, const RGBA& color) {
    paintSdf(
        [&](float x, float y) {
            float d = 1e9f;
            bool inside = false;
            for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                float ax = pts[j][0], ay = pts[j][1], bx = pts[i][0], by = pts[i][1];
                float ex = bx - ax, ey = by - ay, l2 = ex * ex + ey * ey;
                float t = l2 > 0 ? clamp01(((x - ax) * ex + (y - ay) * ey) / l2) : 0;
                d = std::min(d, std::hypot(x - (ax + t * ex), y - (ay + t * ey)));
                if ((ay > y) != (by > y) && x < (bx - ax) * (y - ay) / (by - ay) + ax)
                    inside = !inside;
            }
            return inside ? -d : d;
        },
        color);
}

void Raster::glow(float cx, float cy, float radius, const RGBA& color) {
    paintSdf([](float, float) { return -1.0f; },
             [&](float x, float y) {
                 float t = clamp01(1 - std::hypot(x - cx, y - cy) / radius);
                 return color.withAlpha(color.a * t * t);
             });
}

void Raster::grain(float amount, std::uint32_t seed) {
    std::uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < px_.size(); i += 4) {
        state = state * 1664525u + 1013904223u;
        float n = ((state >> 8) / float(1 << 24) - 0.5f) * 2 * amount;
        for (int k = 0; k < 3; ++k)
            px_[i + k] = std::max(0.0f, std::min(px_[i + 3], px_[i + k] + n * px_[i + 3]));
    }
}

void Raster::text(std::string_view utf8, const Box& box, float size, const RGBA& color, bool bold,
                  int align) {
    const Face& f = face(bold);
    std::vector<std::vector<int>> lines;
    size_t start = 0;
    for (;;) {
        size_t bar = utf8.find('|', start);
        lines.push_back(
            codePoints(utf8.substr(start, bar == std::string_view::npos ? bar : bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    // Shrink until every line fits the box.
    float px = size * s_;
    for (; px > 4; px *= 0.92f) {
        float sc = stbtt_ScaleForPixelHeight(&f.info, px);
        float widest = 0;
        for (auto& l : lines) widest = std::max(widest, lineWidth(f, l, sc));
        if (widest <= box.w * s_ && px * 1.15f * lines.size() <= box.h * s_ + 1) break;
    }
    float sc = stbtt_ScaleForPixelHeight(&f.info, px);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&f.info, &ascent, &descent, &gap);
    float lineH = px * 1.15f;
    float top = box.y * s_ + (box.h * s_ - lineH * lines.size()) / 2;
    for (size_t li = 0; li < lines.size(); ++li) {
        const auto& cps = lines[li];
        float width = lineWidth(f, cps, sc);
        float x = align < 0   ? box.x * s_
                  : align > 0 ? (box.x + box.w) * s_ - width
                              : box.x * s_ + (box.w * s_ - width) / 2;
        float baseline = top + li * lineH + (lineH - (ascent - descent) * sc) / 2 + ascent * sc;
        for (size_t i = 0; i < cps.size(); ++i) {
            int gw = 0, gh = 0, xo = 0, yo = 0;
            float fx = x - std::floor(x);
            unsigned char* bmp = stbtt_GetCodepointBitmapSubpixel(&f.info, sc, sc, fx, 0, cps[i],
                                                                  &gw, &gh, &xo, &yo);
            for (int gy = 0; gy < gh; ++gy)
                for (int gx = 0; gx < gw; ++gx)
                    blend(int(std::floor(x)) + xo + gx, int(std::lround(baseline)) + yo + gy, color,
                          bmp[gy * gw + gx] / 255.0f);
            stbtt_FreeBitmap(bmp, nullptr);
            int adv = 0, lsb = 0;
            stbtt_GetCodepointHMetrics(&f.info, cps[i], &adv, &lsb);
            x += adv * sc;
            if (i + 1 < cps.size())
                x += stbtt_GetCodepointKernAdvance(&f.info, cps[i], cps[i + 1]) * sc;
        }
    }
}

std::vector<std::uint8_t> Raster::rgba8() const {
    std::vector<std::uint8_t> out(px_.size());
    for (size_t i = 0; i < px_.size(); i += 4) {
        float a = px_[i + 3];
        for (int k = 0; k < 3; ++k)
            out[i + k] =
                static_cast<std::uint8_t>(std::lround(clamp01(a > 0 ? px_[i + k] / a : 0) * 255));
        out[i + 3] = static_cast<std::uint8_t>(std::lround(clamp01(a) * 255));
    }
    return out;
}

} // namespace mkimages
