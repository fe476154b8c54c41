// Text input shared by the text field and the text view: UTF-8 helpers (cleaning typed text,
// removing the last character, counting characters) and the editing state both views keep.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ui {

class UiTimer;
class View;

// Byte range of an edited UTF-8 text.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// `utf8` with every malformed sequence (stray continuation byte, truncated or overlong
// sequence, surrogate, value above U+10FFFF) replaced by U+FFFD, so edited text always stays
// valid UTF-8.
std::string sanitizeUtf8(std::string_view utf8);

// Byte length of the last character of valid UTF-8 text (0 when empty).
std::size_t lastCharacterLength(std::string_view utf8);

// Number of characters (code points) of valid UTF-8 text.
std::size_t characterCount(std::string_view utf8);

// The editing state of a view that takes typed text: the text with the caret at its end, the
// caret's blink on the window clock, and the delegate's may-I-begin question, which may itself
// hand the keyboard to the view. The owning view forwards its responder and window changes and
// draws the text and caret it is told of. Interface thread only, like its owner.
class TextEditing {
  public:
    static constexpr double kCaretBlinkSeconds = 0.5;

    explicit TextEditing(View& owner) : owner_(owner) {}
    ~TextEditing();
    TextEditing(const TextEditing&) = delete;
    TextEditing& operator=(const TextEditing&) = delete;

    const std::string& text() const { return text_; }
    // Replaces the text (already cleaned by the owner) without asking anyone.
    void setText(std::string utf8);
    bool isEditing() const { return editing_; }
    bool isCaretShown() const { return editing_ && caretOn_; }

    // canBecomeFirstResponder: `ask` is the delegate's question; a delegate that gives the
    // keyboard to the owner from inside it is answered yes.
    bool mayBegin(const std::function<bool()>& ask) const;
    // didBecomeFirstResponder / didResignFirstResponder.
    void begin();
    void end();
    // didMoveToWindow: taken out of its window while editing, the owner gives the keyboard up.
    void ownerMovedToWindow();

    // What typing at the caret replaces: nothing at the end, or the last character.
    TextRange insertionRange() const { return {text_.size(), 0}; }
    TextRange lastCharacterRange() const;
    // Replaces `range` by `replacement` when `allow` (the delegate's should-change question, may
    // be empty) agrees; the caret shows at once. Returns whether the text changed.
    bool replace(TextRange range, std::string_view replacement,
                 const std::function<bool(TextRange, const std::string&)>& allow);

  private:
    void restartCaret();
    void stopCaret();

    View& owner_;
    std::string text_;
    bool editing_ = false;
    bool caretOn_ = false;
    mutable bool asking_ = false;
    std::shared_ptr<UiTimer> caretTimer_;
};

} // namespace ui
