// What the tour map places: the concerts, the members and the member's own position as map
// annotations, and the pin views of concerts (which open the concert's bubble) and members
// (which show the login in a bubble of their own while selected).
//
// Ownership: the map owns the annotation views; a concert pin keeps a plain pointer to the tour
// map, which owns the map. Threads: interface thread only.
#pragma once

#include <memory>
#include <string>

#include "feeds/map_annotations.h"
#include "platform/ui/annotation_view.h"
#include "platform/ui/map_annotation.h"

namespace ui {
class MapView;
}

namespace zephrun {

class AlbumPhoto;
class TourTrackerView;

// A concert on the map (`ConcertsAnnotation` of the concert feeds).
class ConcertsMapAnnotation : public ui::Annotation {
  public:
    // `isNextConcert`: the first of the coming concerts, which shows the artist's pin.
    ConcertsMapAnnotation(std::shared_ptr<const ConcertsDescription> concert, int typeConcerts,
                          bool isNextConcert);
    ui::LocationCoordinate coordinate() const override;
    std::string title() const override;
    const ConcertsAnnotation& record() const { return record_; }
    const ConcertsDescription& concert() const { return *record_.description(); }
    bool isNextConcert() const { return isNextConcert_; }

  private:
    ConcertsAnnotation record_;
    bool isNextConcert_;
};

// A member on the map (`MembresAnnotation`).
class MembresMapAnnotation : public ui::Annotation {
  public:
    explicit MembresMapAnnotation(const std::shared_ptr<const MembresDescription>& membre);
    ui::LocationCoordinate coordinate() const override;
    std::string title() const override;
    const MembresAnnotation& record() const { return record_; }

  private:
    MembresAnnotation record_;
};

// `MyAnnotation`: the member's own published position.
class MyAnnotation : public ui::Annotation {
  public:
    MyAnnotation(std::string login, float latitude, float longitude);
    ui::LocationCoordinate coordinate() const override { return coordinate_; }
    std::string title() const override { return title_; }
    const std::string& login() const { return login_; }

  private:
    std::string login_;
    std::string title_;
    ui::LocationCoordinate coordinate_;
};

// The pin picture of a member by `tType`.
const char* membrePinImage(const std::string& type);
// Shows the pin picture `name` with its tip on the annotation's place.
void setPinImage(ui::AnnotationView& view, const char* name);

class ConcertsAnnotationView : public ui::AnnotationView {
  public:
    ConcertsAnnotationView(std::shared_ptr<ui::Annotation> annotation, TourTrackerView& tour,
                           ui::MapView& viewMap);

    // The concert of the pin now (the view is reused for other concerts).
    const ConcertsMapAnnotation* concertAnnotation() const;
    // Sets the picture for the concert the view now shows.
    void updateImage();

    // `showDetail`: centres the map on the pin and opens the concert's bubble.
    void showDetail();
    // `hideDetail`: the bubble is gone; the pin is deselected.
    void hideDetail();
    bool isAppear() const { return isAppear_; }
    void setIsAppear(bool appear) { isAppear_ = appear; }
    // The concert's photo album, made by the tour map on the first opening of the bubble.
    const std::shared_ptr<AlbumPhoto>& myAlbum() const { return myAlbum_; }
    void setMyAlbum(std::shared_ptr<AlbumPhoto> album) { myAlbum_ = std::move(album); }

    void setSelected(bool selected, bool animated) override;
    void prepareForReuse() override;
    std::string_view className() const override { return "ConcertsAnnotationView"; }

  private:
    TourTrackerView& tour_;
    ui::MapView& viewMap_;
    std::shared_ptr<AlbumPhoto> myAlbum_;
    bool isAppear_ = false;
};

class MembresAnnotationView : public ui::AnnotationView {
  public:
    MembresAnnotationView(std::shared_ptr<ui::Annotation> annotation, ui::MapView& viewMap);

    void updateImage();
    // The login bubble while selected (null otherwise).
    ui::View* bubble() const { return bubble_.get(); }
    void hideDetail();

    void setSelected(bool selected, bool animated) override;
    void prepareForReuse() override { hideDetail(); }
    std::string_view className() const override { return "MembresAnnotationView"; }

  private:
    void showDetail();

    ui::MapView& viewMap_;
    std::shared_ptr<ui::View> bubble_;
};

} // namespace zephrun
