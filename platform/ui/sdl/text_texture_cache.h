// Textures of rendered text lines, keyed by text, face, pixel size and colour, with a
// least-recently-used bound so that changing texts (counters, clocks) do not grow it forever.
//
// Threads: the renderer's thread.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/ui/geometry.h"
#include "platform/ui/sdl/sdl_handles.h"

namespace ui::sdl {

struct TextTexture {
    SDL_Texture* texture = nullptr;
    int width = 0; // pixels
    int height = 0;
};

class TextTextureCache {
  public:
    TextTextureCache(SDL_Renderer* renderer, size_t capacity = 512);
    TextTextureCache(const TextTextureCache&) = delete;
    TextTextureCache& operator=(const TextTextureCache&) = delete;

    // The line drawn with `font` (opaque `color`; alpha is applied when drawing). `fontKey`
    // names the face and pixel size. Empty for empty text or when SDL_ttf fails.
    TextTexture line(std::string_view utf8, TTF_Font* font, const std::string& fontKey,
                     const Color& color);
    size_t size() const { return entries_.size(); }
    size_t capacity() const { return capacity_; }
    void clear();

  private:
    struct Entry {
        std::string key;
        TexturePtr texture;
        int width = 0, height = 0;
    };
    SDL_Renderer* renderer_;
    size_t capacity_;
    std::list<Entry> entries_; // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

} // namespace ui::sdl
