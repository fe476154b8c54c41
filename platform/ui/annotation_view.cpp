// Annotation views: image, default pin and user-location dot.
#include "platform/ui/annotation_view.h"

#include "platform/ui/canvas.h"

namespace ui {
namespace {
constexpr float kPinWidth = 20, kPinHeight = 32;
constexpr float kDotSize = 18;
} // namespace

AnnotationView::AnnotationView(std::shared_ptr<Annotation> annotation, std::string reuseIdentifier)
    : annotation_(std::move(annotation)), reuseIdentifier_(std::move(reuseIdentifier)) {}

std::shared_ptr<AnnotationView> AnnotationView::makePin(std::shared_ptr<Annotation> annotation) {
    auto view = std::make_shared<AnnotationView>(std::move(annotation), "Pin");
    view->style_ = Style::Pin;
    view->setBounds({0, 0, kPinWidth, kPinHeight});
    view->centerOffset_ = {0, -kPinHeight / 2}; // the needle's tip on the point
    return view;
}

std::shared_ptr<AnnotationView>
AnnotationView::makeUserLocation(std::shared_ptr<Annotation> location) {
    auto view = std::make_shared<AnnotationView>(std::move(location), "UserLocation");
    view->style_ = Style::UserLocation;
    view->setBounds({0, 0, kDotSize, kDotSize});
    return view;
}

void AnnotationView::setImage(Image image) {
    image_ = std::move(image);
    if (image_) {
        Size s = image_.size();
        setBounds({0, 0, s.width, s.height});
    }
    setNeedsDisplay();
}

void AnnotationView::setCenterOffset(Point offset) {
    Point c = center();
    setCenter(c - centerOffset_ + offset);
    centerOffset_ = offset;
}

void AnnotationView::setSelected(bool selected, bool animated) {
    (void)animated;
    if (selected_ == selected) return;
    selected_ = selected;
    setNeedsDisplay();
}

void AnnotationView::draw(Canvas& canvas) const {
    Rect b = bounds();
    switch (style_) {
    case Style::Image:
        if (image_) canvas.drawImage(image_, {}, {b.minX(), b.minY(), b.width(), b.height()});
        break;
    case Style::Pin: {
        Color head = selected_ ? Color::rgb255(255, 120, 90) : Color::rgb255(214, 40, 40);
        float r = b.width() / 2 - 2;
        Point top{b.midX(), b.minY() + r + 1};
        canvas.drawLine(top, {b.midX(), b.maxY()}, Color::gray(0.25f), 2);
        canvas.fillEllipse({top.x - r, top.y - r, 2 * r, 2 * r}, head);
        canvas.fillEllipse({top.x - r / 2.5f, top.y - r / 1.6f, r / 1.6f, r / 1.6f},
                           Color::white().withAlpha(0.6f));
        break;
    }
    case Style::UserLocation:
        canvas.fillEllipse(b, Color::white());
        canvas.fillEllipse(b.insetBy(3, 3), Color::rgb255(30, 110, 240));
        break;
    }
}

} // namespace ui
