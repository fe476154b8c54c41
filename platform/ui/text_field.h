// TextField: one line of editable text with placeholder, secure entry, clear button and a
// blinking caret, fed by the window's text input while it is the first responder.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/font.h"
#include "platform/ui/text_input_traits.h"
#include "platform/ui/utf8_edit.h"

namespace ui {

class TextField;

enum class TextBorderStyle { None, Line, Bezel, RoundedRect };
enum class TextFieldViewMode { Never, WhileEditing, UnlessEditing, Always };

// Told about editing; every method is optional. Called on the interface thread. The field does
// not own its delegate, which must outlive it or be cleared.
class TextFieldDelegate {
  public:
    virtual ~TextFieldDelegate() = default;
    // False keeps the field from taking the keyboard.
    virtual bool textFieldShouldBeginEditing(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) {}
    // Return pressed; screens resign the keyboard (or move it to another field) here. True lets
    // the field send EditingDidEndOnExit.
    virtual bool textFieldShouldReturn(TextField&) { return true; }
    // The clear button was tapped; false keeps the text.
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual void textFieldDidEndEditing(TextField&) {}
    // Typing replaces `range` by `replacement` (empty for a deletion); false refuses it.
    virtual bool shouldChangeCharactersInRange(TextField&, TextRange range,
                                               const std::string& replacement) {
        (void)range;
        (void)replacement;
        return true;
    }
};

// Control events: EditingDidBegin when it takes the keyboard, EditingChanged after each change
// made by the user (typing, backspace, clear button; not setText()), EditingDidEnd when it
// gives the keyboard up, EditingDidEndOnExit when return is pressed and the delegate agrees.
// The caret sits at the end of the text.
//
// Threads: interface thread only.
class TextField : public Control {
  public:
    explicit TextField(const Rect& frame = {});
    ~TextField() override;

    // The real text (also under secure entry).
    const std::string& text() const { return edit_.text(); }
    void setText(std::string_view utf8);
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(std::string_view utf8);
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    TextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TextBorderStyle style);
    bool isSecureTextEntry() const { return secure_; }
    void setSecureTextEntry(bool secure);
    TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(TextFieldViewMode mode);

    TextInputTraits& traits() { return traits_; }
    const TextInputTraits& traits() const { return traits_; }
    ReturnKeyType returnKeyType() const { return traits_.returnKeyType; }
    void setReturnKeyType(ReturnKeyType type) { traits_.returnKeyType = type; }
    KeyboardType keyboardType() const { return traits_.keyboardType; }
    void setKeyboardType(KeyboardType type) { traits_.keyboardType = type; }
    AutocapitalizationType autocapitalizationType() const { return traits_.autocapitalizationType; }
    void setAutocapitalizationType(AutocapitalizationType type) {
        traits_.autocapitalizationType = type;
    }
    AutocorrectionType autocorrectionType() const { return traits_.autocorrectionType; }
    void setAutocorrectionType(AutocorrectionType type) { traits_.autocorrectionType = type; }

    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

    bool isEditing() const { return edit_.isEditing(); }
    // The placeholder is drawn (the text is empty and a placeholder is set).
    bool isShowingPlaceholder() const { return text().empty() && !placeholder_.empty(); }
    bool isClearButtonShown() const;
    // Where the clear button is drawn and taps on it count, in bounds coordinates.
    Rect clearButtonRect() const;
    // The caret is drawn right now (first responder, in the visible half of its blink).
    bool isCaretShown() const { return edit_.isCaretShown(); }
    static constexpr double kCaretBlinkSeconds = TextEditing::kCaretBlinkSeconds;

    // --- View ---
    bool canBecomeFirstResponder() const override;
    void insertText(std::string_view utf8) override;
    void deleteBackward() override;
    void returnKey() override;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void draw(Canvas& canvas) const override;
    void didMoveToWindow() override;
    // What is drawn: the text (bullets under secure entry), else the placeholder.
    std::string displayedText() const override;
    std::string_view className() const override { return "TextField"; }

  private:
    Rect textRect() const;
    std::string drawnText() const;
    bool replace(TextRange range, std::string_view replacement);

    TextEditing edit_{*this};
    std::string placeholder_;
    Font font_ = Font::system(12);
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    TextBorderStyle borderStyle_ = TextBorderStyle::None;
    bool secure_ = false;
    TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
    TextInputTraits traits_;
    TextFieldDelegate* delegate_ = nullptr;
    bool trackingClear_ = false;
};

} // namespace ui
