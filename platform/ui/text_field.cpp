// TextField: editing, caret blinking on the window clock, clear button and drawing.
#include "platform/ui/text_field.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/utf8_edit.h"

namespace ui {

namespace {

constexpr std::string_view kBullet = "\xE2\x80\xA2";
constexpr float kClearButtonSide = 19;
constexpr float kClearButtonMargin = 6;
const Color kPlaceholderColor = Color::gray(0.7f);
const Color kCaretColor = Color::rgb255(66, 107, 242);

// A text field holds one line: line breaks typed or pasted into it are dropped.
std::string singleLine(std::string_view utf8) {
    std::string clean = sanitizeUtf8(utf8);
    std::erase_if(clean, [](char c) { return c == '\n' || c == '\r'; });
    return clean;
}

} // namespace

TextField::TextField(const Rect& frame) : Control(frame) {}

TextField::~TextField() = default;

void TextField::setText(std::string_view utf8) {
    edit_.setText(singleLine(utf8));
}

void TextField::setPlaceholder(std::string_view utf8) {
    placeholder_ = singleLine(utf8);
    setNeedsDisplay();
}

void TextField::setFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}

void TextField::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void TextField::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style) {
    borderStyle_ = style;
    setNeedsDisplay();
}

void TextField::setSecureTextEntry(bool secure) {
    secure_ = secure;
    setNeedsDisplay();
}

void TextField::setClearButtonMode(TextFieldViewMode mode) {
    clearButtonMode_ = mode;
    setNeedsDisplay();
}

bool TextField::isClearButtonShown() const {
    if (text().empty()) return false;
    switch (clearButtonMode_) {
    case TextFieldViewMode::Never:
        return false;
    case TextFieldViewMode::WhileEditing:
        return isEditing();
    case TextFieldViewMode::UnlessEditing:
        return !isEditing();
    case TextFieldViewMode::Always:
        return true;
    }
    return false;
}

Rect TextField::clearButtonRect() const {
    Rect b = bounds();
    return {b.maxX() - kClearButtonMargin - kClearButtonSide,
            b.minY() + (b.height() - kClearButtonSide) / 2, kClearButtonSide, kClearButtonSide};
}

Rect TextField::textRect() const {
    Rect b = bounds();
    float inset = borderStyle_ == TextBorderStyle::None ? 0 : 7;
    Rect r = b.insetBy(inset, 0);
    if (isClearButtonShown())
        r.size.width = std::max(0.0f, clearButtonRect().minX() - kClearButtonMargin - r.minX());
    return r;
}

std::string TextField::drawnText() const {
    if (!secure_) return text();
    std::string bullets;
    for (std::size_t i = characterCount(text()); i > 0; --i) bullets += kBullet;
    return bullets;
}

std::string TextField::displayedText() const {
    return text().empty() ? placeholder_ : drawnText();
}

// --- Editing ---

bool TextField::canBecomeFirstResponder() const {
    if (isFirstResponder()) return true;
    if (!isEnabled() || !isUserInteractionEnabled()) return false;
    if (!delegate_) return true;
    auto* self = const_cast<TextField*>(this);
    return edit_.mayBegin([self] { return self->delegate_->textFieldShouldBeginEditing(*self); });
}

void TextField::didBecomeFirstResponder() {
    edit_.begin();
    if (delegate_) delegate_->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(ControlEvent::EditingDidBegin);
}

void TextField::didResignFirstResponder() {
    edit_.end();
    if (delegate_) delegate_->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(ControlEvent::EditingDidEnd);
}

bool TextField::replace(TextRange range, std::string_view replacement) {
    auto allow = [this](TextRange r, const std::string& s) {
        return !delegate_ || delegate_->shouldChangeCharactersInRange(*this, r, s);
    };
    if (!edit_.replace(range, replacement, allow)) return false;
    sendActionsForControlEvents(ControlEvent::EditingChanged);
    return true;
}

void TextField::insertText(std::string_view utf8) {
    if (!isEditing()) return;
    std::string clean = singleLine(utf8);
    if (clean.empty()) return;
    replace(edit_.insertionRange(), clean);
}

void TextField::deleteBackward() {
    if (!isEditing() || text().empty()) return;
    replace(edit_.lastCharacterRange(), {});
}

void TextField::returnKey() {
    if (!isEditing()) return;
    // The delegate may resign the field (or move the keyboard) from inside this call.
    bool allowed = !delegate_ || delegate_->textFieldShouldReturn(*this);
    if (allowed) sendActionsForControlEvents(ControlEvent::EditingDidEndOnExit);
}

void TextField::didMoveToWindow() {
    Control::didMoveToWindow();
    edit_.ownerMovedToWindow();
}

// --- Touches ---

void TextField::touchesBegan(const TouchSet& touches, const Event& event) {
    Control::touchesBegan(touches, event);
    if (touches.empty()) return;
    trackingClear_ = isClearButtonShown() && clearButtonRect().insetBy(-6, -6).contains(
                                                 touches.front()->locationInView(this));
}

void TextField::touchesEnded(const TouchSet& touches, const Event& event) {
    Control::touchesEnded(touches, event);
    if (touches.empty() || !isEnabled()) return;
    Point p = touches.front()->locationInView(this);
    bool onClear = trackingClear_ && clearButtonRect().insetBy(-6, -6).contains(p);
    trackingClear_ = false;
    if (onClear) {
        if (!delegate_ || delegate_->textFieldShouldClear(*this)) {
            edit_.setText({});
            sendActionsForControlEvents(ControlEvent::EditingChanged);
        }
        if (!isFirstResponder()) becomeFirstResponder();
        return;
    }
    if (bounds().contains(p) && !isFirstResponder()) becomeFirstResponder();
}

// --- Drawing ---

void TextField::draw(Canvas& canvas) const {
    Rect b = bounds();
    switch (borderStyle_) {
    case TextBorderStyle::None:
        break;
    case TextBorderStyle::Line:
        canvas.strokeRect(b, Color::black(), 1);
        break;
    case TextBorderStyle::Bezel:
        canvas.strokeRect(b, Color::gray(0.45f), 1);
        canvas.drawLine({b.minX() + 1, b.minY() + 1.5f}, {b.maxX() - 1, b.minY() + 1.5f},
                        Color::gray(0.7f), 1);
        break;
    case TextBorderStyle::RoundedRect:
        canvas.fillRect(b.insetBy(1, 1), Color::white());
        canvas.strokeRect(b, Color::gray(0.6f), 1);
        break;
    }

    const FontMetrics& m = canvas.metrics();
    Rect r = textRect();
    bool placeholder = text().empty();
    std::string shown = placeholder ? placeholder_ : drawnText();
    float width = m.width(font_, shown);
    float lineHeight = m.lineHeight(font_);
    float x = r.minX();
    if (alignment_ == TextAlignment::Center) x = r.midX() - width / 2;
    if (alignment_ == TextAlignment::Right) x = r.maxX() - width;
    // While editing, a text longer than the field scrolls so that its end (the caret) shows.
    if (isEditing() && !placeholder && width > r.width()) x = r.maxX() - width - 2;
    float y = r.midY() - lineHeight / 2;

    canvas.save();
    canvas.clipTo(r);
    if (!shown.empty())
        canvas.drawText(shown, font_, placeholder ? kPlaceholderColor : textColor_, {x, y});
    if (isCaretShown()) {
        float cx = placeholder ? (alignment_ == TextAlignment::Left     ? r.minX()
                                  : alignment_ == TextAlignment::Center ? r.midX()
                                                                        : r.maxX() - 2)
                               : x + width;
        canvas.fillRect({cx, y, 2, lineHeight}, kCaretColor);
    }
    canvas.restore();

    if (isClearButtonShown()) {
        Rect c = clearButtonRect();
        canvas.fillEllipse(c, Color::gray(0.65f));
        Rect cross = c.insetBy(6, 6);
        canvas.drawLine(cross.origin, {cross.maxX(), cross.maxY()}, Color::white(), 1.5f);
        canvas.drawLine({cross.maxX(), cross.minY()}, {cross.minX(), cross.maxY()}, Color::white(),
                        1.5f);
    }
}

} // namespace ui
