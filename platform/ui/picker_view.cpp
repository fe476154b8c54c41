// PickerView: the wheel (a scroll view that comes to rest on rows), its row views, the shading
// and the selection band.
#include "platform/ui/picker_view.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/scroll_view.h"

namespace ui {

namespace {

constexpr float kTitleInset = 12;
const Color kFrameColor = Color::rgb255(40, 42, 50);

// A row shown by its title.
class PickerTitleView final : public View {
  public:
    explicit PickerTitleView(std::string title) : title_(std::move(title)) {}
    std::string_view className() const override { return "PickerTitleView"; }
    std::string displayedText() const override { return title_; }
    void draw(Canvas& canvas) const override {
        Font font = Font::boldSystem(20);
        Rect b = bounds();
        float y = b.minY() + (b.height() - canvas.metrics().lineHeight(font)) / 2;
        canvas.drawText(title_, font, Color::black(), {b.minX() + kTitleInset, y});
    }

  private:
    std::string title_;
};

// Shading of the wheel's ends and the selection band, over the rows.
class PickerOverlay final : public View {
  public:
    explicit PickerOverlay(const PickerView& picker) : picker_(picker) {
        setUserInteractionEnabled(false);
    }
    std::string_view className() const override { return "PickerOverlay"; }
    void draw(Canvas& canvas) const override {
        Rect b = bounds();
        float m = PickerView::kSideMargin;
        // The wheel turns away from the viewer at both ends.
        const int steps = 8;
        float band = b.height() / 4 / steps;
        for (int i = 0; i < steps; ++i) {
            Color shade = Color::gray(0, 0.45f * float(steps - i) / steps);
            canvas.fillRect({m, b.minY() + i * band, b.width() - 2 * m, band}, shade);
            canvas.fillRect({m, b.maxY() - (i + 1) * band, b.width() - 2 * m, band}, shade);
        }
        if (picker_.showsSelectionIndicator()) {
            float h = picker_.rowHeight();
            Rect sel{m - 4, b.midY() - h / 2, b.width() - 2 * m + 8, h};
            canvas.fillRect(sel, Color::rgb255(150, 160, 210, 90));
            canvas.strokeRect(sel, Color::rgb255(120, 125, 150), 1);
        }
    }

  private:
    const PickerView& picker_;
};

} // namespace

// The scroll view of the rows: rests on whole rows, reports taps and rests to the picker.
class PickerView::Wheel final : public ScrollView, public ScrollViewDelegate {
  public:
    explicit Wheel(PickerView& picker) : picker_(&picker) {
        setDelegate(this);
        setShowsHorizontalScrollIndicator(false);
        setShowsVerticalScrollIndicator(false);
        setAlwaysBounceVertical(true);
        setDelaysContentTouches(false);
        setBackgroundColor(Color::white());
    }
    std::string_view className() const override { return "PickerWheel"; }
    void detach() { picker_ = nullptr; }

  protected:
    Point targetContentOffset(Point proposed, Point velocity) const override {
        (void)velocity;
        if (picker_) proposed.y = picker_->offsetForRow(picker_->rowAtOffset(proposed.y));
        return proposed;
    }
    void contentAreaChanged() override {
        if (picker_) picker_->tileRows();
    }
    void contentTouchesEnded(Touch& touch, const Event& event) override {
        (void)event;
        if (picker_) picker_->wheelTapped(touch.locationInView(this).y);
    }

  private:
    void scrollViewWillBeginDragging(ScrollView& scrollView) override {
        (void)scrollView;
        if (picker_) picker_->userMoved_ = true;
    }
    void scrollViewDidEndDragging(ScrollView& scrollView, bool willDecelerate) override {
        (void)scrollView;
        if (!willDecelerate && picker_) picker_->wheelSettled();
    }
    void scrollViewDidEndDecelerating(ScrollView& scrollView) override {
        (void)scrollView;
        if (picker_) picker_->wheelSettled();
    }
    void scrollViewDidEndScrollingAnimation(ScrollView& scrollView) override {
        (void)scrollView;
        if (picker_) picker_->wheelSettled();
    }

    PickerView* picker_;
};

PickerView::PickerView(const Rect& frame) : View(frame) {
    assert(zplatform::RunLoop::isMainThread());
    setBackgroundColor(kFrameColor);
    wheel_ = std::make_shared<Wheel>(*this);
    overlay_ = std::make_shared<PickerOverlay>(*this);
    addSubview(wheel_);
    addSubview(overlay_);
    layoutWheel();
}

PickerView::~PickerView() {
    wheel_->detach();
}

void PickerView::setDataSource(PickerViewDataSource* dataSource) {
    dataSource_ = dataSource;
    reloadAllComponents();
}

void PickerView::setDelegate(PickerViewDelegate* delegate) {
    delegate_ = delegate;
    reloadAllComponents();
}

void PickerView::setShowsSelectionIndicator(bool shows) {
    showsSelectionIndicator_ = shows;
    overlay_->setNeedsDisplay();
}

void PickerView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    layoutWheel();
}

void PickerView::reloadAllComponents() {
    rows_ = dataSource_ && dataSource_->numberOfComponents(*this) > 0
                ? std::max(0, dataSource_->numberOfRows(*this, 0))
                : 0;
    std::optional<float> height;
    if (delegate_) height = delegate_->rowHeightForComponent(*this, 0);
    rowHeight_ = height && *height > 0 ? *height : kDefaultRowHeight;
    selected_ = std::clamp(selected_, 0, std::max(0, rows_ - 1));
    for (auto& [row, view] : rowViews_) view->removeFromSuperview();
    rowViews_.clear();
    layoutWheel();
}

void PickerView::layoutWheel() {
    Rect b = bounds();
    wheel_->setFrame({kSideMargin, 0, std::max(0.0f, b.width() - 2 * kSideMargin), b.height()});
    overlay_->setFrame({0, 0, b.width(), b.height()});
    float inset = (b.height() - rowHeight_) / 2;
    wheel_->setContentInset({inset, 0, inset, 0});
    wheel_->setContentSize({wheel_->bounds().width(), rows_ * rowHeight_});
    if (!isSpinning()) wheel_->setContentOffset({0, offsetForRow(selected_)});
    tileRows();
}

float PickerView::offsetForRow(int row) const {
    return row * rowHeight_ - wheel_->contentInset().top;
}

int PickerView::rowAtOffset(float offsetY) const {
    if (rows_ <= 0) return 0;
    int row = int(std::lround((offsetY + wheel_->contentInset().top) / rowHeight_));
    return std::clamp(row, 0, rows_ - 1);
}

int PickerView::rowUnderIndicator() const {
    return rows_ > 0 ? rowAtOffset(wheel_->contentOffset().y) : -1;
}

bool PickerView::isSpinning() const {
    return wheel_->isDragging() || wheel_->isDecelerating() || wheel_->isScrollAnimating();
}

View* PickerView::viewForRow(int row) const {
    auto it = rowViews_.find(row);
    if (it == rowViews_.end() || it->second->subviews().empty()) return nullptr;
    return it->second->subviews().front().get();
}

void PickerView::selectRow(int row, bool animated) {
    if (rows_ <= 0) return;
    selected_ = std::clamp(row, 0, rows_ - 1);
    userMoved_ = false;
    wheel_->setContentOffset({0, offsetForRow(selected_)}, animated);
}

void PickerView::tileRows() {
    if (!wheel_) return;
    Rect visible = wheel_->bounds();
    int first = 0, last = -1;
    if (rows_ > 0 && rowHeight_ > 0) {
        first = std::max(0, int(std::floor(visible.minY() / rowHeight_)));
        last = std::min(rows_ - 1, int(std::ceil(visible.maxY() / rowHeight_)) - 1);
    }
    for (auto it = rowViews_.begin(); it != rowViews_.end();) {
        if (it->first < first || it->first > last) {
            it->second->removeFromSuperview();
            it = rowViews_.erase(it);
        } else {
            ++it;
        }
    }
    float width = visible.width();
    for (int row = first; row <= last; ++row) {
        if (rowViews_.count(row)) continue;
        auto holder = std::make_shared<View>(Rect{0, row * rowHeight_, width, rowHeight_});
        std::shared_ptr<View> content;
        if (delegate_) content = delegate_->viewForRow(*this, row, 0);
        if (content) {
            Rect f = content->frame();
            float w = f.width() > 0 ? f.width() : width;
            float h = f.height() > 0 ? std::min(f.height(), rowHeight_) : rowHeight_;
            content->setFrame({f.x(), (rowHeight_ - h) / 2, w, h});
        } else {
            std::string title = delegate_ ? delegate_->titleForRow(*this, row, 0) : std::string();
            content = std::make_shared<PickerTitleView>(std::move(title));
            content->setFrame({0, 0, width, rowHeight_});
        }
        holder->addSubview(std::move(content));
        wheel_->insertSubview(holder, 0);
        rowViews_.emplace(row, std::move(holder));
    }
}

void PickerView::wheelTapped(float contentY) {
    if (rows_ <= 0 || rowHeight_ <= 0) return;
    int row = int(std::floor(contentY / rowHeight_));
    if (row < 0 || row >= rows_ || row == rowUnderIndicator()) return;
    userMoved_ = true;
    wheel_->setContentOffset({0, offsetForRow(row)}, true);
}

void PickerView::wheelSettled() {
    if (rows_ <= 0) return;
    bool user = userMoved_;
    userMoved_ = false;
    int row = rowAtOffset(wheel_->contentOffset().y);
    if (row == selected_) return;
    selected_ = row;
    if (user && delegate_) delegate_->didSelectRow(*this, row, 0);
}

} // namespace ui
