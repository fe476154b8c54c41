// Text metrics from SDL_ttf, in points, measured with the faces the renderer draws with at its
// scale, so that laid-out text and drawn text agree. Falls back to FixedFontMetrics for a font
// with no installed file.
//
// Threads: the interface thread (shares the renderer's FontCache).
#pragma once

#include <memory>

#include "platform/ui/font.h"
#include "platform/ui/sdl/font_cache.h"

namespace ui::sdl {

class SdlFontMetrics final : public FontMetrics {
  public:
    SdlFontMetrics(std::shared_ptr<FontCache> fonts, float scale);

    float width(const Font& font, std::string_view utf8) const override;
    float lineHeight(const Font& font) const override;
    float ascent(const Font& font) const override;

    float scale() const { return scale_; }
    // The pixel size a font is drawn with at this scale.
    int pixelSize(const Font& font) const;
    TTF_Font* face(const Font& font) const { return fonts_->font(font, pixelSize(font)); }
    FontCache& fonts() const { return *fonts_; }

  private:
    std::shared_ptr<FontCache> fonts_;
    float scale_;
    FixedFontMetrics fallback_;
};

} // namespace ui::sdl
