// What the map places at a coordinate: the Annotation interface, and PointAnnotation, a plain
// settable one (the user's location, simple pins).
#pragma once

#include <string>

#include "platform/ui/map_projection.h"

namespace ui {

class Annotation {
  public:
    virtual ~Annotation() = default;
    virtual LocationCoordinate coordinate() const = 0;
    virtual std::string title() const { return {}; }
};

class PointAnnotation : public Annotation {
  public:
    PointAnnotation() = default;
    PointAnnotation(LocationCoordinate coordinate, std::string title)
        : coordinate_(coordinate), title_(std::move(title)) {}

    LocationCoordinate coordinate() const override { return coordinate_; }
    void setCoordinate(LocationCoordinate coordinate) { coordinate_ = coordinate; }
    std::string title() const override { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

  private:
    LocationCoordinate coordinate_;
    std::string title_;
};

} // namespace ui
