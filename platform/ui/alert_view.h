// AlertView: the modal message box with a title, a message and one or more buttons, shown over
// everything; the answer goes to a delegate.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace ui {

class AlertView;
class TextView;

// Receives the answer of an alert. Called on the interface thread. Not owned by the alert: it
// must outlive the alert or be cleared with setDelegate(nullptr).
class AlertViewDelegate {
  public:
    virtual ~AlertViewDelegate() = default;
    // A button was tapped; the alert is already leaving (a new alert shown from here appears
    // once this one has gone). Called once per alert.
    virtual void clickedButtonAtIndex(AlertView& alert, int buttonIndex) = 0;
    // The alert has left the screen, after a tap or dismissWithClickedButtonIndex().
    virtual void didDismissWithButtonIndex(AlertView& alert, int buttonIndex) {
        (void)alert;
        (void)buttonIndex;
    }
};

// Buttons are numbered in the order they were added: the cancel button given at creation is 0
// and the other buttons follow (1, 2, ...); without a cancel button the others start at 0. Two
// buttons sit side by side (cancel on the left); one or more than two are stacked, the cancel
// button last.
//
// show() presents the alert in the window's modal layer: the window dims and the box pops in.
// While it is there only the alert receives touches. An alert shown while another is on screen
// waits and appears when the earlier one is gone (alerts queue in showing order). An alert
// without any button gets an "OK" cancel button when shown, so that it can always be closed.
//
// Create with std::make_shared (the window retains the alert while it is shown or queued).
// Threads: interface thread only.
class AlertView : public View {
  public:
    static constexpr float kBoxWidth = 284;
    static constexpr double kShowSeconds = 0.2;
    static constexpr double kDismissSeconds = 0.2;

    AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
              const std::string& cancelButtonTitle,
              const std::vector<std::string>& otherButtonTitles = {});
    ~AlertView() override;

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    const std::string& message() const { return message_; }
    void setMessage(std::string message);
    AlertViewDelegate* delegate() const { return delegate_; }
    void setDelegate(AlertViewDelegate* delegate) { delegate_ = delegate; }

    // Returns the new button's index.
    int addButtonWithTitle(const std::string& title);
    int numberOfButtons() const { return static_cast<int>(titles_.size()); }
    std::string buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return cancelIndex_; }
    // The first button that is not the cancel button, -1 when none.
    int firstOtherButtonIndex() const;

    void show(Window& window);
    // Dismisses without calling clickedButtonAtIndex (didDismissWithButtonIndex gets `index`).
    // A queued alert leaves the queue.
    void dismissWithClickedButtonIndex(int index, bool animated);
    // On screen (from show() until it has gone; false while queued or leaving).
    bool isVisible() const { return state_ == State::Shown; }
    bool isQueued() const { return state_ == State::Queued; }

    // The box, in window coordinates, and the buttons (for drivers and tests).
    Rect boxFrame() const;
    View* buttonAtIndex(int index) const;

    // --- View ---
    void layoutSubviews() override;
    // The whole screen while shown; a leaving alert still holds every touch until it is gone.
    View* hitTest(Point point, const Event* event) override;
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}
    std::string displayedText() const override { return message_; }
    std::string_view className() const override { return "AlertView"; }

  private:
    enum class State { Idle, Queued, Shown, Leaving };

    void present(Window& window);
    void buttonTapped(int index);
    void beginDismissal(int index, bool animated);
    void finishDismissal(int index);
    void rebuildButtons();
    static AlertView* lastAlertIn(Window& window);

    std::string title_;
    std::string message_;
    AlertViewDelegate* delegate_;
    std::vector<std::string> titles_;
    int cancelIndex_ = -1;
    State state_ = State::Idle;
    Window* window_ = nullptr;
    // Alerts shown while this one was on screen, in showing order.
    std::vector<std::shared_ptr<AlertView>> waiting_;

    std::shared_ptr<View> box_;
    std::shared_ptr<TextView> titleView_;
    std::shared_ptr<TextView> messageView_;
    std::vector<std::shared_ptr<View>> buttons_;
};

} // namespace ui
