// Image textures cached per pixel data, dropped with the data.
#include "platform/ui/sdl/image_texture_cache.h"

namespace ui::sdl {

namespace {

bool sameOwner(const std::weak_ptr<const ImageData>& a, const std::shared_ptr<const ImageData>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

ImageTexture ImageTextureCache::texture(const std::shared_ptr<const ImageData>& data) {
    if (!data || data->width <= 0 || data->height <= 0 ||
        data->rgba.size() < static_cast<size_t>(data->width) * data->height * 4)
        return {};
    auto it = entries_.find(data.get());
    if (it != entries_.end()) {
        if (!it->second.data.expired() && sameOwner(it->second.data, data))
            return {it->second.texture.get(), it->second.opaque};
        entries_.erase(it); // the old pixels died and their address was reused
    }
    TexturePtr texture(SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGBA32,
                                         SDL_TEXTUREACCESS_STATIC, data->width, data->height));
    if (!texture) return {};
    SDL_UpdateTexture(texture.get(), nullptr, data->rgba.data(), data->width * 4);
    SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_BLEND);
    // Scaled pictures (thumbnails, stretched backgrounds) are filtered, not pixel-doubled.
    SDL_SetTextureScaleMode(texture.get(), SDL_ScaleModeLinear);
    bool opaque = true;
    for (size_t i = 3; opaque && i < data->rgba.size(); i += 4) opaque = data->rgba[i] == 255;
    SDL_Texture* raw = texture.get();
    entries_.emplace(data.get(), Entry{data, std::move(texture), opaque});
    return {raw, opaque};
}

size_t ImageTextureCache::purge() {
    return std::erase_if(entries_, [](const auto& kv) { return kv.second.data.expired(); });
}

} // namespace ui::sdl
