// Map annotations of concerts and members, and the member bubble's geometry.
#include "feeds/map_annotations.h"

#include "feeds/text_width.h"

#include <algorithm>

namespace zephrun {

ConcertsAnnotation::ConcertsAnnotation(std::shared_ptr<const ConcertsDescription> description,
                                       int typeConcerts)
    : description_(std::move(description)), typeConcerts_(typeConcerts) {
    if (description_) coordinate_ = {description_->cLatitude, description_->cLongitude};
}

MembresAnnotation::MembresAnnotation(std::shared_ptr<const MembresDescription> description,
                                     double longitude, double latitude)
    : description_(std::move(description)), coordinate_{latitude, longitude} {}

int membresBubbleWidth(std::string_view login) {
    return std::max(10, textWidthEstimate(utf8CharacterCount(login)));
}

std::string membresBackgroundImage(std::string_view type) {
    if (type == "male") return "tourtracker-bkg-member-m.png";
    if (type == "female") return "tourtracker-bkg-member-f.png";
    return "tourtracker-bkg-member-o.png";
}

MembresBubble MembresAnnotation::bubble() const {
    MembresBubble b;
    const std::string login = description_ ? description_->tLogin : std::string();
    b.width = membresBubbleWidth(login);
    const auto w = static_cast<float>(b.width);
    b.frame = {0, -3, w + 55, 46};
    b.backgroundImage = membresBackgroundImage(description_ ? description_->tType : "");
    b.labelFrame = {55, 0, w, 46};
    b.text = login;
    return b;
}

} // namespace zephrun
