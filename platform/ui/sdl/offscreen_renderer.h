// Headless rendering: SDL's software renderer on a memory surface, with no display and no
// video subsystem. Renders a Window (or any drawing through canvas()) to pixels for tests and
// to PNG files for screenshots.
//
// Threads: one thread at a time; a Window is rendered on its interface thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"
#include "platform/ui/sdl/font_cache.h"
#include "platform/ui/sdl/sdl_canvas.h"
#include "platform/ui/sdl/sdl_handles.h"

namespace ui {
class Window;
}

namespace ui::sdl {

class OffscreenRenderer {
  public:
    // A surface of `points` at `scale` pixels per point. `fonts` may be shared between
    // renderers of one thread; a new cache is made when null.
    explicit OffscreenRenderer(float scale = 1, Size points = {320, 480},
                               std::shared_ptr<FontCache> fonts = nullptr);
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    // False when the surface or the renderer could not be made (SDL_GetError() tells why).
    bool ok() const { return canvas_ != nullptr; }
    float scale() const { return scale_; }
    int pixelWidth() const;
    int pixelHeight() const;

    // Gives `window` the metrics this renderer draws text with (text layout then matches).
    void installMetrics(Window& window) const;
    std::shared_ptr<const SdlFontMetrics> metrics() const { return metrics_; }

    // Clears to `background`, then renders the window (layout, views, modal layer).
    void render(Window& window, const Color& background = Color::black());
    // For drawing scenes directly: clears and resets the canvas state; finish with flush().
    SdlCanvas& beginFrame(const Color& background = Color::black());
    void flush();
    SdlCanvas& canvas() { return *canvas_; }

    // Straight RGBA of one pixel (transparent black outside the surface).
    Color pixel(int x, int y) const;
    std::uint32_t pixelRgba(int x, int y) const; // 0xRRGGBBAA
    // Every pixel as RGBA bytes, rows top to bottom.
    std::vector<std::uint8_t> rgba() const;
    Image image() const;
    bool savePng(const std::filesystem::path& file) const;

  private:
    float scale_;
    std::shared_ptr<FontCache> fonts_;
    std::shared_ptr<const SdlFontMetrics> metrics_;
    SurfacePtr surface_;
    RendererPtr renderer_;
    std::unique_ptr<SdlCanvas> canvas_; // declared last: drops its textures before the renderer
};

} // namespace ui::sdl
