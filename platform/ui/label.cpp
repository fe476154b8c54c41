// Label: text layout (wrapping, truncation, shrinking) and drawing.
#include "platform/ui/label.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // …
constexpr float kSmallestFontSize = 4;

// Index after the UTF-8 character starting at i.
size_t nextChar(std::string_view s, size_t i) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

std::vector<std::string_view> split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t end = s.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, end - start));
        start = end + 1;
    }
}

// Appends `word` as pieces that each fit `width` (at least one character per piece); the last
// piece stays open in `current`.
void breakWord(const FontMetrics& m, const Font& font, std::string_view word, float width,
               std::vector<std::string>& lines, std::string& current) {
    size_t i = 0;
    while (i < word.size()) {
        size_t next = nextChar(word, i);
        std::string candidate = current + std::string(word.substr(i, next - i));
        if (!current.empty() && m.width(font, candidate) > width) {
            lines.push_back(current);
            current.clear();
            continue;
        }
        current = std::move(candidate);
        i = next;
    }
}

} // namespace

std::vector<std::string> wrapLines(const FontMetrics& m, const Font& font, std::string_view utf8,
                                   float width, bool characters) {
    std::vector<std::string> lines;
    for (std::string_view paragraph : split(utf8, '\n')) {
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        std::string current;
        if (characters) {
            breakWord(m, font, paragraph, width, lines, current);
            lines.push_back(current);
            continue;
        }
        for (std::string_view word : split(paragraph, ' ')) {
            if (word.empty()) continue;
            std::string candidate =
                current.empty() ? std::string(word) : current + " " + std::string(word);
            if (m.width(font, candidate) <= width) {
                current = std::move(candidate);
                continue;
            }
            if (!current.empty()) lines.push_back(std::move(current));
            current.clear();
            if (m.width(font, word) <= width)
                current = std::string(word);
            else
                breakWord(m, font, word, width, lines, current);
        }
        lines.push_back(std::move(current));
    }
    return lines;
}

std::string truncateTail(const FontMetrics& m, const Font& font, std::string_view line,
                         float width) {
    std::string best;
    size_t i = 0;
    while (i < line.size()) {
        size_t next = nextChar(line, i);
        std::string candidate(line.substr(0, next));
        if (m.width(font, candidate + std::string(kEllipsis)) > width) break;
        best = std::move(candidate);
        i = next;
    }
    while (!best.empty() && best.back() == ' ') best.pop_back();
    return best + std::string(kEllipsis);
}

Label::Label(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
}

void Label::setText(std::string utf8) {
    if (text_ == utf8) return;
    text_ = std::move(utf8);
    setNeedsDisplay();
}

void Label::setFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void Label::setHighlightedTextColor(const Color& color) {
    highlightedTextColor_ = color;
    hasHighlightedColor_ = true;
    setNeedsDisplay();
}

void Label::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
    numberOfLines_ = std::max(0, lines);
    setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode) {
    lineBreakMode_ = mode;
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
    adjustsFontSize_ = adjusts;
    setNeedsDisplay();
}

void Label::setMinimumFontSize(float size) {
    minimumFontSize_ = std::max(0.0f, size);
    setNeedsDisplay();
}

void Label::setShadow(const Color& color, Point offset) {
    shadowColor_ = color;
    shadowOffset_ = offset;
    setNeedsDisplay();
}

Label::Layout Label::layoutText() const {
    const FontMetrics& m = fontMetrics();
    Layout layout;
    layout.font = font_;
    float width = bounds().width();
    if (text_.empty() || width <= 0) return layout;
    const bool tail = lineBreakMode_ == LineBreakMode::TailTruncation;

    if (numberOfLines_ == 1) {
        std::string_view first(text_);
        if (auto lf = first.find('\n'); lf != std::string_view::npos) {
            first = first.substr(0, lf);
            layout.truncated = true;
        }
        if (adjustsFontSize_) {
            float floor = std::max(kSmallestFontSize, std::min(minimumFontSize_, font_.size));
            while (layout.font.size > floor && m.width(layout.font, first) > width)
                layout.font.size = std::max(floor, layout.font.size - 1);
        }
        std::string line(first);
        if (m.width(layout.font, line) > width) {
            layout.truncated = true;
            if (tail)
                line = truncateTail(m, layout.font, line, width);
            else if (lineBreakMode_ != LineBreakMode::Clip)
                line = wrapLines(m, layout.font, line, width,
                                 lineBreakMode_ == LineBreakMode::CharacterWrap)
                           .front();
        } else if (layout.truncated && tail) { // more lines follow
            std::string marked = line + std::string(kEllipsis);
            line = m.width(layout.font, marked) <= width
                       ? marked
                       : truncateTail(m, layout.font, line, width);
        }
        layout.lines.push_back(std::move(line));
        return layout;
    }

    auto lines = wrapLines(m, font_, text_, width, lineBreakMode_ == LineBreakMode::CharacterWrap);
    size_t limit = numberOfLines_ == 0 ? lines.size() : static_cast<size_t>(numberOfLines_);
    float lineHeight = m.lineHeight(font_);
    if (lineHeight > 0) {
        auto fit = static_cast<size_t>(std::floor(bounds().height() / lineHeight + 1e-3f));
        limit = std::min(limit, std::max<size_t>(1, fit));
    }
    if (lines.size() > limit) {
        layout.truncated = true;
        std::string cut = lines[limit - 1] + " " + lines[limit];
        lines.resize(limit);
        if (tail) lines.back() = truncateTail(m, font_, cut, width);
    }
    layout.lines = std::move(lines);
    return layout;
}

Size Label::sizeThatFits(float width) const {
    const FontMetrics& m = fontMetrics();
    std::vector<std::string> lines;
    if (width <= 0) {
        for (auto part : split(text_, '\n')) lines.emplace_back(part);
    } else {
        lines = wrapLines(m, font_, text_, width);
    }
    if (numberOfLines_ > 0 && lines.size() > static_cast<size_t>(numberOfLines_))
        lines.resize(static_cast<size_t>(numberOfLines_));
    float w = 0;
    for (const auto& line : lines) w = std::max(w, m.width(font_, line));
    return {std::ceil(w), std::ceil(m.lineHeight(font_) * static_cast<float>(lines.size()))};
}

void Label::sizeToFit() {
    Rect f = frame();
    Size s = sizeThatFits(numberOfLines_ == 1 ? 0 : bounds().width());
    setFrame({f.origin, s});
}

void Label::draw(Canvas& canvas) const {
    Color color = highlighted_ && hasHighlightedColor_ ? highlightedTextColor_ : textColor_;
    if (color.isClear()) return;
    Layout layout = layoutText();
    if (layout.lines.empty()) return;
    const FontMetrics& m = canvas.metrics();
    float lineHeight = m.lineHeight(layout.font);
    Rect b = bounds();
    float y = b.minY() + (b.height() - lineHeight * static_cast<float>(layout.lines.size())) / 2;
    for (const auto& line : layout.lines) {
        float w = m.width(layout.font, line);
        float x = b.minX();
        if (alignment_ == TextAlignment::Center)
            x += (b.width() - w) / 2;
        else if (alignment_ == TextAlignment::Right)
            x += b.width() - w;
        if (!shadowColor_.isClear())
            canvas.drawText(line, layout.font, shadowColor_,
                            {x + shadowOffset_.x, y + shadowOffset_.y});
        canvas.drawText(line, layout.font, color, {x, y});
        y += lineHeight;
    }
}

std::string Label::displayedText() const {
    return textColor_.isClear() ? std::string() : text_;
}

} // namespace ui
