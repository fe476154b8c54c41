// Software rendering to a memory surface, PNG output.
#include "platform/ui/sdl/offscreen_renderer.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/window.h"

namespace ui::sdl {

OffscreenRenderer::OffscreenRenderer(float scale, Size points, std::shared_ptr<FontCache> fonts)
    : scale_(scale > 0 ? scale : 1),
      fonts_(fonts ? std::move(fonts) : std::make_shared<FontCache>()),
      metrics_(std::make_shared<SdlFontMetrics>(fonts_, scale_)) {
    int w = std::max(1, static_cast<int>(std::lround(points.width * scale_)));
    int h = std::max(1, static_cast<int>(std::lround(points.height * scale_)));
    surface_.reset(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    if (!surface_) return;
    renderer_.reset(SDL_CreateSoftwareRenderer(surface_.get()));
    if (!renderer_) return;
    canvas_ = std::make_unique<SdlCanvas>(renderer_.get(), metrics_);
}

int OffscreenRenderer::pixelWidth() const {
    return surface_ ? surface_->w : 0;
}
int OffscreenRenderer::pixelHeight() const {
    return surface_ ? surface_->h : 0;
}

void OffscreenRenderer::installMetrics(Window& window) const {
    window.setMetrics(metrics_);
}

SdlCanvas& OffscreenRenderer::beginFrame(const Color& background) {
    SDL_RenderSetClipRect(renderer_.get(), nullptr);
    auto c = [](float v) { return static_cast<Uint8>(std::lround(std::clamp(v, 0.f, 1.f) * 255)); };
    SDL_SetRenderDrawColor(renderer_.get(), c(background.r), c(background.g), c(background.b),
                           c(background.a));
    SDL_RenderClear(renderer_.get());
    canvas_->beginFrame();
    return *canvas_;
}

void OffscreenRenderer::flush() {
    if (renderer_) SDL_RenderFlush(renderer_.get());
}

void OffscreenRenderer::render(Window& window, const Color& background) {
    if (!ok()) return;
    window.renderWindow(beginFrame(background));
    flush();
}

std::uint32_t OffscreenRenderer::pixelRgba(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= surface_->w || y >= surface_->h) return 0;
    const auto* row = static_cast<const std::uint8_t*>(surface_->pixels) + y * surface_->pitch;
    std::uint32_t argb = reinterpret_cast<const std::uint32_t*>(row)[x];
    return (argb << 8) | (argb >> 24);
}

Color OffscreenRenderer::pixel(int x, int y) const {
    std::uint32_t v = pixelRgba(x, y);
    return Color::rgb255(static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 255),
                         static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
}

std::vector<std::uint8_t> OffscreenRenderer::rgba() const {
    std::vector<std::uint8_t> out;
    if (!surface_) return out;
    out.reserve(static_cast<size_t>(surface_->w) * surface_->h * 4);
    for (int y = 0; y < surface_->h; ++y) {
        for (int x = 0; x < surface_->w; ++x) {
            std::uint32_t v = pixelRgba(x, y);
            out.insert(out.end(),
                       {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                        static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
        }
    }
    return out;
}

Image OffscreenRenderer::image() const {
    return Image::fromPixels(pixelWidth(), pixelHeight(), rgba());
}

bool OffscreenRenderer::savePng(const std::filesystem::path& file) const {
    return surface_ && IMG_SavePNG(surface_.get(), file.c_str()) == 0;
}

} // namespace ui::sdl
