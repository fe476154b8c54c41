// SDL_ttf text metrics in points.
#include "platform/ui/sdl/sdl_font_metrics.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace ui::sdl {

SdlFontMetrics::SdlFontMetrics(std::shared_ptr<FontCache> fonts, float scale)
    : fonts_(std::move(fonts)), scale_(scale > 0 ? scale : 1) {}

int SdlFontMetrics::pixelSize(const Font& font) const {
    return std::max(1, static_cast<int>(std::lround(font.size * scale_)));
}

float SdlFontMetrics::width(const Font& font, std::string_view utf8) const {
    if (utf8.empty()) return 0;
    TTF_Font* f = face(font);
    if (!f) return fallback_.width(font, utf8);
    int w = 0, h = 0;
    std::string text(utf8); // SDL_ttf wants a terminated string
    if (TTF_SizeUTF8(f, text.c_str(), &w, &h) != 0) return fallback_.width(font, utf8);
    return static_cast<float>(w) / scale_;
}

float SdlFontMetrics::lineHeight(const Font& font) const {
    TTF_Font* f = face(font);
    if (!f) return fallback_.lineHeight(font);
    return static_cast<float>(TTF_FontLineSkip(f)) / scale_;
}

float SdlFontMetrics::ascent(const Font& font) const {
    TTF_Font* f = face(font);
    if (!f) return fallback_.ascent(font);
    return static_cast<float>(TTF_FontAscent(f)) / scale_;
}

} // namespace ui::sdl
