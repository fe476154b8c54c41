// TableViewCell: layout of the standard content, selection backgrounds with their fade, the
// separator, the accessory and the rounded group background.
#include "platform/ui/table_view_cell.h"

#include <algorithm>

#include "platform/ui/canvas.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr float kMargin = 10;
constexpr float kSeparatorHeight = 1;
const Color kBorder = Color::gray(0.67f);

// A rectangle whose top and/or bottom corners are rounded (circles at the corners).
void fillRounded(Canvas& canvas, const Rect& r, float radius, bool top, bool bottom,
                 const Color& color) {
    radius = std::min({radius, r.width() / 2, r.height() / 2});
    float y0 = top ? r.minY() + radius : r.minY();
    float y1 = bottom ? r.maxY() - radius : r.maxY();
    if (y1 > y0) canvas.fillRect({r.minX(), y0, r.width(), y1 - y0}, color);
    float d = 2 * radius;
    if (top) {
        canvas.fillRect({r.minX() + radius, r.minY(), r.width() - d, radius}, color);
        canvas.fillEllipse({r.minX(), r.minY(), d, d}, color);
        canvas.fillEllipse({r.maxX() - d, r.minY(), d, d}, color);
    }
    if (bottom) {
        canvas.fillRect({r.minX() + radius, r.maxY() - radius, r.width() - d, radius}, color);
        canvas.fillEllipse({r.minX(), r.maxY() - d, d, d}, color);
        canvas.fillEllipse({r.maxX() - d, r.maxY() - d, d, d}, color);
    }
}

} // namespace

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, 44}), style_(style), reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(std::make_shared<View>(Rect{0, 0, 320, 44})) {
    setBackgroundColor(Color::white());
    addSubview(contentView_);
}

TableViewCell::~TableViewCell() = default;

Label& TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = std::make_shared<Label>();
        bool plain = style_ == TableViewCellStyle::Default;
        textLabel_->setFont(Font::boldSystem(plain                                  ? 20
                                             : style_ == TableViewCellStyle::Value1 ? 17
                                                                                    : 18));
        textLabel_->setTextColor(Color::black());
        textLabel_->setHighlightedTextColor(Color::white());
        textLabel_->setHighlighted(showsSelectionBackground());
        contentView_->addSubview(textLabel_);
        setNeedsLayout();
        layoutSubviews();
    }
    return *textLabel_;
}

Label& TableViewCell::detailTextLabel() {
    if (!detailTextLabel_) {
        detailTextLabel_ = std::make_shared<Label>();
        if (style_ == TableViewCellStyle::Value1) {
            detailTextLabel_->setFont(Font::system(17));
            detailTextLabel_->setTextColor(Color::rgb255(56, 84, 135));
            detailTextLabel_->setTextAlignment(TextAlignment::Right);
        } else {
            detailTextLabel_->setFont(Font::system(14));
            detailTextLabel_->setTextColor(Color::gray(0.5f));
        }
        detailTextLabel_->setHighlightedTextColor(Color::white());
        detailTextLabel_->setHighlighted(showsSelectionBackground());
        contentView_->addSubview(detailTextLabel_);
        layoutSubviews();
    }
    return *detailTextLabel_;
}

ImageView& TableViewCell::imageView() {
    if (!imageView_) {
        imageView_ = std::make_shared<ImageView>();
        contentView_->addSubview(imageView_);
        layoutSubviews();
    }
    return *imageView_;
}

void TableViewCell::setAccessoryType(TableViewCellAccessory accessory) {
    accessory_ = accessory;
    layoutSubviews();
    setNeedsDisplay();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> view) {
    if (backgroundView_) backgroundView_->removeFromSuperview();
    backgroundView_ = std::move(view);
    if (backgroundView_) {
        insertSubview(backgroundView_, 0);
        backgroundView_->setFrame(backgroundArea());
    }
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> view) {
    bool shown = showsSelectionBackground();
    if (selectedBackground_) selectedBackground_->removeFromSuperview();
    selectedBackground_ = std::move(view);
    customSelectedBackground_ = selectedBackground_ != nullptr;
    if (shown) showSelectionBackground(true, false);
}

std::shared_ptr<View> TableViewCell::defaultSelectedBackground() const {
    auto view = std::make_shared<View>();
    view->setUserInteractionEnabled(false);
    view->setBackgroundColor(selectionStyle_ == TableViewCellSelectionStyle::Gray
                                 ? Color::gray(0.73f)
                                 : Color::rgb255(5, 140, 245));
    return view;
}

bool TableViewCell::showsSelectionBackground() const {
    return selectedBackground_ && selectedBackground_->superview() == this;
}

void TableViewCell::setSelected(bool selected, bool animated) {
    selected_ = selected;
    showSelectionBackground(selected_ || highlighted_, animated);
}

void TableViewCell::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    showSelectionBackground(selected_ || highlighted_, false);
}

void TableViewCell::showSelectionBackground(bool shown, bool animated) {
    // The standard labels read white on the selection band.
    bool band = shown && selectionStyle_ != TableViewCellSelectionStyle::None;
    for (auto* label : {textLabel_.get(), detailTextLabel_.get()})
        if (label) label->setHighlighted(band);
    if (shown) {
        if (selectionStyle_ == TableViewCellSelectionStyle::None) return;
        // The default band follows the current selection style; a fading one is reused.
        if (!customSelectedBackground_ && !showsSelectionBackground())
            selectedBackground_ = defaultSelectedBackground();
        ++fadeGeneration_;
        selectedBackground_->removeAllAnimations();
        selectedBackground_->setAlpha(1);
        if (selectedBackground_->superview() != this)
            insertSubviewBelow(selectedBackground_, contentView_.get());
        selectedBackground_->setFrame(backgroundArea());
        return;
    }
    if (!showsSelectionBackground()) return;
    int generation = ++fadeGeneration_;
    auto background = selectedBackground_;
    if (!animated || !window()) {
        background->removeAllAnimations();
        background->removeFromSuperview();
        background->setAlpha(1);
        return;
    }
    std::weak_ptr<View> weakSelf = weak_from_this();
    View::animate(
        kDeselectFadeDuration, [&] { background->setAlpha(0); },
        [weakSelf, background, generation](bool) {
            auto self = std::static_pointer_cast<TableViewCell>(weakSelf.lock());
            if (!self || self->fadeGeneration_ != generation) return;
            background->removeFromSuperview();
            background->setAlpha(1);
        });
}

void TableViewCell::prepareForReuse() {
    selected_ = false;
    highlighted_ = false;
    showSelectionBackground(false, false);
}

void TableViewCell::setSeparator(bool shown, const Color& color) {
    if (shown == separator_ && color == separatorColor_) return;
    separator_ = shown;
    separatorColor_ = color;
    layoutSubviews();
    setNeedsDisplay();
}

void TableViewCell::setGroupPosition(TableViewCellGroupPosition position) {
    groupPosition_ = position;
    // The group's rounded background takes the cell's colour; the square fill would show
    // through the corners.
    if (position != TableViewCellGroupPosition::None && !backgroundColor().isClear()) {
        groupFill_ = backgroundColor();
        setBackgroundColor(Color::clear());
    }
    layoutSubviews();
    setNeedsDisplay();
}

void TableViewCell::setFrame(const Rect& frame) {
    Size old = bounds().size;
    View::setFrame(frame);
    if (bounds().size != old) layoutSubviews();
}

Rect TableViewCell::backgroundArea() const {
    Rect b = bounds();
    bool lastInGroup = groupPosition_ == TableViewCellGroupPosition::Bottom ||
                       groupPosition_ == TableViewCellGroupPosition::Single;
    float separator = separator_ && !lastInGroup ? kSeparatorHeight : 0;
    return {0, 0, b.width(), std::max(0.0f, b.height() - separator)};
}

void TableViewCell::layoutSubviews() {
    Rect area = backgroundArea();
    if (backgroundView_) backgroundView_->setFrame(area);
    if (showsSelectionBackground()) selectedBackground_->setFrame(area);
    Rect content = area;
    if (accessory_ != TableViewCellAccessory::None)
        content.size.width = std::max(0.0f, content.width() - kAccessoryWidth);
    contentView_->setFrame(content);

    float x = kMargin, w = content.width(), h = content.height();
    if (imageView_) {
        Size s = imageView_->image().size();
        float side = std::min(s.height, h);
        float width = s.height > 0 ? s.width * side / s.height : 0;
        imageView_->setFrame({kMargin, (h - side) / 2, width, side});
        if (width > 0) x = kMargin + width + kMargin;
    }
    float labelWidth = std::max(0.0f, w - x - kMargin);
    switch (style_) {
    case TableViewCellStyle::Default:
        if (textLabel_) textLabel_->setFrame({x, 0, labelWidth, h});
        if (detailTextLabel_) detailTextLabel_->setFrame({x, h, labelWidth, 0});
        break;
    case TableViewCellStyle::Subtitle:
        if (textLabel_) textLabel_->setFrame({x, 2, labelWidth, h * 0.55f - 2});
        if (detailTextLabel_) detailTextLabel_->setFrame({x, h * 0.55f, labelWidth, h * 0.4f});
        break;
    case TableViewCellStyle::Value1:
        if (textLabel_) textLabel_->setFrame({x, 0, labelWidth / 2, h});
        if (detailTextLabel_)
            detailTextLabel_->setFrame({x + labelWidth / 2, 0, labelWidth / 2, h});
        break;
    }
}

void TableViewCell::draw(Canvas& canvas) const {
    Rect b = bounds();
    using P = TableViewCellGroupPosition;
    if (groupPosition_ != P::None && !groupFill_.isClear()) {
        bool top = groupPosition_ == P::Top || groupPosition_ == P::Single;
        bool bottom = groupPosition_ == P::Bottom || groupPosition_ == P::Single;
        // Border: the outline drawn one point larger, then the fill inside it.
        fillRounded(canvas, b, kGroupCornerRadius, top, bottom, kBorder);
        Rect inner{b.minX() + 1, b.minY() + (top ? 1 : 0), b.width() - 2,
                   b.height() - (top ? 1 : 0) - (bottom ? 1 : 0)};
        fillRounded(canvas, inner, kGroupCornerRadius - 1, top, bottom, groupFill_);
    }
    Rect area = backgroundArea();
    if (area.height() < b.height())
        canvas.fillRect({b.minX(), area.maxY(), b.width(), b.height() - area.height()},
                        separatorColor_);
    if (accessory_ == TableViewCellAccessory::DisclosureIndicator) {
        float cx = b.maxX() - kAccessoryWidth / 2, cy = area.midY();
        Color grey = Color::gray(0.5f);
        canvas.drawLine({cx - 3, cy - 5}, {cx + 2, cy}, grey, 2.5f);
        canvas.drawLine({cx + 2, cy}, {cx - 3, cy + 5}, grey, 2.5f);
    } else if (accessory_ == TableViewCellAccessory::Checkmark) {
        float cx = b.maxX() - kAccessoryWidth / 2, cy = area.midY();
        Color blue = Color::rgb255(56, 84, 135);
        canvas.drawLine({cx - 6, cy}, {cx - 2, cy + 4}, blue, 2.5f);
        canvas.drawLine({cx - 2, cy + 4}, {cx + 6, cy - 6}, blue, 2.5f);
    }
}

} // namespace ui
