#include "app/community/tour_tracker/tour_annotations.h"

#include "app/community/tour_tracker/tour_tracker_texts.h"
#include "app/community/tour_tracker/tour_tracker_view.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/map_view.h"

namespace zephrun {

using namespace tourtracker;

ConcertsMapAnnotation::ConcertsMapAnnotation(std::shared_ptr<const ConcertsDescription> concert,
                                             int typeConcerts, bool isNextConcert)
    : record_(std::move(concert), typeConcerts), isNextConcert_(isNextConcert) {}

ui::LocationCoordinate ConcertsMapAnnotation::coordinate() const {
    return {record_.coordinate().latitude, record_.coordinate().longitude};
}

std::string ConcertsMapAnnotation::title() const {
    return concert().cTitle;
}

MembresMapAnnotation::MembresMapAnnotation(const std::shared_ptr<const MembresDescription>& membre)
    : record_(membre, membre ? membre->tLongitude : 0, membre ? membre->tLatitude : 0) {}

ui::LocationCoordinate MembresMapAnnotation::coordinate() const {
    return {record_.coordinate().latitude, record_.coordinate().longitude};
}

std::string MembresMapAnnotation::title() const {
    return record_.description() ? record_.description()->tLogin : std::string();
}

MyAnnotation::MyAnnotation(std::string login, float latitude, float longitude)
    : login_(login), title_(std::move(login)), coordinate_{latitude, longitude} {}

void setPinImage(ui::AnnotationView& view, const char* name) {
    const ui::Image image = ui::imageNamed(name);
    view.setImage(image);
    // The pictures are pins: their tip, not their middle, marks the place.
    view.setCenterOffset({0, -image.size().height / 2});
}

const char* membrePinImage(const std::string& type) {
    if (type == "male") return kPinMale;
    if (type == "female") return kPinFemale;
    return kPinOther;
}

// --- Concert pins ---

ConcertsAnnotationView::ConcertsAnnotationView(std::shared_ptr<ui::Annotation> annotation,
                                               TourTrackerView& tour, ui::MapView& viewMap)
    : ui::AnnotationView(std::move(annotation), kReuseConcert), tour_(tour), viewMap_(viewMap) {
    setCanShowCallout(false);
    updateImage();
}

const ConcertsMapAnnotation* ConcertsAnnotationView::concertAnnotation() const {
    return dynamic_cast<const ConcertsMapAnnotation*>(annotation().get());
}

void ConcertsAnnotationView::updateImage() {
    const ConcertsMapAnnotation* pin = concertAnnotation();
    setPinImage(*this, pin && pin->isNextConcert() ? kPinZephrun : kPinConcert);
}

void ConcertsAnnotationView::setSelected(bool selected, bool animated) {
    ui::AnnotationView::setSelected(selected, animated);
    if (selected) showDetail();
}

void ConcertsAnnotationView::showDetail() {
    if (!annotation()) return;
    isAppear_ = true;
    viewMap_.setCenterCoordinate(annotation()->coordinate(), true);
    tour_.showDetailConcert(*this);
}

void ConcertsAnnotationView::hideDetail() {
    isAppear_ = false;
    if (annotation()) viewMap_.deselectAnnotation(annotation().get(), false);
}

void ConcertsAnnotationView::prepareForReuse() {
    // Another concert may come: its album is not this one.
    isAppear_ = false;
    myAlbum_.reset();
}

// --- Member pins ---

MembresAnnotationView::MembresAnnotationView(std::shared_ptr<ui::Annotation> annotation,
                                             ui::MapView& viewMap)
    : ui::AnnotationView(std::move(annotation), kReuseMembre), viewMap_(viewMap) {
    setCanShowCallout(false);
    updateImage();
}

void MembresAnnotationView::updateImage() {
    auto* pin = dynamic_cast<const MembresMapAnnotation*>(annotation().get());
    const auto& membre = pin ? pin->record().description() : nullptr;
    setPinImage(*this, membrePinImage(membre ? membre->tType : std::string()));
}

void MembresAnnotationView::setSelected(bool selected, bool animated) {
    ui::AnnotationView::setSelected(selected, animated);
    if (selected)
        showDetail();
    else
        hideDetail();
}

void MembresAnnotationView::showDetail() {
    hideDetail();
    auto* pin = dynamic_cast<const MembresMapAnnotation*>(annotation().get());
    if (!pin) return;
    const MembresBubble b = pin->record().bubble();
    bubble_ =
        std::make_shared<ui::View>(ui::Rect{b.frame.x, b.frame.y, b.frame.width, b.frame.height});
    bubble_->setUserInteractionEnabled(false);
    auto background = std::make_shared<ui::ImageView>(
        ui::imageNamed(b.backgroundImage)
            .stretchableImage(static_cast<int>(b.backgroundLeftCap), 0));
    background->setFrame({0, 0, b.frame.width, b.frame.height});
    bubble_->addSubview(background);
    auto label = std::make_shared<ui::Label>(
        ui::Rect{b.labelFrame.x, b.labelFrame.y, b.labelFrame.width, b.labelFrame.height});
    label->setText(b.text);
    label->setTextColor(ui::Color::white());
    label->setFont(ui::Font::named(b.fontName, b.fontSize));
    bubble_->addSubview(label);
    addSubview(bubble_);
    // In front of the other pins.
    viewMap_.insertSubviewBelow(shared_from_this(), viewMap_.logoView());
}

void MembresAnnotationView::hideDetail() {
    if (bubble_) bubble_->removeFromSuperview();
    bubble_.reset();
}

} // namespace zephrun
