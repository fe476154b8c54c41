// TextView: editing, wrapping, scrolling and drawing.
#include "platform/ui/text_view.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/text_wrap.h"
#include "platform/ui/utf8_edit.h"
#include "platform/ui/window.h"

namespace ui {

namespace {
const Color kCaretColor = Color::rgb255(66, 107, 242);
}

TextView::TextView(const Rect& frame) : View(frame) {}

TextView::~TextView() {
    stopCaret();
}

void TextView::setText(std::string utf8) {
    text_ = sanitizeUtf8(utf8);
    setContentOffset(offset_);
    setNeedsDisplay();
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
    return wrapText(metrics(), font_, text_, std::max(0.0f, bounds().width() - 2 * kInset));
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
    // A delegate may hand the keyboard to this very view from inside the question.
    if (askingDelegate_) return true;
    askingDelegate_ = true;
    bool allowed = delegate_->textViewShouldBeginEditing(const_cast<TextView&>(*this));
    askingDelegate_ = false;
    return allowed;
}

void TextView::didBecomeFirstResponder() {
    assert(zplatform::RunLoop::isMainThread());
    editing_ = true;
    restartCaret();
    setNeedsDisplay();
    if (delegate_) delegate_->textViewDidBeginEditing(*this);
}

void TextView::didResignFirstResponder() {
    editing_ = false;
    stopCaret();
    setNeedsDisplay();
    if (delegate_) delegate_->textViewDidEndEditing(*this);
}

void TextView::replace(TextRange range, std::string_view replacement) {
    std::string repl(replacement);
    if (delegate_ && !delegate_->shouldChangeTextInRange(*this, range, repl)) return;
    text_.replace(range.location, range.length, repl);
    restartCaret();
    scrollToEnd();
    setNeedsDisplay();
    if (delegate_) delegate_->textViewDidChange(*this);
}

void TextView::insertText(std::string_view utf8) {
    if (!editing_) return;
    std::string clean = sanitizeUtf8(utf8);
    std::erase(clean, '\r');
    if (!clean.empty()) replace({text_.size(), 0}, clean);
}

void TextView::deleteBackward() {
    if (!editing_ || text_.empty()) return;
    std::size_t n = lastCharacterLength(text_);
    replace({text_.size() - n, n}, {});
}

void TextView::returnKey() {
    if (editing_) replace({text_.size(), 0}, "\n");
}

// --- Caret ---

void TextView::restartCaret() {
    stopCaret();
    if (!editing_) return;
    caretOn_ = true;
    Window* w = window();
    if (!w) return;
    caretTimer_ = w->clock().scheduledTimer(TextField::kCaretBlinkSeconds, true, [this](UiTimer&) {
        caretOn_ = !caretOn_;
        setNeedsDisplay();
    });
}

void TextView::stopCaret() {
    if (caretTimer_) caretTimer_->invalidate();
    caretTimer_.reset();
    caretOn_ = false;
}

void TextView::didMoveToWindow() {
    if (editing_ && !window()) {
        resignFirstResponder();
        if (editing_) didResignFirstResponder();
    }
    restartCaret();
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
    std::vector<std::string> wrapped = wrapText(m, font_, text_, textWidth);

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
