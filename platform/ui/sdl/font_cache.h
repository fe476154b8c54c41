// Open SDL_ttf fonts, one per (font file, pixel size), for the toolkit's fonts.
//
// Threads: one thread at a time (the interface thread, or a test's thread).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/ui/font.h"
#include "platform/ui/sdl/font_resolver.h"
#include "platform/ui/sdl/sdl_handles.h"

namespace ui::sdl {

class FontCache {
  public:
    FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The face for `font` at `pixelSize` (at least 1), opened on first use; null when no font
    // file is installed or SDL_ttf cannot open it.
    TTF_Font* font(const Font& font, int pixelSize);
    // The file behind `font` (for cache keys and tests); empty when none.
    std::string fileFor(const Font& font);
    FontResolver& resolver() { return resolver_; }
    size_t openCount() const { return fonts_.size(); }

  private:
    TtfSession ttf_; // first member: outlives every font below
    FontResolver resolver_;
    std::map<std::tuple<std::string, int, int, bool>, FontPtr> fonts_;
};

} // namespace ui::sdl
