// The toolkit's Canvas on an SDL_Renderer: points map to pixels at the metrics' scale (1 or 2);
// the state stack keeps the transform, the clip (a pixel rectangle: a rotated clip clips to its
// bounding box) and the alpha. Shapes, images and text mapped to an axis-aligned rectangle are
// drawn as pixel-snapped rectangles; rotated or skewed ones as textured triangles
// (SDL_RenderGeometry). Everything blends with its alpha.
//
// Threads: the renderer's thread. The renderer must outlive the canvas.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/sdl/image_texture_cache.h"
#include "platform/ui/sdl/sdl_font_metrics.h"
#include "platform/ui/sdl/text_texture_cache.h"

namespace ui::sdl {

class SdlCanvas final : public Canvas {
  public:
    SdlCanvas(SDL_Renderer* renderer, std::shared_ptr<const SdlFontMetrics> metrics);

    // Resets the state (identity, whole output, alpha 1) and drops textures of dead images.
    void beginFrame();
    float scale() const { return metrics_->scale(); }
    // The state stack's depth (1 outside any save()).
    size_t depth() const { return stack_.size(); }
    // The current clip in pixels (empty when nothing can be drawn).
    SDL_Rect clipPixels() const { return state().clip; }

    void save() override;
    void restore() override;
    void concat(const Transform& t) override;
    void clipTo(const Rect& rect) override;
    void multiplyAlpha(float alpha) override;

    void fillRect(const Rect& rect, const Color& color) override;
    void strokeRect(const Rect& rect, const Color& color, float width) override;
    void fillEllipse(const Rect& rect, const Color& color) override;
    void drawLine(Point a, Point b, const Color& color, float width) override;
    void drawImage(const Image& image, const Rect& source, const Rect& dest,
                   const Color& tint = Color::white()) override;
    void drawText(std::string_view utf8, const Font& font, const Color& color,
                  Point origin) override;

    const FontMetrics& metrics() const override { return *metrics_; }

    ImageTextureCache& imageTextures() { return images_; }
    TextTextureCache& textTextures() { return texts_; }

  private:
    struct State {
        Transform transform; // points to pixels (includes the scale)
        SDL_Rect clip{};
        float alpha = 1;
    };
    const State& state() const { return stack_.back(); }
    State& state() { return stack_.back(); }
    bool canDraw(float alpha) const;
    void applyClip();
    // The four corners of `rect` in pixels: top-left, top-right, bottom-left, bottom-right.
    void corners(const Rect& rect, SDL_FPoint out[4]) const;
    static SDL_Rect snapped(const SDL_FPoint c[4]);
    void fillQuad(const SDL_FPoint c[4], const SDL_Color& color);
    // `src` in texture pixels drawn onto the corners; `color` modulates it.
    void texturedQuad(SDL_Texture* texture, const SDL_FPoint c[4], const SDL_FRect& src,
                      int textureWidth, int textureHeight, const SDL_Color& color);
    SDL_Color deviceColor(const Color& color) const;

    SDL_Renderer* renderer_;
    std::shared_ptr<const SdlFontMetrics> metrics_;
    int outputWidth_ = 0, outputHeight_ = 0;
    std::vector<State> stack_;
    ImageTextureCache images_;
    TextTextureCache texts_;
    std::vector<SDL_Vertex> vertices_; // scratch for ellipses
    std::vector<int> indices_;
};

} // namespace ui::sdl
