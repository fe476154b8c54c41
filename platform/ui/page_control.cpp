// PageControl: dot layout and drawing, tap to the previous or next page.
#include "platform/ui/page_control.h"

#include <algorithm>

#include "platform/ui/canvas.h"

namespace ui {

PageControl::PageControl(const Rect& frame) : Control(frame) {}

void PageControl::setNumberOfPages(int pages) {
    pages_ = std::max(0, pages);
    setCurrentPage(current_);
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int page) {
    int clamped = std::clamp(page, 0, std::max(0, pages_ - 1));
    if (clamped == current_) return;
    current_ = clamped;
    setNeedsDisplay();
}

void PageControl::setHidesForSinglePage(bool hides) {
    hidesForSinglePage_ = hides;
    setNeedsDisplay();
}

Size PageControl::sizeForNumberOfPages(int pages) {
    if (pages <= 0) return {0, 0};
    return {pages * kDotDiameter + (pages - 1) * kDotGap, kDotDiameter};
}

Rect PageControl::dotRect(int page) const {
    Rect b = bounds();
    Size all = sizeForNumberOfPages(pages_);
    float x = b.midX() - all.width / 2 + page * (kDotDiameter + kDotGap);
    return {x, b.midY() - kDotDiameter / 2, kDotDiameter, kDotDiameter};
}

void PageControl::draw(Canvas& canvas) const {
    if (pages_ == 0 || (pages_ == 1 && hidesForSinglePage_)) return;
    for (int page = 0; page < pages_; ++page)
        canvas.fillEllipse(dotRect(page),
                           page == current_ ? Color::white() : Color::white().withAlpha(0.3f));
}

void PageControl::endTracking(const Touch& touch) {
    if (!isTouchInside() || pages_ == 0) return;
    int target = touch.locationInView(this).x < bounds().midX() ? current_ - 1 : current_ + 1;
    if (target < 0 || target >= pages_) return;
    current_ = target;
    setNeedsDisplay();
    sendActionsForControlEvents(ControlEvent::ValueChanged);
}

} // namespace ui
