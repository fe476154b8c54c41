// UTF-8 helpers for text input and the editing state of the text views.
#include "platform/ui/utf8_edit.h"

#include <cassert>
#include <cstdint>

#include "platform/run_loop.h"
#include "platform/ui/clock.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed sequence starting at s[i], 0 when malformed.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t len;
    std::uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        auto n = static_cast<unsigned char>(s[i + k]);
        if (!isContinuation(n)) return 0;
        cp = (cp << 6) | (n & 0x3F);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

} // namespace

std::string sanitizeUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t len = sequenceLength(utf8, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
            while (i < utf8.size() && isContinuation(static_cast<unsigned char>(utf8[i]))) ++i;
        } else {
            out.append(utf8.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::size_t lastCharacterLength(std::string_view utf8) {
    if (utf8.empty()) return 0;
    std::size_t i = utf8.size() - 1;
    while (i > 0 && utf8.size() - i < 4 && isContinuation(static_cast<unsigned char>(utf8[i]))) --i;
    return utf8.size() - i;
}

std::size_t characterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8) n += isContinuation(static_cast<unsigned char>(c)) ? 0 : 1;
    return n;
}

TextEditing::~TextEditing() {
    stopCaret();
}

void TextEditing::setText(std::string utf8) {
    text_ = std::move(utf8);
    owner_.setNeedsDisplay();
}

bool TextEditing::mayBegin(const std::function<bool()>& ask) const {
    if (!ask || asking_) return true;
    asking_ = true;
    const bool allowed = ask();
    asking_ = false;
    return allowed;
}

void TextEditing::begin() {
    assert(zplatform::RunLoop::isMainThread());
    editing_ = true;
    restartCaret();
    owner_.setNeedsDisplay();
}

void TextEditing::end() {
    editing_ = false;
    stopCaret();
    owner_.setNeedsDisplay();
}

void TextEditing::ownerMovedToWindow() {
    if (editing_ && !owner_.window()) {
        owner_.resignFirstResponder();
        // Out of the window the responder chain may not reach the view any more.
        if (editing_) owner_.didResignFirstResponder();
    }
    restartCaret();
}

TextRange TextEditing::lastCharacterRange() const {
    const std::size_t n = lastCharacterLength(text_);
    return {text_.size() - n, n};
}

bool TextEditing::replace(TextRange range, std::string_view replacement,
                          const std::function<bool(TextRange, const std::string&)>& allow) {
    std::string repl(replacement);
    if (allow && !allow(range, repl)) return false;
    text_.replace(range.location, range.length, repl);
    restartCaret();
    owner_.setNeedsDisplay();
    return true;
}

void TextEditing::restartCaret() {
    stopCaret();
    if (!editing_) return;
    caretOn_ = true;
    Window* w = owner_.window();
    if (!w) return;
    caretTimer_ = w->clock().scheduledTimer(kCaretBlinkSeconds, true, [this](UiTimer&) {
        caretOn_ = !caretOn_;
        owner_.setNeedsDisplay();
    });
}

void TextEditing::stopCaret() {
    if (caretTimer_) caretTimer_->invalidate();
    caretTimer_.reset();
    caretOn_ = false;
}

} // namespace ui
