// MapView: a Web-Mercator map of tiles with annotation views, scrolled by one finger, zoomed by
// two (pinch) or a double tap, and moved by the program to a region, animated or not.
//
// Region changes: every change — an animated or immediate setRegion/setCenterCoordinate, a drag,
// a pinch, a double tap — gives one regionWillChangeAnimated when it starts and one
// regionDidChangeAnimated when it ends (at once for an immediate change, when an animation
// finishes, when the fingers lift). A change made while another is under way joins it. Setting
// the region the map already shows changes nothing and calls nothing.
//
// Tiles come from a TileSource (procedural by default); a loading round runs from the first
// missing tile to the last answer and ends with mapViewDidFinishLoadingMap, or with one
// mapViewDidFailLoadingMap carrying the round's first error. Failed tiles are tried again after
// the next region change.
//
// Threads: interface thread only; every delegate call runs there.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/annotation_view.h"
#include "platform/ui/map_annotation.h"
#include "platform/ui/map_projection.h"
#include "platform/ui/map_tiles.h"
#include "platform/ui/view.h"

namespace ui {

class MapView;
class UiTimer;

// The map's delegate (not owned: clear it, or destroy the map, before the delegate dies).
class MapViewDelegate {
  public:
    virtual ~MapViewDelegate() = default;
    virtual void regionWillChangeAnimated(MapView&, bool /*animated*/) {}
    virtual void regionDidChangeAnimated(MapView&, bool /*animated*/) {}
    // The view to show for an annotation (dequeueReusableAnnotationView() may supply one); null
    // gives the map's default pin.
    virtual std::shared_ptr<AnnotationView> viewForAnnotation(MapView&,
                                                              const std::shared_ptr<Annotation>&) {
        return nullptr;
    }
    virtual void didSelectAnnotationView(MapView&, AnnotationView&) {}
    virtual void didDeselectAnnotationView(MapView&, AnnotationView&) {}
    virtual void mapViewWillStartLoadingMap(MapView&) {}
    virtual void mapViewDidFinishLoadingMap(MapView&) {}
    virtual void mapViewDidFailLoadingMap(MapView&, const MapError&) {}
};

class MapView : public View {
  public:
    explicit MapView(const Rect& frame = {});
    ~MapView() override;

    void setDelegate(MapViewDelegate* delegate) { delegate_ = delegate; }
    MapViewDelegate* delegate() const { return delegate_; }

    // --- Region ---
    // Centre and the spans of the whole view (the north-south span from its top to its bottom).
    CoordinateRegion region() const;
    // Shows at least the region's spans around its centre (see regionThatFits); a span of 0
    // keeps the current zoom along it. Animated on the window's clock when the map is in a
    // window.
    void setRegion(const CoordinateRegion& region, bool animated);
    // The region the map would show for `region`: same centre, spans widened to the view's
    // proportions and limited to the zoom range.
    CoordinateRegion regionThatFits(const CoordinateRegion& region) const;
    LocationCoordinate centerCoordinate() const;
    void setCenterCoordinate(LocationCoordinate center, bool animated);
    // log2 of the world's width in points / 256 (tile zoom level).
    double zoomLevel() const;
    double minZoomLevel() const;
    double maxZoomLevel() const;
    bool isChangingRegion() const { return changing_; }
    static constexpr double kAnimationDuration = 0.4;

    // Point in `view`'s coordinates (this map when null) for a coordinate, and back.
    Point convertCoordinateToPoint(LocationCoordinate coordinate, const View* toView) const;
    LocationCoordinate convertPointToCoordinate(Point point, const View* fromView) const;

    // --- Gestures ---
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    bool isZoomEnabled() const { return zoomEnabled_; }
    void setZoomEnabled(bool enabled) { zoomEnabled_ = enabled; }

    // --- Annotations ---
    void addAnnotation(const std::shared_ptr<Annotation>& annotation);
    void addAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations);
    void removeAnnotation(const std::shared_ptr<Annotation>& annotation);
    void removeAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations);
    // In the order they were added (the user location is not among them).
    std::vector<std::shared_ptr<Annotation>> annotations() const;
    AnnotationView* viewForAnnotation(const Annotation* annotation) const;
    // A view of a removed annotation with that reuse identifier, or null.
    std::shared_ptr<AnnotationView> dequeueReusableAnnotationView(const std::string& identifier);
    // Selects the annotation's view, deselecting the previous one first.
    void selectAnnotation(const std::shared_ptr<Annotation>& annotation, bool animated);
    void deselectAnnotation(const Annotation* annotation, bool animated);
    std::vector<std::shared_ptr<Annotation>> selectedAnnotations() const;

    // --- The user's location (set by the host's location service) ---
    bool showsUserLocation() const { return showsUserLocation_; }
    void setShowsUserLocation(bool shows);
    void setUserLocationCoordinate(LocationCoordinate coordinate);
    const std::shared_ptr<PointAnnotation>& userLocation() const { return userLocation_; }
    // True when the location is known, shown, and inside the visible region.
    bool isUserLocationVisible() const;
    AnnotationView* userLocationView() const { return userLocationView_.get(); }

    // --- Tiles ---
    // Replaces the source (the cache is emptied, requests in flight are forgotten).
    void setTileSource(std::shared_ptr<TileSource> source);
    const std::shared_ptr<TileSource>& tileSource() const { return source_; }
    const TileCache& tileCache() const { return cache_; }
    bool isLoadingMap() const { return loading_; }
    int tileZoom() const;
    // The tiles covering the view at tileZoom(), left to right, top to bottom.
    std::vector<TileKey> visibleTiles() const;
    // The credit in the lower left corner (screens may move it).
    View* logoView() const { return logo_.get(); }

    void setFrame(const Rect& frame) override;
    void setBounds(const Rect& bounds) override;
    void layoutSubviews() override;
    void draw(Canvas& canvas) const override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void didMoveToWindow() override;
    std::string_view className() const override { return "MapView"; }

  private:
    struct Camera {
        double x = 0.5, y = 0.5; // centre in world units
        double worldSize = 256;  // points per world width
        friend bool operator==(const Camera&, const Camera&) = default;
    };
    struct Entry {
        std::shared_ptr<Annotation> annotation;
        std::shared_ptr<AnnotationView> view;
    };
    struct Finger {
        Point start, current;
    };

    double viewWidth() const;
    double viewHeight() const;
    double minWorldSize() const;
    double maxWorldSize() const;
    Camera clamped(Camera c) const;
    Camera cameraFor(const CoordinateRegion& region) const;
    CoordinateRegion regionFor(const Camera& c) const;
    Point pointForWorld(double wx, double wy) const;
    void moveTo(const Camera& target, bool animated);
    void apply(const Camera& c);
    void beginChange(bool animated);
    void endChange();
    void stopAnimation();
    void animationStep();
    void positionAnnotationViews();
    void positionAnnotationView(AnnotationView& view) const;
    void addEntryView(Entry& entry);
    void recycle(std::shared_ptr<AnnotationView> view);
    void placeLogo();
    void handleTap(const Touch& touch);
    void startPinch();
    void updatePinch();
    AnnotationView* annotationViewContaining(View* view) const;

    void updateTiles();
    void requestTile(const TileKey& key);
    void tileArrived(TileReply reply);

    MapViewDelegate* delegate_ = nullptr;
    Camera camera_;
    bool scrollEnabled_ = true;
    bool zoomEnabled_ = true;

    // Region change in progress.
    bool changing_ = false;
    bool changeAnimated_ = false;
    struct Animation {
        Camera from, to;
        double start = 0;
    };
    std::optional<Animation> animation_;
    std::shared_ptr<UiTimer> animationTimer_;

    // Touches.
    std::map<int, Finger> fingers_;
    bool tapCandidate_ = false;
    bool gestureMoved_ = false;
    View* touchView_ = nullptr;
    double pinchStartDistance_ = 0;
    double pinchStartWorldSize_ = 0;
    double anchorX_ = 0, anchorY_ = 0;
    Point pinchStartMid_;

    std::vector<Entry> entries_;
    std::shared_ptr<Annotation> selected_;
    std::multimap<std::string, std::shared_ptr<AnnotationView>> reuseQueue_;

    bool showsUserLocation_ = false;
    bool userLocationKnown_ = false;
    std::shared_ptr<PointAnnotation> userLocation_;
    std::shared_ptr<AnnotationView> userLocationView_;

    std::shared_ptr<TileSource> source_;
    TileCache cache_;
    std::set<TileKey> pending_;
    std::set<TileKey> failed_;
    bool loading_ = false;
    std::optional<MapError> roundError_;
    std::shared_ptr<int> generation_; // replaced with the source: stale answers are dropped

    std::shared_ptr<View> logo_;
};

} // namespace ui
