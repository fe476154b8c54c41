// ModalButton: the push button of alerts and action sheets (cancel, destructive or plain), drawn
// with the canvas and answering a tap inside it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/control.h"

namespace ui {

enum class ModalButtonKind { Default, Cancel, Destructive };

// Threads: interface thread only.
class ModalButton : public Control {
  public:
    ModalButton(std::string title, ModalButtonKind kind, std::function<void()> onTap);

    const std::string& title() const { return title_; }
    ModalButtonKind kind() const { return kind_; }

    void draw(Canvas& canvas) const override;
    std::string displayedText() const override { return title_; }
    std::string_view className() const override { return "ModalButton"; }

  protected:
    void stateDidChange() override { setNeedsDisplay(); }

  private:
    std::string title_;
    ModalButtonKind kind_;
};

inline std::shared_ptr<ModalButton> makeModalButton(std::string title, ModalButtonKind kind,
                                                    std::function<void()> onTap) {
    return std::make_shared<ModalButton>(std::move(title), kind, std::move(onTap));
}

} // namespace ui
