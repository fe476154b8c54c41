// ModalButton: drawing per kind and state.
#include "platform/ui/modal_button.h"

#include "platform/ui/canvas.h"

namespace ui {

namespace {
const Font kTitleFont = Font::boldSystem(17);
}

ModalButton::ModalButton(std::string title, ModalButtonKind kind, std::function<void()> onTap)
    : title_(std::move(title)), kind_(kind) {
    addTarget(
        [tap = std::move(onTap)](Control&) {
            if (tap) tap();
        },
        ControlEvent::TouchUpInside);
}

void ModalButton::draw(Canvas& canvas) const {
    Rect b = bounds();
    Color fill, text = Color::white();
    switch (kind_) {
    case ModalButtonKind::Default:
        fill = Color::gray(0.96f);
        text = Color::gray(0.1f);
        break;
    case ModalButtonKind::Cancel:
        fill = Color::gray(0.22f, 0.95f);
        break;
    case ModalButtonKind::Destructive:
        fill = Color::rgb255(200, 30, 30);
        break;
    }
    if (isHighlighted()) {
        fill = Color::rgb255(40, 90, 220);
        text = Color::white();
    }
    if (!isEnabled()) text = text.withAlpha(0.4f);
    canvas.fillRect(b, fill);
    canvas.strokeRect(b, Color::gray(0.0f, 0.35f), 1);
    const FontMetrics& m = canvas.metrics();
    float w = m.width(kTitleFont, title_);
    float h = m.lineHeight(kTitleFont);
    canvas.save();
    canvas.clipTo(b.insetBy(4, 0));
    canvas.drawText(title_, kTitleFont, text, {b.midX() - w / 2, b.midY() - h / 2});
    canvas.restore();
}

} // namespace ui
