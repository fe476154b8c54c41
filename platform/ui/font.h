// Fonts by family and size, and the text metrics the toolkit lays text out with. The metrics
// come from the renderer's font engine (SDL_ttf in the window and the headless renderer); a
// fixed-advance fallback keeps layout deterministic where no font engine is installed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ui {

// Horizontal placement of text in labels, buttons and text fields.
enum class TextAlignment { Left, Center, Right };

struct Font {
    std::string family = "Trebuchet MS";
    float size = 14;
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;

    static Font named(std::string family, float size) { return {std::move(family), size, false}; }
    static Font system(float size) { return {"Helvetica", size, false}; }
    static Font boldSystem(float size) { return {"Helvetica", size, true}; }
};

class FontMetrics {
  public:
    virtual ~FontMetrics() = default;
    // Advance width of a UTF-8 line, in points.
    virtual float width(const Font& font, std::string_view utf8) const = 0;
    virtual float lineHeight(const Font& font) const = 0;
    virtual float ascent(const Font& font) const = 0;
};

// Every character advances 0.55 em; lines are 1.2 em, ascent 0.9 em.
class FixedFontMetrics final : public FontMetrics {
  public:
    float width(const Font& font, std::string_view utf8) const override;
    float lineHeight(const Font& font) const override { return font.size * 1.2f; }
    float ascent(const Font& font) const override { return font.size * 0.9f; }
};

} // namespace ui
