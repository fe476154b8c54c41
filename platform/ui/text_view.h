// TextView: multi-line text, word-wrapped, editable or read-only, scrolled by dragging.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/font.h"
#include "platform/ui/text_input_traits.h"
#include "platform/ui/utf8_edit.h"
#include "platform/ui/view.h"

namespace ui {

class TextView;

// Told about editing; every method is optional. Called on the interface thread. The view does
// not own its delegate, which must outlive it or be cleared.
class TextViewDelegate {
  public:
    virtual ~TextViewDelegate() = default;
    // False keeps the view from taking the keyboard.
    virtual bool textViewShouldBeginEditing(TextView&) { return true; }
    virtual void textViewDidBeginEditing(TextView&) {}
    // Typing replaces `range` by `replacement` (empty for a deletion); false refuses it.
    virtual bool shouldChangeTextInRange(TextView&, TextRange range,
                                         const std::string& replacement) {
        (void)range;
        (void)replacement;
        return true;
    }
    // After each change made by the user (not after setText()).
    virtual void textViewDidChange(TextView&) {}
    virtual void textViewDidEndEditing(TextView&) {}
};

// The caret sits at the end of the text; return inserts a line feed. Typing scrolls the end
// into view; a drag scrolls the text within its bounds (a short tap gives the keyboard to an
// editable view).
//
// Threads: interface thread only.
class TextView : public View {
  public:
    // Blank between the bounds and the text.
    static constexpr float kInset = 8;
    // A touch that moves less than this is a tap.
    static constexpr float kTapSlop = 6;

    explicit TextView(const Rect& frame = {});
    ~TextView() override;

    const std::string& text() const { return edit_.text(); }
    void setText(std::string_view utf8);
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    bool isEditable() const { return editable_; }
    // A view made read-only while it has the keyboard gives it up.
    void setEditable(bool editable);

    TextInputTraits& traits() { return traits_; }
    const TextInputTraits& traits() const { return traits_; }
    TextViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TextViewDelegate* delegate) { delegate_ = delegate; }

    bool isEditing() const { return edit_.isEditing(); }
    bool isCaretShown() const { return edit_.isCaretShown(); }

    // The wrapped lines and the height they need (insets included), with the window's font
    // metrics (fixed metrics outside a window).
    std::vector<std::string> lines() const;
    float contentHeight() const;
    // Vertical scroll offset, 0 .. max(0, contentHeight - height).
    float contentOffset() const { return offset_; }
    void setContentOffset(float offset);
    void scrollToEnd();

    // --- View ---
    bool canBecomeFirstResponder() const override;
    void insertText(std::string_view utf8) override;
    void deleteBackward() override;
    void returnKey() override;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void setFrame(const Rect& frame) override;
    void draw(Canvas& canvas) const override;
    void didMoveToWindow() override;
    std::string displayedText() const override { return text(); }
    std::string_view className() const override { return "TextView"; }

  private:
    const FontMetrics& metrics() const;
    float maxOffset() const;
    void replace(TextRange range, std::string_view replacement);

    TextEditing edit_{*this};
    Font font_ = Font::system(12);
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    bool editable_ = true;
    TextInputTraits traits_;
    TextViewDelegate* delegate_ = nullptr;
    float offset_ = 0;
    // Touch tracking
    Point touchStart_;
    float offsetAtTouch_ = 0;
    bool dragging_ = false;
};

} // namespace ui
