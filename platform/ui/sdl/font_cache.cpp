// SDL_ttf faces cached per file, face and pixel size.
#include "platform/ui/sdl/font_cache.h"

#include <algorithm>

namespace ui::sdl {

FontCache::FontCache() = default;

TTF_Font* FontCache::font(const Font& font, int pixelSize) {
    if (!ttf_.ok()) return nullptr;
    auto resolved = resolver_.resolve(font);
    if (!resolved) return nullptr;
    pixelSize = std::max(1, pixelSize);
    auto key =
        std::make_tuple(resolved->file, resolved->faceIndex, pixelSize, resolved->syntheticBold);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
    FontPtr opened(TTF_OpenFontIndex(resolved->file.c_str(), pixelSize, resolved->faceIndex));
    if (opened && resolved->syntheticBold) TTF_SetFontStyle(opened.get(), TTF_STYLE_BOLD);
    TTF_Font* raw = opened.get();
    // A failed open is remembered too, so a broken file is not reopened on every draw.
    fonts_.emplace(key, std::move(opened));
    return raw;
}

std::string FontCache::fileFor(const Font& font) {
    auto resolved = resolver_.resolve(font);
    return resolved ? resolved->file : std::string();
}

} // namespace ui::sdl
