// ActionSheet: button numbering, layout, sliding in and out of the window's modal layer.
#include "platform/ui/action_sheet.h"

#include <algorithm>
#include <cassert>

#include "platform/run_loop.h"
#include "platform/ui/modal_button.h"
#include "platform/ui/text_view.h"
#include "platform/ui/text_wrap.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr float kSideMargin = 20;
constexpr float kPadding = 14;
constexpr float kButtonHeight = 46;
constexpr float kButtonGap = 8;
constexpr float kCancelGap = 10;
const Font kTitleFont = Font::system(13);
const Color kDimColor = Color::black().withAlpha(0.3f);

Color panelColor(ActionSheetStyle style) {
    switch (style) {
    case ActionSheetStyle::BlackOpaque:
        return Color::black();
    case ActionSheetStyle::BlackTranslucent:
        return Color::black().withAlpha(0.8f);
    case ActionSheetStyle::Default:
        break;
    }
    return Color::rgb255(84, 94, 116, 235);
}

} // namespace

ActionSheet::ActionSheet(std::string title, ActionSheetDelegate* delegate,
                         const std::string& cancelButtonTitle,
                         const std::string& destructiveButtonTitle,
                         const std::vector<std::string>& otherButtonTitles)
    : View(Rect(0, 0, 320, 480)), title_(std::move(title)), delegate_(delegate) {
    setBackgroundColor(kDimColor);
    panel_ = std::make_shared<View>();
    panel_->setBackgroundColor(panelColor(style_));
    addSubview(panel_);
    titleView_ = std::make_shared<TextView>();
    titleView_->setEditable(false);
    titleView_->setUserInteractionEnabled(false);
    titleView_->setFont(kTitleFont);
    titleView_->setTextColor(Color::gray(0.9f));
    titleView_->setTextAlignment(TextAlignment::Center);
    titleView_->setText(title_);
    panel_->addSubview(titleView_);

    if (!destructiveButtonTitle.empty()) {
        destructiveIndex_ = 0;
        titles_.push_back(destructiveButtonTitle);
    }
    for (const auto& t : otherButtonTitles) titles_.push_back(t);
    if (!cancelButtonTitle.empty()) {
        cancelIndex_ = numberOfButtons();
        titles_.push_back(cancelButtonTitle);
    }
    rebuildButtons();
}

ActionSheet::~ActionSheet() = default;

void ActionSheet::setTitle(std::string title) {
    title_ = std::move(title);
    titleView_->setText(title_);
    setNeedsLayout();
}

void ActionSheet::setActionSheetStyle(ActionSheetStyle style) {
    style_ = style;
    panel_->setBackgroundColor(panelColor(style));
}

int ActionSheet::addButtonWithTitle(const std::string& title) {
    titles_.push_back(title);
    rebuildButtons();
    return numberOfButtons() - 1;
}

std::string ActionSheet::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? titles_[static_cast<size_t>(index)]
                                                   : std::string();
}

int ActionSheet::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_ && i != destructiveIndex_) return i;
    return -1;
}

View* ActionSheet::buttonAtIndex(int index) const {
    return index >= 0 && index < static_cast<int>(buttons_.size())
               ? buttons_[static_cast<size_t>(index)].get()
               : nullptr;
}

Rect ActionSheet::panelFrame() const {
    return panel_->convertRectToView(panel_->bounds(), nullptr);
}

void ActionSheet::rebuildButtons() {
    for (auto& b : buttons_) b->removeFromSuperview();
    buttons_.clear();
    for (int i = 0; i < numberOfButtons(); ++i) {
        ModalButtonKind kind = i == cancelIndex_        ? ModalButtonKind::Cancel
                               : i == destructiveIndex_ ? ModalButtonKind::Destructive
                                                        : ModalButtonKind::Default;
        auto button =
            makeModalButton(titles_[static_cast<size_t>(i)], kind, [this, i] { buttonTapped(i); });
        panel_->addSubview(button);
        buttons_.push_back(std::move(button));
    }
    setNeedsLayout();
}

std::vector<int> ActionSheet::visualOrder() const {
    std::vector<int> order;
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_) order.push_back(i);
    if (cancelIndex_ >= 0) order.push_back(cancelIndex_);
    return order;
}

float ActionSheet::titleHeight() const {
    if (title_.empty()) return 0;
    FixedFontMetrics fixed;
    const FontMetrics& m = window() ? window()->metrics() : fixed;
    float width = bounds().width() - 2 * kSideMargin - 2 * TextView::kInset;
    auto lines = wrapText(m, kTitleFont, title_, width).size();
    return static_cast<float>(lines) * m.lineHeight(kTitleFont) + 2 * TextView::kInset;
}

float ActionSheet::panelHeight() const {
    float h = kPadding + titleHeight();
    int n = numberOfButtons();
    if (n > 0) h += n * kButtonHeight + (n - 1) * kButtonGap;
    if (cancelIndex_ >= 0 && n > 1) h += kCancelGap;
    return h + kPadding;
}

void ActionSheet::layoutSubviews() {
    Rect area = bounds();
    float h = panelHeight();
    float width = area.width() - 2 * kSideMargin;
    panel_->setBounds({0, 0, area.width(), h});
    // While sliding, the animation owns the panel's position.
    if (!panel_->hasRunningAnimations())
        panel_->setCenter(
            {area.midX(), state_ == State::Shown ? area.maxY() - h / 2 : area.maxY() + h / 2});

    float y = kPadding;
    float titleH = titleHeight();
    titleView_->setFrame({kSideMargin, y, width, titleH});
    y += titleH;
    for (int index : visualOrder()) {
        if (index == cancelIndex_ && numberOfButtons() > 1) y += kCancelGap;
        buttons_[static_cast<size_t>(index)]->setFrame({kSideMargin, y, width, kButtonHeight});
        y += kButtonHeight + kButtonGap;
    }
}

// --- Showing and dismissing ---

bool ActionSheet::showInView(View& view) {
    assert(zplatform::RunLoop::isMainThread());
    Window* window = view.window();
    if (!window || state_ != State::Idle) return false;
    state_ = State::Shown;
    window_ = window;
    setFrame(window->bounds());
    window->presentModal(shared_from_this());
    if (window->firstResponder()) window->firstResponder()->resignFirstResponder();
    Rect area = bounds();
    float h = panelHeight();
    setNeedsLayout();
    layoutIfNeeded();
    panel_->setCenter({area.midX(), area.maxY() + h / 2});
    setBackgroundColor(kDimColor.withAlpha(0));
    View::animate(kSlideSeconds, [this, area, h] {
        panel_->setCenter({area.midX(), area.maxY() - h / 2});
        setBackgroundColor(kDimColor);
    });
    return true;
}

void ActionSheet::buttonTapped(int index) {
    if (state_ != State::Shown) return; // a second tap while sliding away
    auto self = shared_from_this();
    beginDismissal(index, true);
    if (delegate_) delegate_->clickedButtonAtIndex(*this, index);
}

void ActionSheet::dismissWithClickedButtonIndex(int index, bool animated) {
    assert(zplatform::RunLoop::isMainThread());
    if (state_ != State::Shown) return;
    auto self = shared_from_this();
    beginDismissal(index, animated);
}

void ActionSheet::beginDismissal(int index, bool animated) {
    state_ = State::Leaving;
    if (!animated || !window()) {
        finishDismissal(index);
        return;
    }
    auto self = std::static_pointer_cast<ActionSheet>(shared_from_this());
    Rect area = bounds();
    float h = panel_->bounds().height();
    View::animate(
        kSlideSeconds,
        [this, area, h] {
            panel_->setCenter({area.midX(), area.maxY() + h / 2});
            setBackgroundColor(kDimColor.withAlpha(0));
        },
        [self, index](bool) { self->finishDismissal(index); });
}

void ActionSheet::finishDismissal(int index) {
    if (state_ != State::Leaving) return;
    auto self = shared_from_this();
    Window* window = window_;
    state_ = State::Idle;
    window_ = nullptr;
    if (window) window->dismissModal(this);
    setBackgroundColor(kDimColor);
    if (delegate_) delegate_->didDismissWithButtonIndex(*this, index);
}

} // namespace ui
