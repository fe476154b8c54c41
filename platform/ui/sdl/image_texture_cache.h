// Textures of images, keyed by the image's shared pixel data: copies of an Image share one
// texture, and a texture is dropped once the pixels it was made from have died (the cache only
// holds a weak reference to them).
//
// Threads: the renderer's thread.
#pragma once

#include <memory>
#include <unordered_map>

#include "platform/ui/image.h"
#include "platform/ui/sdl/sdl_handles.h"

namespace ui::sdl {

struct ImageTexture {
    SDL_Texture* texture = nullptr;
    bool opaque = false; // every pixel has full alpha
};

class ImageTextureCache {
  public:
    explicit ImageTextureCache(SDL_Renderer* renderer) : renderer_(renderer) {}
    ImageTextureCache(const ImageTextureCache&) = delete;
    ImageTextureCache& operator=(const ImageTextureCache&) = delete;

    // The texture of `data`, made on first use; null for empty data or when SDL fails.
    ImageTexture texture(const std::shared_ptr<const ImageData>& data);
    // Drops the textures whose pixels have died; returns how many.
    size_t purge();
    size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

  private:
    struct Entry {
        std::weak_ptr<const ImageData> data;
        TexturePtr texture;
        bool opaque = false;
    };
    SDL_Renderer* renderer_;
    // Keyed by address; the weak reference tells a live entry from one whose address was reused.
    std::unordered_map<const ImageData*, Entry> entries_;
};

} // namespace ui::sdl
