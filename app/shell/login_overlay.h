// The login overlay: the member's login and password fields with Cancel, Subscribe and Validate,
// sliding down from the top bar. The fields' contents go to the member account as they are
// edited; clearing a field forgets the remembered value at once.
//
// Owned by the application delegate; interface thread only.
#pragma once

#include <memory>

#include "platform/ui/text_field.h"

namespace ui {
class View;
}

namespace zephrun {

class ZephrunAppDelegate;

class LoginOverlay : private ui::TextFieldDelegate {
  public:
    static constexpr int kLoginFieldTag = 1;
    static constexpr int kPasswordFieldTag = 2;

    explicit LoginOverlay(ZephrunAppDelegate& appDelegate);
    ~LoginOverlay() override;

    ui::View* view() const { return view_.get(); }
    ui::TextField& loginField() { return *login_; }
    ui::TextField& passwordField() { return *password_; }

    // Slides down to y = 0 and gives the login field the keyboard.
    void slideIn();
    // Gives the keyboard up and slides back above the screen.
    void slideOut();
    // Copies the password field into the account (the password's return key).
    void takePassword();

  private:
    bool textFieldShouldReturn(ui::TextField& field) override;
    bool textFieldShouldClear(ui::TextField& field) override;
    void textFieldDidEndEditing(ui::TextField& field) override;
    void take(ui::TextField& field);

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::View> view_;
    std::shared_ptr<ui::TextField> login_;
    std::shared_ptr<ui::TextField> password_;
};

} // namespace zephrun
