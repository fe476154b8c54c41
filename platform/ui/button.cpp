// Button: per-state values, content layout and drawing.
#include "platform/ui/button.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/label.h"

namespace ui {

namespace {

Color defaultTitleColor(ButtonType type, ControlState state) {
    if (type == ButtonType::Custom) return Color::white();
    if (hasAll(state, ControlState::Highlighted)) return Color::white();
    if (hasAll(state, ControlState::Disabled)) return Color::gray(0.6f);
    return Color::rgb255(50, 79, 133);
}

// Where a box of `length` goes in [start, start + span) for an alignment, with insets moving it
// as the platform does (half their difference when centred).
float place(TextAlignment alignment, float start, float span, float length, float before,
            float after) {
    switch (alignment) {
    case TextAlignment::Left:
        return start + before;
    case TextAlignment::Right:
        return start + span - length - after;
    case TextAlignment::Center:
        break;
    }
    return start + (span - length) / 2 + (before - after) / 2;
}

} // namespace

Button::Button(const Rect& frame, ButtonType type) : Control(frame), type_(type) {}

std::shared_ptr<Button> Button::withType(ButtonType type, const Rect& frame) {
    return std::make_shared<Button>(frame, type);
}

template <class T>
const T* Button::lookup(const std::map<ControlState, T>& values, ControlState state) {
    auto find = [&](ControlState s) -> const T* {
        auto it = values.find(s);
        return it == values.end() ? nullptr : &it->second;
    };
    if (const T* v = find(state)) return v;
    if (hasAll(state, ControlState::Highlighted) && state != ControlState::Highlighted)
        if (const T* v = find(ControlState::Highlighted)) return v;
    if (hasAll(state, ControlState::Selected) && state != ControlState::Selected)
        if (const T* v = find(ControlState::Selected)) return v;
    return find(ControlState::Normal);
}

void Button::setTitle(std::string title, ControlState state) {
    titles_[state] = std::move(title);
    setNeedsDisplay();
}

void Button::setTitleColor(const Color& color, ControlState state) {
    titleColors_[state] = color;
    setNeedsDisplay();
}

void Button::setImage(const Image& image, ControlState state) {
    images_[state] = image;
    setNeedsDisplay();
}

void Button::setBackgroundImage(const Image& image, ControlState state) {
    backgrounds_[state] = image;
    setNeedsDisplay();
}

std::string Button::titleForState(ControlState state) const {
    const std::string* t = lookup(titles_, state);
    return t ? *t : std::string();
}

Color Button::titleColorForState(ControlState state) const {
    const Color* c = lookup(titleColors_, state);
    return c ? *c : defaultTitleColor(type_, state);
}

Image Button::imageForState(ControlState state) const {
    const Image* i = lookup(images_, state);
    return i ? *i : Image();
}

Image Button::backgroundImageForState(ControlState state) const {
    const Image* i = lookup(backgrounds_, state);
    return i ? *i : Image();
}

void Button::setTitleFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}

void Button::setTitleAlignment(TextAlignment alignment) {
    titleAlignment_ = alignment;
    setNeedsDisplay();
}

void Button::setContentEdgeInsets(const EdgeInsets& insets) {
    contentInsets_ = insets;
    setNeedsDisplay();
}

void Button::setTitleEdgeInsets(const EdgeInsets& insets) {
    titleInsets_ = insets;
    setNeedsDisplay();
}

void Button::setImageEdgeInsets(const EdgeInsets& insets) {
    imageInsets_ = insets;
    setNeedsDisplay();
}

void Button::setAdjustsImageWhenHighlighted(bool adjusts) {
    adjustsImageWhenHighlighted_ = adjusts;
    setNeedsDisplay();
}

Rect Button::contentRect() const {
    Rect b = bounds();
    return {b.minX() + contentInsets_.left, b.minY() + contentInsets_.top,
            b.width() - contentInsets_.left - contentInsets_.right,
            b.height() - contentInsets_.top - contentInsets_.bottom};
}

// Image and title sit side by side (image first), aligned together in the content rect.
Rect Button::imageRect() const {
    Image image = currentImage();
    if (!image) return {};
    Rect c = contentRect();
    Size is = image.size();
    Rect title = titleRect();
    float groupWidth = is.width + title.width();
    float x = place(titleAlignment_, c.minX(), c.width(), groupWidth, imageInsets_.left,
                    imageInsets_.right);
    float y =
        c.minY() + (c.height() - is.height) / 2 + (imageInsets_.top - imageInsets_.bottom) / 2;
    return {x, y, is.width, is.height};
}

Rect Button::titleRect() const {
    std::string title = currentTitle();
    if (title.empty()) return {};
    const FontMetrics& m = fontMetrics();
    Rect c = contentRect();
    Image image = currentImage();
    float iw = image ? image.size().width : 0;
    float available = std::max(0.0f, c.width() - iw - titleInsets_.left - titleInsets_.right);
    float tw = std::min(m.width(font_, title), available);
    float th = m.lineHeight(font_);
    float x = place(titleAlignment_, c.minX(), c.width(), iw + tw, titleInsets_.left,
                    titleInsets_.right) +
              iw;
    float y = c.minY() + (c.height() - th) / 2 + (titleInsets_.top - titleInsets_.bottom) / 2;
    return {x, y, tw, th};
}

void Button::draw(Canvas& canvas) const {
    Rect b = bounds();
    ControlState s = state();
    Image background = currentBackgroundImage();
    if (background) {
        drawImageStretched(canvas, background, b);
    } else if (type_ == ButtonType::RoundedRect) {
        canvas.fillRect(b, isHighlighted() ? Color::rgb255(40, 110, 230) : Color::white());
        canvas.strokeRect(b, Color::gray(0.55f), 1);
    } else if (type_ != ButtonType::Custom) {
        Rect disc{b.midX() - 9, b.midY() - 9, 18, 18};
        Color ink = type_ == ButtonType::InfoLight ? Color::white() : Color::rgb255(50, 79, 133);
        canvas.fillEllipse(disc, ink);
    }
    if (Image image = currentImage()) {
        bool dim = isHighlighted() && adjustsImageWhenHighlighted_ &&
                   !lookupHasExact(ControlState::Highlighted);
        canvas.save();
        if (!isEnabled()) canvas.multiplyAlpha(0.5f);
        canvas.drawImage(image, {}, imageRect(), dim ? Color::gray(0.6f) : Color::white());
        canvas.restore();
    }
    Color color = titleColorForState(s);
    std::string title = currentTitle();
    if (title.empty() || color.isClear()) return;
    Rect t = titleRect();
    const FontMetrics& m = canvas.metrics();
    if (m.width(font_, title) > t.width() + 0.01f) title = truncateTail(m, font_, title, t.width());
    canvas.drawText(title, font_, color, t.origin);
}

std::string Button::displayedText() const {
    return carriesDataInTitle() ? std::string() : currentTitle();
}

std::string Button::displayedImageName() const {
    if (Image image = currentImage()) return image.name();
    return currentBackgroundImage().name();
}

} // namespace ui
