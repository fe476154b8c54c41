// Toolbar: bar-button items laid out in a row and drawn with the canvas.
#include "platform/ui/toolbar.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/control.h"
#include "platform/ui/font.h"

namespace ui {

namespace {

const char* systemTitle(BarButtonSystemItem item) {
    switch (item) {
    case BarButtonSystemItem::Done:
        return "Done";
    case BarButtonSystemItem::Cancel:
        return "Cancel";
    case BarButtonSystemItem::Edit:
        return "Edit";
    case BarButtonSystemItem::Save:
        return "Save";
    case BarButtonSystemItem::Add:
        return "+";
    case BarButtonSystemItem::FlexibleSpace:
    case BarButtonSystemItem::FixedSpace:
        break;
    }
    return "";
}

Color darker(const Color& c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor, c.a};
}

} // namespace

// --- Items ---

std::shared_ptr<BarButtonItem> BarButtonItem::systemItem(BarButtonSystemItem item, Action action) {
    std::shared_ptr<BarButtonItem> b(new BarButtonItem());
    b->system_ = item;
    b->title_ = systemTitle(item);
    b->style_ =
        item == BarButtonSystemItem::Done ? BarButtonItemStyle::Done : BarButtonItemStyle::Bordered;
    b->action_ = std::move(action);
    return b;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withTitle(std::string title, BarButtonItemStyle style,
                                                        Action action) {
    std::shared_ptr<BarButtonItem> b(new BarButtonItem());
    b->title_ = std::move(title);
    b->style_ = style;
    b->action_ = std::move(action);
    return b;
}

std::shared_ptr<BarButtonItem> BarButtonItem::flexibleSpace() {
    return systemItem(BarButtonSystemItem::FlexibleSpace);
}

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(float width) {
    auto b = systemItem(BarButtonSystemItem::FixedSpace);
    b->width_ = width;
    return b;
}

bool BarButtonItem::isSpace() const {
    return system_ == BarButtonSystemItem::FlexibleSpace ||
           system_ == BarButtonSystemItem::FixedSpace;
}

void BarButtonItem::trigger() {
    if (!enabled_ || !action_) return;
    auto action = action_; // the action may replace itself
    action(*this);
}

// --- The control showing one item ---

class Toolbar::ItemView : public Control {
  public:
    ItemView(Toolbar& bar, const std::shared_ptr<BarButtonItem>& item) : bar_(bar), item_(item) {
        std::weak_ptr<BarButtonItem> weak = item;
        addTarget(
            [weak](Control&) {
                if (auto it = weak.lock()) it->trigger();
            },
            ControlEvent::TouchUpInside);
        refresh();
    }

    void refresh() {
        setEnabled(item_->isEnabled());
        // A plain title without action is a caption: touches pass through to the bar.
        setUserInteractionEnabled(item_->hasAction() ||
                                  item_->style() != BarButtonItemStyle::Plain);
        setNeedsDisplay();
    }

    const BarButtonItem& item() const { return *item_; }

    static Font font(const BarButtonItem& item, float barHeight) {
        if (item.style() == BarButtonItemStyle::Plain && barHeight >= 40)
            return Font::boldSystem(item.systemItemKind() ? 13 : 17);
        return Font::boldSystem(item.systemItemKind() == BarButtonSystemItem::Add ? 18 : 12);
    }

    void draw(Canvas& canvas) const override {
        Rect b = bounds();
        const bool bordered = item_->style() != BarButtonItemStyle::Plain;
        if (bordered) {
            Color fill = bar_.buttonColor(*item_);
            if (isHighlighted()) fill = darker(fill, 0.6f);
            canvas.fillRect(b, fill);
            canvas.strokeRect(b, Color::black().withAlpha(0.45f), 1);
        }
        Color text = Color::white();
        if (!isEnabled()) text = text.withAlpha(0.4f);
        const Font f = font(*item_, bar_.bounds().height());
        const FontMetrics& m = canvas.metrics();
        float w = m.width(f, item_->title());
        float h = m.lineHeight(f);
        canvas.save();
        canvas.clipTo(b);
        canvas.drawText(item_->title(), f, text, {b.midX() - w / 2, b.midY() - h / 2});
        canvas.restore();
    }

    std::string displayedText() const override { return item_->title(); }
    std::string_view className() const override { return "BarButtonItemView"; }

  protected:
    void stateDidChange() override { setNeedsDisplay(); }

  private:
    Toolbar& bar_;
    std::shared_ptr<BarButtonItem> item_;
};

// --- The bar ---

Toolbar::Toolbar(const Rect& frame) : View(frame) {}

Toolbar::~Toolbar() = default;

void Toolbar::setBarStyle(BarStyle style) {
    style_ = style;
    setNeedsDisplay();
    for (auto& v : itemViews_)
        if (v) v->setNeedsDisplay();
}

void Toolbar::setTintColor(std::optional<Color> tint) {
    tint_ = tint;
    setBarStyle(style_);
}

Color Toolbar::barColor() const {
    if (tint_) return *tint_;
    switch (style_) {
    case BarStyle::Black:
        return Color::black();
    case BarStyle::BlackTranslucent:
        return Color::black().withAlpha(0.7f);
    case BarStyle::Default:
        break;
    }
    return Color::rgb255(109, 132, 162);
}

Color Toolbar::buttonColor(const BarButtonItem& item) const {
    if (item.style() == BarButtonItemStyle::Done && !tint_) return Color::rgb255(36, 96, 214);
    if (tint_) return darker(*tint_, 0.75f);
    if (style_ == BarStyle::Default) return Color::rgb255(80, 104, 138);
    return Color::gray(0.22f, barColor().a);
}

// By value: callers may hand back the bar's own list (items()), which is cleared here.
void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
    for (auto& v : itemViews_)
        if (v) v->removeFromSuperview();
    itemViews_.clear();
    items_.clear();
    for (auto& item : items) {
        if (!item) continue;
        std::shared_ptr<ItemView> view;
        if (!item->isSpace()) {
            view = std::make_shared<ItemView>(*this, item);
            addSubview(view);
        }
        items_.push_back(std::move(item));
        itemViews_.push_back(view);
    }
    layoutSubviews();
    setNeedsDisplay();
}

void Toolbar::setFrame(const Rect& frame) {
    Size old = bounds().size;
    View::setFrame(frame);
    if (bounds().size != old) layoutSubviews();
}

View* Toolbar::viewForItem(const BarButtonItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return itemViews_[i].get();
    return nullptr;
}

float Toolbar::naturalWidth(const BarButtonItem& item) const {
    if (item.isFlexibleSpace()) return 0;
    if (item.width() > 0 || item.isSpace()) return std::max(0.0f, item.width());
    float text = fontMetrics().width(ItemView::font(item, bounds().height()), item.title());
    if (item.style() == BarButtonItemStyle::Plain) return text;
    return std::max(text + 2 * kTitlePadding, 30.0f);
}

void Toolbar::layoutSubviews() {
    const Rect b = bounds();
    std::vector<float> widths;
    float used = 0;
    int flexible = 0;
    for (auto& item : items_) {
        widths.push_back(naturalWidth(*item));
        used += widths.back();
        if (item->isFlexibleSpace()) ++flexible;
    }
    if (!items_.empty()) used += kItemGap * static_cast<float>(items_.size() - 1);
    float spare = std::max(0.0f, b.width() - 2 * kEdgeMargin - used);
    float x = b.minX() + kEdgeMargin;
    const float buttonHeight = std::min(kButtonHeight, std::max(0.0f, b.height() - 6));
    for (size_t i = 0; i < items_.size(); ++i) {
        float w = widths[i];
        if (items_[i]->isFlexibleSpace()) w = spare / static_cast<float>(flexible);
        if (auto& v = itemViews_[i]) {
            float h = items_[i]->style() == BarButtonItemStyle::Plain ? b.height() : buttonHeight;
            v->setFrame({x, b.minY() + (b.height() - h) / 2, w, h});
            v->refresh();
        }
        x += w + kItemGap;
    }
}

void Toolbar::draw(Canvas& canvas) const {
    Rect b = bounds();
    Color bar = barColor();
    canvas.fillRect(b, bar);
    // A lighter upper half and a dark top line give the bar its relief.
    canvas.fillRect({b.minX(), b.minY(), b.width(), b.height() / 2},
                    Color::white().withAlpha(0.08f));
    canvas.fillRect({b.minX(), b.minY(), b.width(), 1}, Color::black().withAlpha(0.6f));
}

} // namespace ui
