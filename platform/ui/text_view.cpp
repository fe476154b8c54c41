// TextView: editing, wrapping, scrolling and drawing.
#include "platform/ui/text_view.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/canvas.h"
#include "platform/ui/text_wrap.h"
#include "platform/ui/utf8_edit.h"
#include "platform/ui/window.h"

namespace ui {

namespace {
const Color kCaretColor = Color::rgb255(66, 107, 242);
}

TextView::TextView(const Rect& frame) : View(frame) {}

TextView::~TextView() = default;

void TextView::setText(std::string_view utf8) {
    edit_.setText(sanitizeUtf8(utf8));
    setContentOffset(offset_);
}

void TextView::setFont(const Font& font) {
    font_ = font;
    setContentOffset(offset_);
    setNeedsDisplay();
}

void TextView::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void TextView::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}

void TextView::setEditable(bool editable) {
    editable_ = editable;
    if (!editable && isFirstResponder()) resignFirstResponder();
}

void TextView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    setContentOffset(offset_);
}

const FontMetrics& TextView::metrics() const {
    static const FixedFontMetrics fixed; // stateless
    if (Window* w = window()) return w->metrics();
    return fixed;
}

std::vector<std::string> TextView::lines() const {
    return wrapText(metrics(), font_, text(), std::max(0.0f, bounds().width() - 2 * kInset));
}

float TextView::contentHeight() const {
    return static_cast<float>(lines().size()) * metrics().lineHeight(font_) + 2 * kInset;
}

float TextView::maxOffset() const {
    return std::max(0.0f, contentHeight() - bounds().height());
}

void TextView::setContentOffset(float offset) {
    float clamped = std::clamp(offset, 0.0f, maxOffset());
    if (clamped == offset_) return;
    offset_ = clamped;
    setNeedsDisplay();
}

void TextView::scrollToEnd() {
    setContentOffset(maxOffset());
}

// --- Editing ---

bool TextView::canBecomeFirstResponder() const {
    if (isFirstResponder()) return true;
    if (!editable_ || !isUserInteractionEnabled()) return false;
    if (!delegate_) return true;
    auto* self = const_cast<TextView*>(this);
    return edit_.mayBegin([self] { return self->delegate_->textViewShouldBeginEditing(*self); });
}

void TextView::didBecomeFirstResponder() {
    edit_.begin();
    if (delegate_) delegate_->textViewDidBeginEditing(*this);
}

void TextView::didResignFirstResponder() {
    edit_.end();
    if (delegate_) delegate_->textViewDidEndEditing(*this);
}

void TextView::replace(TextRange range, std::string_view replacement) {
    auto allow = [this](TextRange r, const std::string& s) {
        return !delegate_ || delegate_->shouldChangeTextInRange(*this, r, s);
    };
    if (!edit_.replace(range, replacement, allow)) return;
    scrollToEnd();
    if (delegate_) delegate_->textViewDidChange(*this);
}

void TextView::insertText(std::string_view utf8) {
    if (!isEditing()) return;
    std::string clean = sanitizeUtf8(utf8);
    std::erase(clean, '\r');
    if (!clean.empty()) replace(edit_.insertionRange(), clean);
}

void TextView::deleteBackward() {
    if (!isEditing() || text().empty()) return;
    replace(edit_.lastCharacterRange(), {});
}

void TextView::returnKey() {
    if (isEditing()) replace(edit_.insertionRange(), "\n");
}

void TextView::didMoveToWindow() {
    edit_.ownerMovedToWindow();
    setContentOffset(offset_);
}

// --- Touches ---

void TextView::touchesBegan(const TouchSet& touches, const Event&) {
    if (touches.empty()) return;
    touchStart_ = touches.front()->locationInView(nullptr);
    offsetAtTouch_ = offset_;
    dragging_ = false;
}

void TextView::touchesMoved(const TouchSet& touches, const Event&) {
    if (touches.empty()) return;
    Point p = touches.front()->locationInView(nullptr);
    float dy = p.y - touchStart_.y;
    if (!dragging_ && std::hypot(p.x - touchStart_.x, dy) >= kTapSlop) dragging_ = true;
    if (dragging_) setContentOffset(offsetAtTouch_ - dy);
}

void TextView::touchesEnded(const TouchSet& touches, const Event& event) {
    touchesMoved(touches, event);
    if (!dragging_ && editable_ && !isFirstResponder()) becomeFirstResponder();
    dragging_ = false;
}

void TextView::touchesCancelled(const TouchSet&, const Event&) {
    dragging_ = false;
}

// --- Drawing ---

void TextView::draw(Canvas& canvas) const {
    const FontMetrics& m = canvas.metrics();
    Rect b = bounds();
    float lineHeight = m.lineHeight(font_);
    float textWidth = std::max(0.0f, b.width() - 2 * kInset);
    std::vector<std::string> wrapped = wrapText(m, font_, text(), textWidth);

    auto lineX = [&](float width) {
        switch (alignment_) {
        case TextAlignment::Center:
            return b.minX() + kInset + (textWidth - width) / 2;
        case TextAlignment::Right:
            return b.minX() + kInset + textWidth - width;
        default:
            return b.minX() + kInset;
        }
    };

    canvas.save();
    canvas.clipTo(b);
    float y = b.minY() + kInset - offset_;
    for (const std::string& line : wrapped) {
        if (y + lineHeight > b.minY() && y < b.maxY() && !line.empty())
            canvas.drawText(line, font_, textColor_, {lineX(m.width(font_, line)), y});
        y += lineHeight;
    }
    if (isCaretShown()) {
        float lastWidth = m.width(font_, wrapped.back());
        float cy = y - lineHeight;
        canvas.fillRect({lineX(lastWidth) + lastWidth, cy, 2, lineHeight}, kCaretColor);
    }
    canvas.restore();
}

} // namespace ui
