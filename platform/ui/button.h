// Button: a control with a title, an image and a background image per state, drawn with the
// current state's values (falling back to the normal state's).
//
// A button whose title colour is clear carries data in its title: the title is kept and
// reported by currentTitle() but never drawn nor shown to displayedText().
#pragma once

#include <map>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/font.h"
#include "platform/ui/image.h"

namespace ui {

enum class ButtonType { Custom, RoundedRect, DetailDisclosure, InfoLight, InfoDark, ContactAdd };

struct EdgeInsets {
    float top = 0, left = 0, bottom = 0, right = 0;
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

class Button : public Control {
  public:
    explicit Button(const Rect& frame = {}, ButtonType type = ButtonType::Custom);
    static std::shared_ptr<Button> withType(ButtonType type, const Rect& frame = {});

    ButtonType buttonType() const { return type_; }

    void setTitle(std::string title, ControlState state = ControlState::Normal);
    void setTitleColor(const Color& color, ControlState state = ControlState::Normal);
    void setImage(const Image& image, ControlState state = ControlState::Normal);
    // Drawn stretched to the bounds (honouring its caps).
    void setBackgroundImage(const Image& image, ControlState state = ControlState::Normal);
    std::string titleForState(ControlState state) const;
    Color titleColorForState(ControlState state) const;
    Image imageForState(ControlState state) const;
    Image backgroundImageForState(ControlState state) const;

    std::string currentTitle() const { return titleForState(state()); }
    Color currentTitleColor() const { return titleColorForState(state()); }
    Image currentImage() const { return imageForState(state()); }
    Image currentBackgroundImage() const { return backgroundImageForState(state()); }

    const Font& titleFont() const { return font_; }
    void setTitleFont(const Font& font);
    TextAlignment titleAlignment() const { return titleAlignment_; }
    void setTitleAlignment(TextAlignment alignment);
    const EdgeInsets& contentEdgeInsets() const { return contentInsets_; }
    void setContentEdgeInsets(const EdgeInsets& insets);
    const EdgeInsets& titleEdgeInsets() const { return titleInsets_; }
    void setTitleEdgeInsets(const EdgeInsets& insets);
    const EdgeInsets& imageEdgeInsets() const { return imageInsets_; }
    void setImageEdgeInsets(const EdgeInsets& insets);
    // Without a highlighted image, the normal one is drawn darker while highlighted.
    void setAdjustsImageWhenHighlighted(bool adjusts);
    // The title colour is clear: the title is data, not text to show.
    bool carriesDataInTitle() const { return currentTitleColor().isClear(); }

    // Layout of the content in bounds coordinates (empty rects when absent).
    Rect imageRect() const;
    Rect titleRect() const;

    void draw(Canvas& canvas) const override;
    std::string displayedText() const override;
    std::string displayedImageName() const override;
    std::string_view className() const override { return "Button"; }

  private:
    template <class T>
    static const T* lookup(const std::map<ControlState, T>& values, ControlState state);
    Rect contentRect() const;
    bool lookupHasExact(ControlState state) const { return images_.count(state) != 0; }

    ButtonType type_;
    std::map<ControlState, std::string> titles_;
    std::map<ControlState, Color> titleColors_;
    std::map<ControlState, Image> images_;
    std::map<ControlState, Image> backgrounds_;
    Font font_ = Font::boldSystem(15);
    TextAlignment titleAlignment_ = TextAlignment::Center;
    EdgeInsets contentInsets_;
    EdgeInsets titleInsets_;
    EdgeInsets imageInsets_;
    bool adjustsImageWhenHighlighted_ = true;
};

} // namespace ui
