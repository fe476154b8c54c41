// AnnotationView: the view the map shows for one annotation, centred on the annotation's point
// plus its centre offset. It shows its image, or a default pin (or the user-location dot) when
// it has none. Touches on it go on to the map, which selects it on a tap.
//
// Threads: interface thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/image.h"
#include "platform/ui/map_annotation.h"
#include "platform/ui/view.h"

namespace ui {

class AnnotationView : public View {
  public:
    enum class Style { Image, Pin, UserLocation };

    AnnotationView(std::shared_ptr<Annotation> annotation, std::string reuseIdentifier);

    // The map's default view for an annotation its delegate gives none for.
    static std::shared_ptr<AnnotationView> makePin(std::shared_ptr<Annotation> annotation);
    static std::shared_ptr<AnnotationView> makeUserLocation(std::shared_ptr<Annotation> location);

    const std::shared_ptr<Annotation>& annotation() const { return annotation_; }
    void setAnnotation(std::shared_ptr<Annotation> annotation) {
        annotation_ = std::move(annotation);
    }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }

    // Sizes the view to the image (keeping its centre).
    const Image& image() const { return image_; }
    void setImage(Image image);
    // Offset of the view's centre from the annotation's point, in points.
    Point centerOffset() const { return centerOffset_; }
    void setCenterOffset(Point offset);
    // The system callout; off by default (the screens draw their own bubbles).
    bool canShowCallout() const { return canShowCallout_; }
    void setCanShowCallout(bool shows) { canShowCallout_ = shows; }
    // A disabled view is not selected by taps.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    bool isSelected() const { return selected_; }
    // The map calls this when it selects or deselects the view; subclasses show or hide their
    // detail here (call the base).
    virtual void setSelected(bool selected, bool animated);
    // Called when the map hands the view out again from its reuse queue.
    virtual void prepareForReuse() {}

    Style style() const { return style_; }

    void draw(Canvas& canvas) const override;
    std::string displayedImageName() const override { return image_.name(); }
    std::string_view className() const override { return "AnnotationView"; }

  private:
    std::shared_ptr<Annotation> annotation_;
    std::string reuseIdentifier_;
    Image image_;
    Point centerOffset_;
    Style style_ = Style::Image;
    bool canShowCallout_ = false;
    bool enabled_ = true;
    bool selected_ = false;
};

} // namespace ui
