// AlertView: layout, presentation in the window's modal layer, queueing and answers.
#include "platform/ui/alert_view.h"

#include <algorithm>
#include <cassert>

#include "platform/run_loop.h"
#include "platform/ui/modal_button.h"
#include "platform/ui/text_view.h"
#include "platform/ui/text_wrap.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr float kPadding = 12;
constexpr float kButtonHeight = 43;
constexpr float kButtonGap = 8;
constexpr float kScreenMargin = 20;
const Font kTitleFont = Font::boldSystem(18);
const Font kMessageFont = Font::system(16);
const Color kBoxColor = Color::rgb255(22, 40, 86, 235);
const Color kDimColor = Color::black().withAlpha(0.4f);

std::shared_ptr<TextView> makeTextArea(const Font& font) {
    auto text = std::make_shared<TextView>();
    text->setEditable(false);
    text->setFont(font);
    text->setTextColor(Color::white());
    text->setTextAlignment(TextAlignment::Center);
    text->setUserInteractionEnabled(false);
    return text;
}

} // namespace

AlertView::AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
                     const std::string& cancelButtonTitle,
                     const std::vector<std::string>& otherButtonTitles)
    : View(Rect(0, 0, 320, 480)), title_(std::move(title)), message_(std::move(message)),
      delegate_(delegate) {
    setBackgroundColor(kDimColor);
    box_ = std::make_shared<View>();
    box_->setBackgroundColor(kBoxColor);
    addSubview(box_);
    titleView_ = makeTextArea(kTitleFont);
    titleView_->setText(title_);
    box_->addSubview(titleView_);
    messageView_ = makeTextArea(kMessageFont);
    messageView_->setText(message_);
    box_->addSubview(messageView_);
    if (!cancelButtonTitle.empty()) {
        titles_.push_back(cancelButtonTitle);
        cancelIndex_ = 0;
    }
    for (const auto& t : otherButtonTitles) titles_.push_back(t);
    rebuildButtons();
}

AlertView::~AlertView() = default;

void AlertView::setTitle(std::string title) {
    title_ = std::move(title);
    titleView_->setText(title_);
    setNeedsLayout();
}

void AlertView::setMessage(std::string message) {
    message_ = std::move(message);
    messageView_->setText(message_);
    setNeedsLayout();
}

int AlertView::addButtonWithTitle(const std::string& title) {
    titles_.push_back(title);
    rebuildButtons();
    return numberOfButtons() - 1;
}

std::string AlertView::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? titles_[static_cast<size_t>(index)]
                                                   : std::string();
}

int AlertView::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_) return i;
    return -1;
}

View* AlertView::buttonAtIndex(int index) const {
    return index >= 0 && index < static_cast<int>(buttons_.size())
               ? buttons_[static_cast<size_t>(index)].get()
               : nullptr;
}

Rect AlertView::boxFrame() const {
    return box_->convertRectToView(box_->bounds(), nullptr);
}

void AlertView::rebuildButtons() {
    for (auto& b : buttons_) b->removeFromSuperview();
    buttons_.clear();
    for (int i = 0; i < numberOfButtons(); ++i) {
        auto kind = i == cancelIndex_ ? ModalButtonKind::Cancel : ModalButtonKind::Default;
        auto button =
            makeModalButton(titles_[static_cast<size_t>(i)], kind, [this, i] { buttonTapped(i); });
        box_->addSubview(button);
        buttons_.push_back(std::move(button));
    }
    setNeedsLayout();
}

void AlertView::layoutSubviews() {
    Rect area = bounds();
    FixedFontMetrics fixed;
    const FontMetrics& m = window() ? window()->metrics() : fixed;
    float textWidth = kBoxWidth - 2 * kPadding;
    float wrapWidth = textWidth - 2 * TextView::kInset;
    auto textHeight = [&](const std::string& text, const Font& font) {
        if (text.empty()) return 0.0f;
        return static_cast<float>(wrapText(m, font, text, wrapWidth).size()) * m.lineHeight(font) +
               2 * TextView::kInset;
    };
    float titleH = textHeight(title_, kTitleFont);
    float messageH = textHeight(message_, kMessageFont);

    int n = numberOfButtons();
    bool sideBySide = n == 2;
    int rows = sideBySide ? 1 : n;
    float buttonsH = rows == 0 ? 0 : rows * kButtonHeight + (rows - 1) * kButtonGap;

    // A message taller than the screen allows scrolls inside its own area.
    float boxH = kPadding + titleH + messageH + kPadding + buttonsH + kPadding;
    float maxH = area.height() - 2 * kScreenMargin;
    if (boxH > maxH) {
        float excess = boxH - maxH;
        float cut = std::min(excess, messageH);
        messageH -= cut;
        titleH = std::max(0.0f, titleH - (excess - cut));
        boxH = kPadding + titleH + messageH + kPadding + buttonsH + kPadding;
    }

    Rect boxFrame(area.midX() - kBoxWidth / 2, area.midY() - boxH / 2, kBoxWidth, boxH);
    box_->setBounds({0, 0, kBoxWidth, boxH});
    box_->setCenter(boxFrame.center());
    float y = kPadding;
    titleView_->setFrame({kPadding, y, textWidth, titleH});
    y += titleH;
    messageView_->setFrame({kPadding, y, textWidth, messageH});
    messageView_->setUserInteractionEnabled(messageView_->contentHeight() > messageH + 0.5f);
    y += messageH + kPadding;

    // Visual order: side by side in index order; stacked with the cancel button last.
    std::vector<int> order;
    for (int i = 0; i < n; ++i)
        if (i != cancelIndex_ || sideBySide) order.push_back(i);
    if (!sideBySide && cancelIndex_ >= 0) order.push_back(cancelIndex_);
    float half = (textWidth - kButtonGap) / 2;
    for (size_t k = 0; k < order.size(); ++k) {
        View& b = *buttons_[static_cast<size_t>(order[k])];
        if (sideBySide)
            b.setFrame(
                {kPadding + static_cast<float>(k) * (half + kButtonGap), y, half, kButtonHeight});
        else
            b.setFrame({kPadding, y + static_cast<float>(k) * (kButtonHeight + kButtonGap),
                        textWidth, kButtonHeight});
    }
}

View* AlertView::hitTest(Point point, const Event* event) {
    if (state_ == State::Leaving) return pointInside(point, event) ? this : nullptr;
    return View::hitTest(point, event);
}

// --- Showing and queueing ---

AlertView* AlertView::lastAlertIn(Window& window) {
    const auto& modal = window.modalViews();
    for (auto it = modal.rbegin(); it != modal.rend(); ++it)
        if (auto* alert = dynamic_cast<AlertView*>(it->get())) return alert;
    return nullptr;
}

void AlertView::show(Window& window) {
    assert(zplatform::RunLoop::isMainThread());
    if (state_ != State::Idle) return;
    if (numberOfButtons() == 0) {
        // Nothing could ever close a box without buttons.
        titles_.push_back("OK");
        cancelIndex_ = 0;
        rebuildButtons();
    }
    auto self = std::static_pointer_cast<AlertView>(shared_from_this());
    if (AlertView* front = lastAlertIn(window)) {
        state_ = State::Queued;
        window_ = &window;
        front->waiting_.push_back(self);
        return;
    }
    present(window);
}

void AlertView::present(Window& window) {
    state_ = State::Shown;
    window_ = &window;
    setFrame(window.bounds());
    window.presentModal(shared_from_this());
    // Keyboard input pauses while the alert is up.
    if (window.firstResponder()) window.firstResponder()->resignFirstResponder();
    layoutIfNeeded();
    setAlpha(0);
    box_->setTransform(Transform::scale(1.2f, 1.2f));
    View::animate(kShowSeconds, [this] {
        setAlpha(1);
        box_->setTransform(Transform::identity());
    });
}

void AlertView::buttonTapped(int index) {
    if (state_ != State::Shown) return; // a second tap while leaving
    auto self = std::static_pointer_cast<AlertView>(shared_from_this());
    beginDismissal(index, true);
    if (delegate_) delegate_->clickedButtonAtIndex(*this, index);
}

void AlertView::dismissWithClickedButtonIndex(int index, bool animated) {
    assert(zplatform::RunLoop::isMainThread());
    auto self = std::static_pointer_cast<AlertView>(shared_from_this());
    if (state_ == State::Queued) {
        state_ = State::Idle; // skipped when its turn comes
        if (delegate_) delegate_->didDismissWithButtonIndex(*this, index);
        return;
    }
    if (state_ != State::Shown) return;
    beginDismissal(index, animated);
}

void AlertView::beginDismissal(int index, bool animated) {
    state_ = State::Leaving;
    if (!animated || !window()) {
        finishDismissal(index);
        return;
    }
    auto self = std::static_pointer_cast<AlertView>(shared_from_this());
    View::animate(
        kDismissSeconds, [this] { setAlpha(0); },
        [self, index](bool) { self->finishDismissal(index); });
}

void AlertView::finishDismissal(int index) {
    if (state_ != State::Leaving) return;
    auto self = std::static_pointer_cast<AlertView>(shared_from_this());
    Window* window = window_;
    state_ = State::Idle;
    window_ = nullptr;
    std::vector<std::shared_ptr<AlertView>> waiting = std::move(waiting_);
    waiting_.clear();
    if (window) window->dismissModal(this);
    setAlpha(1);

    // The next alert still waiting takes the screen and inherits the rest of the queue, before
    // the delegate runs: an alert the delegate shows then queues behind them.
    auto next = std::find_if(waiting.begin(), waiting.end(),
                             [](const auto& a) { return a->state_ == State::Queued; });
    if (next != waiting.end() && window) {
        std::shared_ptr<AlertView> shown = *next;
        shown->waiting_.assign(next + 1, waiting.end());
        shown->present(*window);
    }
    if (delegate_) delegate_->didDismissWithButtonIndex(*this, index);
}

} // namespace ui
