// ConcertsAnnotation and MembresAnnotation: the concerts and members placed on the tour map, with
// the geometry of a member's bubble. Plain data; the map's views read them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "feeds/concerts_description.h"
#include "feeds/membres_description.h"

namespace zephrun {

struct MapCoordinate {
    double latitude = 0;
    double longitude = 0;
};

struct MapRect {
    float x = 0, y = 0, width = 0, height = 0;
};

class ConcertsAnnotation {
  public:
    // `initWithConcertDescription:andType:`.
    ConcertsAnnotation(std::shared_ptr<const ConcertsDescription> description, int typeConcerts);

    MapCoordinate coordinate() const { return coordinate_; }
    const std::shared_ptr<const ConcertsDescription>& description() const { return description_; }
    int typeConcerts() const { return typeConcerts_; }

  private:
    std::shared_ptr<const ConcertsDescription> description_;
    int typeConcerts_;
    MapCoordinate coordinate_;
};

// The bubble a selected member shows: its background stretched right of a left cap, and the
// login in a label beside the picture part.
struct MembresBubble {
    int width = 10; // w: the label's width
    MapRect frame;  // (0, -3, w + 55, 46)
    std::string backgroundImage;
    float backgroundLeftCap = 52;
    MapRect labelFrame; // (55, 0, w, 46)
    std::string fontName = "Trebuchet MS";
    float fontSize = 14;
    unsigned labelColour = 0xFFFFFFFF; // white, RGBA
    std::string text;
};

class MembresAnnotation {
  public:
    // `initWithDescription:andLongitude:andLatitude:`.
    MembresAnnotation(std::shared_ptr<const MembresDescription> description, double longitude,
                      double latitude);

    MapCoordinate coordinate() const { return coordinate_; }
    const std::shared_ptr<const MembresDescription>& description() const { return description_; }
    MembresBubble bubble() const;

  private:
    std::shared_ptr<const MembresDescription> description_;
    MapCoordinate coordinate_;
};

// w for a login: textWidthEstimate of its character count, at least 10.
int membresBubbleWidth(std::string_view login);
// "tourtracker-bkg-member-m.png" for "male", "-f" for "female", "-o" for anything else.
std::string membresBackgroundImage(std::string_view type);

} // namespace zephrun
