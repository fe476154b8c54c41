// Label: read-only text in one or more lines — font, colour, alignment, word wrapping with tail
// truncation, and shrinking to fit the width.
//
// Layout uses the window's font metrics (fixed metrics outside a window). The text block is
// centred vertically in the bounds; it shows at most numberOfLines lines (0: any number) and
// never more than the bounds' height holds (at least one); the last shown line ends with "…"
// when text is cut.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/font.h"
#include "platform/ui/view.h"

namespace ui {

enum class LineBreakMode { WordWrap, CharacterWrap, Clip, TailTruncation };

class Label : public View {
  public:
    explicit Label(const Rect& frame = {});

    const std::string& text() const { return text_; }
    void setText(std::string utf8);
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    // Used while highlighted (table cells); none: the text colour.
    void setHighlightedTextColor(const Color& color);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode);
    // One-line labels only: the font shrinks, down to minimumFontSize, until the text fits.
    bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    float minimumFontSize() const { return minimumFontSize_; }
    void setMinimumFontSize(float size);
    void setShadow(const Color& color, Point offset);

    // The lines as drawn and the font they are drawn with (after shrinking).
    struct Layout {
        Font font;
        std::vector<std::string> lines;
        bool truncated = false;
    };
    Layout layoutText() const;
    // The size the text needs with no limit on lines and `width` (0: one unbroken line).
    Size sizeThatFits(float width) const;
    void sizeToFit();

    void draw(Canvas& canvas) const override;
    // The text, unless it is drawn in a clear colour (buttons and labels carrying data).
    std::string displayedText() const override;
    std::string_view className() const override { return "Label"; }

  private:
    std::string text_;
    Font font_ = Font::system(17);
    Color textColor_ = Color::black();
    Color highlightedTextColor_ = Color::clear();
    bool hasHighlightedColor_ = false;
    bool highlighted_ = false;
    TextAlignment alignment_ = TextAlignment::Left;
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::TailTruncation;
    bool adjustsFontSize_ = false;
    float minimumFontSize_ = 0;
    Color shadowColor_ = Color::clear();
    Point shadowOffset_{0, -1};
};

// Breaks UTF-8 text into lines no wider than `width`: at line feeds, between words, and inside
// a word only when the word alone does not fit (or everywhere with `characters`).
std::vector<std::string> wrapLines(const FontMetrics& metrics, const Font& font,
                                   std::string_view utf8, float width, bool characters = false);
// The longest start of `line` that fits `width` with "…" appended ("…" alone when none fits).
std::string truncateTail(const FontMetrics& metrics, const Font& font, std::string_view line,
                         float width);

} // namespace ui
