// Text line textures with a least-recently-used bound.
#include "platform/ui/sdl/text_texture_cache.h"

#include <algorithm>
#include <cmath>

namespace ui::sdl {

namespace {

Uint8 component(float v) {
    return static_cast<Uint8>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

} // namespace

TextTextureCache::TextTextureCache(SDL_Renderer* renderer, size_t capacity)
    : renderer_(renderer), capacity_(std::max<size_t>(1, capacity)) {}

void TextTextureCache::clear() {
    index_.clear();
    entries_.clear();
}

TextTexture TextTextureCache::line(std::string_view utf8, TTF_Font* font,
                                   const std::string& fontKey, const Color& color) {
    if (utf8.empty() || !font) return {};
    SDL_Color c{component(color.r), component(color.g), component(color.b), 255};
    std::string key;
    key.reserve(fontKey.size() + utf8.size() + 8);
    key.append(fontKey).push_back('\0');
    key.push_back(static_cast<char>(c.r));
    key.push_back(static_cast<char>(c.g));
    key.push_back(static_cast<char>(c.b));
    key.append(utf8);

    if (auto it = index_.find(key); it != index_.end()) {
        entries_.splice(entries_.begin(), entries_, it->second);
        const Entry& e = entries_.front();
        return {e.texture.get(), e.width, e.height};
    }

    std::string text(utf8);
    SurfacePtr surface(TTF_RenderUTF8_Blended(font, text.c_str(), c));
    if (!surface) return {};
    TexturePtr texture(SDL_CreateTextureFromSurface(renderer_, surface.get()));
    if (!texture) return {};
    SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_BLEND);

    entries_.push_front(Entry{key, std::move(texture), surface->w, surface->h});
    index_.emplace(std::move(key), entries_.begin());
    while (entries_.size() > capacity_) {
        index_.erase(entries_.back().key);
        entries_.pop_back();
    }
    const Entry& e = entries_.front();
    return {e.texture.get(), e.width, e.height};
}

} // namespace ui::sdl
