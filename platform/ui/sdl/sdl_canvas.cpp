// Canvas drawing on an SDL_Renderer.
#include "platform/ui/sdl/sdl_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace ui::sdl {

namespace {

constexpr float kEpsilon = 1e-3f;

int snap(float v) {
    return static_cast<int>(std::floor(v + 0.5f));
}

Uint8 byte(float v) {
    return static_cast<Uint8>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

bool near(float a, float b) {
    return std::fabs(a - b) < kEpsilon;
}

SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b) {
    SDL_Rect r{};
    if (!SDL_IntersectRect(&a, &b, &r)) return SDL_Rect{0, 0, 0, 0};
    return r;
}

// Corners (top-left, top-right, bottom-left, bottom-right) that form an upright rectangle,
// whatever the transform's flips.
bool upright(const SDL_FPoint c[4]) {
    return near(c[0].y, c[1].y) && near(c[2].y, c[3].y) && near(c[0].x, c[2].x) &&
           near(c[1].x, c[3].x) && c[0].x < c[1].x && c[0].y < c[2].y;
}

// Corners that form an axis-aligned rectangle in any orientation.
bool axisRect(const SDL_FPoint c[4]) {
    bool straight = near(c[0].y, c[1].y) && near(c[2].y, c[3].y) && near(c[0].x, c[2].x) &&
                    near(c[1].x, c[3].x);
    bool turned = near(c[0].x, c[1].x) && near(c[2].x, c[3].x) && near(c[0].y, c[2].y) &&
                  near(c[1].y, c[3].y);
    return straight || turned;
}

} // namespace

SdlCanvas::SdlCanvas(SDL_Renderer* renderer, std::shared_ptr<const SdlFontMetrics> metrics)
    : renderer_(renderer), metrics_(std::move(metrics)), images_(renderer), texts_(renderer) {
    beginFrame();
}

void SdlCanvas::beginFrame() {
    SDL_GetRendererOutputSize(renderer_, &outputWidth_, &outputHeight_);
    stack_.clear();
    State initial;
    initial.transform = Transform::scale(scale(), scale());
    initial.clip = SDL_Rect{0, 0, outputWidth_, outputHeight_};
    stack_.push_back(initial);
    applyClip();
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
    images_.purge();
}

void SdlCanvas::save() {
    stack_.push_back(stack_.back());
}

void SdlCanvas::restore() {
    // An unbalanced restore keeps the base state rather than emptying the stack.
    if (stack_.size() <= 1) return;
    SDL_Rect before = state().clip;
    stack_.pop_back();
    if (!SDL_RectEquals(&before, &state().clip)) applyClip();
}

void SdlCanvas::concat(const Transform& t) {
    state().transform = t.concat(state().transform);
}

void SdlCanvas::clipTo(const Rect& rect) {
    SDL_FPoint c[4];
    corners(rect, c);
    state().clip = intersect(state().clip, snapped(c));
    applyClip();
}

void SdlCanvas::multiplyAlpha(float alpha) {
    state().alpha *= std::clamp(alpha, 0.0f, 1.0f);
}

bool SdlCanvas::canDraw(float alpha) const {
    const SDL_Rect& clip = state().clip;
    return clip.w > 0 && clip.h > 0 && alpha * state().alpha > 0;
}

void SdlCanvas::applyClip() {
    const SDL_Rect& clip = state().clip;
    // An empty clip is never handed to SDL (some backends read it as "no clip"): canDraw()
    // refuses every drawing instead.
    if (clip.w > 0 && clip.h > 0) SDL_RenderSetClipRect(renderer_, &clip);
}

void SdlCanvas::corners(const Rect& rect, SDL_FPoint out[4]) const {
    const Transform& t = state().transform;
    Point p[4] = {t.apply({rect.minX(), rect.minY()}), t.apply({rect.maxX(), rect.minY()}),
                  t.apply({rect.minX(), rect.maxY()}), t.apply({rect.maxX(), rect.maxY()})};
    for (int i = 0; i < 4; ++i) out[i] = SDL_FPoint{p[i].x, p[i].y};
}

SDL_Rect SdlCanvas::snapped(const SDL_FPoint c[4]) {
    float x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
    for (int i = 1; i < 4; ++i) {
        x0 = std::min(x0, c[i].x);
        x1 = std::max(x1, c[i].x);
        y0 = std::min(y0, c[i].y);
        y1 = std::max(y1, c[i].y);
    }
    int left = snap(x0), top = snap(y0);
    return SDL_Rect{left, top, snap(x1) - left, snap(y1) - top};
}

SDL_Color SdlCanvas::deviceColor(const Color& color) const {
    return SDL_Color{byte(color.r), byte(color.g), byte(color.b), byte(color.a * state().alpha)};
}

void SdlCanvas::fillQuad(const SDL_FPoint c[4], const SDL_Color& color) {
    if (color.a == 0) return;
    if (axisRect(c)) {
        SDL_Rect r = snapped(c);
        if (r.w <= 0 || r.h <= 0) return;
        SDL_SetRenderDrawColor(renderer_, color.r, color.g, color.b, color.a);
        // Opaque fills replace the pixels: the software renderer then fills rows at memory
        // speed instead of blending each pixel.
        SDL_SetRenderDrawBlendMode(renderer_,
                                   color.a == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
        SDL_RenderFillRect(renderer_, &r);
        return;
    }
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
    SDL_Vertex v[4];
    for (int i = 0; i < 4; ++i) v[i] = SDL_Vertex{c[i], color, SDL_FPoint{0, 0}};
    static constexpr int kQuad[6] = {0, 1, 2, 1, 3, 2};
    SDL_RenderGeometry(renderer_, nullptr, v, 4, kQuad, 6);
}

void SdlCanvas::texturedQuad(SDL_Texture* texture, const SDL_FPoint c[4], const SDL_FRect& src,
                             int textureWidth, int textureHeight, const SDL_Color& color) {
    float ux = c[1].x - c[0].x, uy = c[1].y - c[0].y; // along the top edge
    float vx = c[2].x - c[0].x, vy = c[2].y - c[0].y; // down the left edge
    float w = std::hypot(ux, uy), h = std::hypot(vx, vy);
    if (w <= 0 || h <= 0) return;
    SDL_SetTextureColorMod(texture, color.r, color.g, color.b);
    SDL_SetTextureAlphaMod(texture, color.a);
    if (std::fabs(ux * vx + uy * vy) <= 1e-3f * w * h) {
        // A rotation with a scale, maybe mirrored: SDL's own rotated copy, which samples the
        // texture more faithfully than the software triangle filler.
        double degrees = std::atan2(uy, ux) * 180 / std::numbers::pi;
        bool mirrored = ux * vy - uy * vx < 0;
        SDL_FRect dst{(c[0].x + c[3].x) / 2 - w / 2, (c[0].y + c[3].y) / 2 - h / 2, w, h};
        SDL_Rect s{snap(src.x), snap(src.y), snap(src.x + src.w) - snap(src.x),
                   snap(src.y + src.h) - snap(src.y)};
        if (s.w <= 0 || s.h <= 0) return;
        SDL_RenderCopyExF(renderer_, texture, &s, &dst, degrees, nullptr,
                          mirrored ? SDL_FLIP_VERTICAL : SDL_FLIP_NONE);
        return;
    }
    float tw = static_cast<float>(textureWidth), th = static_cast<float>(textureHeight);
    float u0 = src.x / tw, v0 = src.y / th, u1 = (src.x + src.w) / tw, v1 = (src.y + src.h) / th;
    SDL_Vertex v[4] = {
        {c[0], SDL_Color{255, 255, 255, 255}, SDL_FPoint{u0, v0}},
        {c[1], SDL_Color{255, 255, 255, 255}, SDL_FPoint{u1, v0}},
        {c[2], SDL_Color{255, 255, 255, 255}, SDL_FPoint{u0, v1}},
        {c[3], SDL_Color{255, 255, 255, 255}, SDL_FPoint{u1, v1}},
    };
    static constexpr int kQuad[6] = {0, 1, 2, 1, 3, 2};
    SDL_RenderGeometry(renderer_, texture, v, 4, kQuad, 6);
}

void SdlCanvas::fillRect(const Rect& rect, const Color& color) {
    if (rect.isEmpty() || !canDraw(color.a)) return;
    SDL_FPoint c[4];
    corners(rect, c);
    fillQuad(c, deviceColor(color));
}

void SdlCanvas::strokeRect(const Rect& rect, const Color& color, float width) {
    if (rect.isEmpty() || width <= 0 || !canDraw(color.a)) return;
    const Transform& t = state().transform;
    float pixelsPerPoint = std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
    if (pixelsPerPoint > 0 && width * pixelsPerPoint < 1) width = 1 / pixelsPerPoint;
    // Centred on the edges, as four bands that do not overlap (no doubled alpha at corners).
    float h = width / 2;
    Rect bands[4] = {
        {rect.minX() - h, rect.minY() - h, rect.width() + width, width},
        {rect.minX() - h, rect.maxY() - h, rect.width() + width, width},
        {rect.minX() - h, rect.minY() + h, width, rect.height() - width},
        {rect.maxX() - h, rect.minY() + h, width, rect.height() - width},
    };
    SDL_Color device = deviceColor(color);
    for (const Rect& band : bands) {
        if (band.isEmpty()) continue;
        SDL_FPoint c[4];
        corners(band, c);
        fillQuad(c, device);
    }
}

void SdlCanvas::fillEllipse(const Rect& rect, const Color& color) {
    if (rect.isEmpty() || !canDraw(color.a)) return;
    const Transform& t = state().transform;
    float pixelsPerPoint = std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
    float radius = std::max(rect.width(), rect.height()) / 2 * pixelsPerPoint;
    int segments =
        std::clamp(static_cast<int>(2 * std::numbers::pi_v<float> * radius / 3), 16, 256);
    SDL_Color device = deviceColor(color);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
    vertices_.clear();
    indices_.clear();
    Point centre = t.apply(rect.center());
    vertices_.push_back(SDL_Vertex{SDL_FPoint{centre.x, centre.y}, device, SDL_FPoint{0, 0}});
    for (int i = 0; i < segments; ++i) {
        float angle = 2 * std::numbers::pi_v<float> * static_cast<float>(i) / segments;
        Point p = t.apply({rect.midX() + rect.width() / 2 * std::cos(angle),
                           rect.midY() + rect.height() / 2 * std::sin(angle)});
        vertices_.push_back(SDL_Vertex{SDL_FPoint{p.x, p.y}, device, SDL_FPoint{0, 0}});
        indices_.insert(indices_.end(), {0, 1 + i, 1 + (i + 1) % segments});
    }
    SDL_RenderGeometry(renderer_, nullptr, vertices_.data(), static_cast<int>(vertices_.size()),
                       indices_.data(), static_cast<int>(indices_.size()));
}

void SdlCanvas::drawLine(Point a, Point b, const Color& color, float width) {
    if (width <= 0 || !canDraw(color.a)) return;
    Point d = b - a;
    float length = std::hypot(d.x, d.y);
    if (length <= 0) return;
    const Transform& t = state().transform;
    float pixelsPerPoint = std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
    if (pixelsPerPoint > 0 && width * pixelsPerPoint < 1) width = 1 / pixelsPerPoint;
    Point n{-d.y / length * width / 2, d.x / length * width / 2};
    Point p[4] = {t.apply(a + n), t.apply(b + n), t.apply(a - n), t.apply(b - n)};
    SDL_FPoint c[4];
    for (int i = 0; i < 4; ++i) c[i] = SDL_FPoint{p[i].x, p[i].y};
    fillQuad(c, deviceColor(color));
}

void SdlCanvas::drawImage(const Image& image, const Rect& source, const Rect& dest,
                          const Color& tint) {
    if (!image || dest.isEmpty() || !canDraw(tint.a)) return;
    ImageTexture found = images_.texture(image.data());
    SDL_Texture* texture = found.texture;
    if (!texture) return;
    float pw = static_cast<float>(image.pixelWidth()), ph = static_cast<float>(image.pixelHeight());
    Rect src = source.isEmpty() ? Rect(0, 0, pw, ph) : source.intersection(Rect(0, 0, pw, ph));
    if (src.isEmpty()) return;
    SDL_FPoint c[4];
    corners(dest, c);
    SDL_Color device = deviceColor(tint);
    if (upright(c)) {
        SDL_Rect d = snapped(c);
        if (d.w <= 0 || d.h <= 0) return;
        SDL_Rect s{snap(src.minX()), snap(src.minY()), snap(src.maxX()) - snap(src.minX()),
                   snap(src.maxY()) - snap(src.minY())};
        if (s.w <= 0 || s.h <= 0) return;
        SDL_SetTextureColorMod(texture, device.r, device.g, device.b);
        SDL_SetTextureAlphaMod(texture, device.a);
        // An opaque picture drawn opaque is copied, not blended.
        SDL_SetTextureBlendMode(texture, found.opaque && device.a == 255 ? SDL_BLENDMODE_NONE
                                                                         : SDL_BLENDMODE_BLEND);
        SDL_RenderCopy(renderer_, texture, &s, &d);
        return;
    }
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND); // rotated edges blend
    texturedQuad(texture, c, SDL_FRect{src.minX(), src.minY(), src.width(), src.height()},
                 image.pixelWidth(), image.pixelHeight(), device);
}

void SdlCanvas::drawText(std::string_view utf8, const Font& font, const Color& color,
                         Point origin) {
    if (utf8.empty() || !canDraw(color.a)) return;
    TTF_Font* face = metrics_->face(font);
    if (!face) return;
    char fontKey[32];
    std::snprintf(fontKey, sizeof fontKey, "%p", static_cast<void*>(face));
    TextTexture line = texts_.line(utf8, face, fontKey, color);
    if (!line.texture) return;
    float s = scale();
    Rect box{origin.x, origin.y, static_cast<float>(line.width) / s,
             static_cast<float>(line.height) / s};
    SDL_FPoint c[4];
    corners(box, c);
    SDL_Color device = deviceColor(color);
    if (upright(c) && near(c[1].x - c[0].x, static_cast<float>(line.width)) &&
        near(c[2].y - c[0].y, static_cast<float>(line.height))) {
        // Unscaled text: whole pixels keep the glyphs crisp.
        SDL_Rect d{snap(c[0].x), snap(c[0].y), line.width, line.height};
        SDL_SetTextureAlphaMod(line.texture, device.a);
        SDL_RenderCopy(renderer_, line.texture, nullptr, &d);
        return;
    }
    texturedQuad(line.texture, c,
                 SDL_FRect{0, 0, static_cast<float>(line.width), static_cast<float>(line.height)},
                 line.width, line.height, SDL_Color{255, 255, 255, device.a});
}

} // namespace ui::sdl
