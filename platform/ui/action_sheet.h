// ActionSheet: the modal list of choices that slides up from the bottom of the screen, with an
// optional title, a destructive button, other buttons and a cancel button.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace ui {

class ActionSheet;
class TextView;

// Receives the choice. Called on the interface thread. Not owned by the sheet: it must outlive
// the sheet or be cleared with setDelegate(nullptr).
class ActionSheetDelegate {
  public:
    virtual ~ActionSheetDelegate() = default;
    // A button was tapped; the sheet is already sliding away. Called once per showing.
    virtual void clickedButtonAtIndex(ActionSheet& sheet, int buttonIndex) = 0;
    // The sheet has left the screen, after a tap or dismissWithClickedButtonIndex().
    virtual void didDismissWithButtonIndex(ActionSheet& sheet, int buttonIndex) {
        (void)sheet;
        (void)buttonIndex;
    }
};

enum class ActionSheetStyle { Default, BlackTranslucent, BlackOpaque };

// Button indices follow the platform: the destructive button (when given) is 0, the other
// buttons follow in order, and the cancel button (when given) comes last. Buttons added later
// with addButtonWithTitle() go after them (the indices of the cancel and destructive buttons
// stay as first given). The buttons are stacked in index order, the cancel button at the bottom
// set apart.
//
// While shown, the sheet sits in the window's modal layer and only it receives touches (a tap
// on the dimmed screen above it does nothing).
//
// Create with std::make_shared (the window retains the sheet while it is shown).
// Threads: interface thread only.
class ActionSheet : public View {
  public:
    static constexpr double kSlideSeconds = 0.3;

    ActionSheet(std::string title, ActionSheetDelegate* delegate,
                const std::string& cancelButtonTitle, const std::string& destructiveButtonTitle,
                const std::vector<std::string>& otherButtonTitles = {});
    ~ActionSheet() override;

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    ActionSheetDelegate* delegate() const { return delegate_; }
    void setDelegate(ActionSheetDelegate* delegate) { delegate_ = delegate; }
    ActionSheetStyle actionSheetStyle() const { return style_; }
    void setActionSheetStyle(ActionSheetStyle style);

    int addButtonWithTitle(const std::string& title);
    int numberOfButtons() const { return static_cast<int>(titles_.size()); }
    std::string buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return cancelIndex_; }
    int destructiveButtonIndex() const { return destructiveIndex_; }
    int firstOtherButtonIndex() const;

    // Slides the sheet up over the window of `view`; false (nothing shown) when the view is in
    // no window or the sheet is already shown.
    bool showInView(View& view);
    // Slides the sheet away without calling clickedButtonAtIndex.
    void dismissWithClickedButtonIndex(int index, bool animated);
    bool isVisible() const { return state_ == State::Shown; }

    // The sliding panel, in window coordinates, and the buttons (for drivers and tests).
    Rect panelFrame() const;
    View* buttonAtIndex(int index) const;

    // --- View ---
    void layoutSubviews() override;
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}
    std::string displayedText() const override { return title_; }
    std::string_view className() const override { return "ActionSheet"; }

  private:
    enum class State { Idle, Shown, Leaving };

    float titleHeight() const;
    float panelHeight() const;
    std::vector<int> visualOrder() const;
    void rebuildButtons();
    void buttonTapped(int index);
    void beginDismissal(int index, bool animated);
    void finishDismissal(int index);

    std::string title_;
    ActionSheetDelegate* delegate_;
    ActionSheetStyle style_ = ActionSheetStyle::Default;
    std::vector<std::string> titles_;
    int cancelIndex_ = -1;
    int destructiveIndex_ = -1;
    State state_ = State::Idle;
    Window* window_ = nullptr;

    std::shared_ptr<View> panel_;
    std::shared_ptr<TextView> titleView_;
    std::vector<std::shared_ptr<View>> buttons_;
};

} // namespace ui
