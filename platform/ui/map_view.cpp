// The map view: camera, region changes, gestures, annotation views and tiles.
#include "platform/ui/map_view.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/canvas.h"
#include "platform/ui/clock.h"
#include "platform/ui/map_procedural_tiles.h"
#include "platform/ui/window.h"

namespace ui {
namespace {

constexpr double kTapSlop = 6;     // points a finger may move and still tap
constexpr size_t kReuseLimit = 32; // views kept per map for dequeueReusableAnnotationView
constexpr double kFrameInterval = 1.0 / 60;
const Color kPlaceholder = Color::rgb255(236, 233, 226);
const Color kPlaceholderGrid = Color::rgb255(214, 210, 200);

// The credit drawn in the map's corner.
class MapLogoView : public View {
  public:
    explicit MapLogoView(std::string text) : View({0, 0, 90, 14}), text_(std::move(text)) {
        setUserInteractionEnabled(false);
    }
    void setText(std::string text) {
        text_ = std::move(text);
        setNeedsDisplay();
    }
    void draw(Canvas& canvas) const override {
        canvas.drawText(text_, Font::boldSystem(10), Color::gray(0.3f, 0.8f), {0, 1});
    }
    std::string displayedText() const override { return text_; }
    std::string_view className() const override { return "MapLogoView"; }

  private:
    std::string text_;
};

double easeInOut(double t) {
    return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;
}

double distance(Point a, Point b) {
    return std::hypot(double(a.x - b.x), double(a.y - b.y));
}

// Shortest signed difference of two wrapped world x values.
double wrappedDelta(double from, double to) {
    double d = std::fmod(to - from, 1.0);
    if (d > 0.5) d -= 1;
    if (d < -0.5) d += 1;
    return d;
}

} // namespace

MapView::MapView(const Rect& frame)
    : View(frame), source_(std::make_shared<ProceduralTileSource>()),
      generation_(std::make_shared<int>(0)) {
    setClipsToBounds(true);
    setMultipleTouchEnabled(true);
    logo_ = std::make_shared<MapLogoView>(source_->attribution());
    addSubview(logo_);
    placeLogo();
    camera_ = clamped({0.5, 0.5, minWorldSize()});
}

MapView::~MapView() {
    stopAnimation();
}

// --- Camera ---

double MapView::viewWidth() const {
    return std::max(1.0f, bounds().width());
}
double MapView::viewHeight() const {
    return std::max(1.0f, bounds().height());
}

double MapView::minWorldSize() const {
    return std::max(viewWidth(), 64.0);
}

double MapView::maxWorldSize() const {
    return std::max(minWorldSize(), std::ldexp(double(kTileSize), source_->maxZoom()));
}

double MapView::zoomLevel() const {
    return std::log2(camera_.worldSize / kTileSize);
}
double MapView::minZoomLevel() const {
    return std::log2(minWorldSize() / kTileSize);
}
double MapView::maxZoomLevel() const {
    return std::log2(maxWorldSize() / kTileSize);
}

MapView::Camera MapView::clamped(Camera c) const {
    if (!std::isfinite(c.worldSize)) c.worldSize = camera_.worldSize;
    c.worldSize = std::clamp(c.worldSize, minWorldSize(), maxWorldSize());
    c.x = mercator::wrapX(c.x);
    double half = viewHeight() / (2 * c.worldSize);
    if (!std::isfinite(c.y)) c.y = 0.5;
    c.y = half >= 0.5 ? 0.5 : std::clamp(c.y, half, 1 - half);
    return c;
}

CoordinateRegion MapView::regionFor(const Camera& c) const {
    double halfH = viewHeight() / (2 * c.worldSize);
    double top = std::max(0.0, c.y - halfH), bottom = std::min(1.0, c.y + halfH);
    CoordinateRegion r;
    r.center = {mercator::latitudeForY(c.y), mercator::wrapLongitude(mercator::longitudeForX(c.x))};
    r.span.longitudeDelta = std::min(360.0, 360.0 * viewWidth() / c.worldSize);
    r.span.latitudeDelta = mercator::latitudeForY(top) - mercator::latitudeForY(bottom);
    return r;
}

MapView::Camera MapView::cameraFor(const CoordinateRegion& region) const {
    Camera c;
    double lat = mercator::clampLatitude(region.center.latitude);
    c.x = mercator::xForLongitude(mercator::wrapLongitude(region.center.longitude));
    c.y = mercator::yForLatitude(lat);
    double fromLongitude = 0, fromLatitude = 0;
    double lonDelta = region.span.longitudeDelta, latDelta = region.span.latitudeDelta;
    if (std::isfinite(lonDelta) && lonDelta > 0) {
        fromLongitude = viewWidth() * 360.0 / std::min(lonDelta, 360.0);
    }
    if (std::isfinite(latDelta) && latDelta > 0) {
        // Half height h (world units) whose top-to-bottom latitudes around the centre span
        // latDelta; the span grows with h, so bisect.
        double target = std::min(latDelta, 180.0);
        double lo = 0, hi = 1;
        for (int i = 0; i < 60; ++i) {
            double h = (lo + hi) / 2;
            double span = mercator::latitudeForY(c.y - h) - mercator::latitudeForY(c.y + h);
            (span < target ? lo : hi) = h;
        }
        fromLatitude = viewHeight() / (2 * hi);
    }
    if (fromLongitude > 0 && fromLatitude > 0) {
        c.worldSize = std::min(fromLongitude, fromLatitude);
    } else if (fromLongitude > 0 || fromLatitude > 0) {
        c.worldSize = std::max(fromLongitude, fromLatitude);
    } else {
        c.worldSize = camera_.worldSize;
    }
    return clamped(c);
}

CoordinateRegion MapView::region() const {
    return regionFor(camera_);
}

CoordinateRegion MapView::regionThatFits(const CoordinateRegion& region) const {
    CoordinateRegion fitted = regionFor(cameraFor(region));
    // The centre as asked (wrapped), before the edge clamping of the view.
    fitted.center = {mercator::clampLatitude(region.center.latitude),
                     mercator::wrapLongitude(region.center.longitude)};
    return fitted;
}

LocationCoordinate MapView::centerCoordinate() const {
    return region().center;
}

void MapView::setRegion(const CoordinateRegion& region, bool animated) {
    moveTo(cameraFor(region), animated);
}

void MapView::setCenterCoordinate(LocationCoordinate center, bool animated) {
    Camera c = camera_;
    c.x = mercator::xForLongitude(mercator::wrapLongitude(center.longitude));
    c.y = mercator::yForLatitude(center.latitude);
    moveTo(clamped(c), animated);
}

void MapView::moveTo(const Camera& target, bool animated) {
    bool gesture = !fingers_.empty() && gestureMoved_;
    if (target == camera_ && !animation_) return;
    if (gesture) { // joins the gesture's change, which ends when the fingers lift
        apply(target);
        return;
    }
    Window* w = window();
    if (!animated || !w) {
        stopAnimation();
        beginChange(animated);
        apply(target);
        endChange();
        return;
    }
    beginChange(true);
    animation_ = Animation{camera_, target, w->now()};
    if (!animationTimer_ || !animationTimer_->isValid()) {
        animationTimer_ =
            w->clock().scheduledTimer(kFrameInterval, true, [this](UiTimer&) { animationStep(); });
    }
}

void MapView::animationStep() {
    if (!animation_) return;
    Window* w = window();
    double t = w ? (w->now() - animation_->start) / kAnimationDuration : 1.0;
    if (t >= 1) {
        Camera end = animation_->to;
        stopAnimation();
        apply(end);
        endChange();
        return;
    }
    double e = easeInOut(std::clamp(t, 0.0, 1.0));
    const Camera& a = animation_->from;
    const Camera& b = animation_->to;
    Camera c;
    c.x = a.x + wrappedDelta(a.x, b.x) * e;
    c.y = a.y + (b.y - a.y) * e;
    c.worldSize =
        std::exp(std::log(a.worldSize) + (std::log(b.worldSize) - std::log(a.worldSize)) * e);
    apply(clamped(c));
}

void MapView::stopAnimation() {
    animation_.reset();
    if (animationTimer_) animationTimer_->invalidate();
    animationTimer_.reset();
}

void MapView::apply(const Camera& c) {
    camera_ = c;
    positionAnnotationViews();
    updateTiles();
    setNeedsDisplay();
}

void MapView::beginChange(bool animated) {
    if (changing_) return;
    changing_ = true;
    changeAnimated_ = animated;
    if (delegate_) delegate_->regionWillChangeAnimated(*this, animated);
}

void MapView::endChange() {
    if (!changing_) return;
    changing_ = false;
    failed_.clear(); // a new view of the map: failed tiles get another chance
    updateTiles();
    if (delegate_) delegate_->regionDidChangeAnimated(*this, changeAnimated_);
}

// --- Coordinates ---

Point MapView::pointForWorld(double wx, double wy) const {
    double dx = wrappedDelta(camera_.x, wx);
    Rect b = bounds();
    return {static_cast<float>(b.minX() + viewWidth() / 2 + dx * camera_.worldSize),
            static_cast<float>(b.minY() + viewHeight() / 2 + (wy - camera_.y) * camera_.worldSize)};
}

Point MapView::convertCoordinateToPoint(LocationCoordinate coordinate, const View* toView) const {
    Point p = pointForWorld(mercator::xForLongitude(mercator::wrapLongitude(coordinate.longitude)),
                            mercator::yForLatitude(coordinate.latitude));
    return toView && toView != this ? convertPointToView(p, toView) : p;
}

LocationCoordinate MapView::convertPointToCoordinate(Point point, const View* fromView) const {
    Point p = fromView && fromView != this ? convertPointFromView(point, fromView) : point;
    Rect b = bounds();
    double wx = camera_.x + (p.x - b.minX() - viewWidth() / 2) / camera_.worldSize;
    double wy = camera_.y + (p.y - b.minY() - viewHeight() / 2) / camera_.worldSize;
    return {mercator::latitudeForY(std::clamp(wy, 0.0, 1.0)),
            mercator::wrapLongitude(mercator::longitudeForX(wx))};
}

// --- Layout ---

void MapView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    camera_ = clamped(camera_);
    placeLogo();
    positionAnnotationViews();
    updateTiles();
}

void MapView::setBounds(const Rect& bounds) {
    View::setBounds(bounds);
    camera_ = clamped(camera_);
    positionAnnotationViews();
    updateTiles();
}

void MapView::layoutSubviews() {
    positionAnnotationViews();
}

void MapView::placeLogo() {
    if (!logo_) return;
    Rect b = bounds();
    logo_->setFrame({b.minX() + 6, b.maxY() - 18, 90, 14});
}

void MapView::didMoveToWindow() {
    if (!window()) {
        stopAnimation();
        if (changing_ && fingers_.empty()) endChange();
        return;
    }
    updateTiles();
}

// --- Annotations ---

void MapView::positionAnnotationView(AnnotationView& view) const {
    if (!view.annotation()) return;
    Point p = convertCoordinateToPoint(view.annotation()->coordinate(), nullptr);
    view.setCenter(p + view.centerOffset());
}

void MapView::positionAnnotationViews() {
    for (auto& e : entries_) positionAnnotationView(*e.view);
    if (userLocationView_) positionAnnotationView(*userLocationView_);
}

void MapView::addEntryView(Entry& entry) {
    std::shared_ptr<AnnotationView> view;
    if (delegate_) view = delegate_->viewForAnnotation(*this, entry.annotation);
    if (!view) view = AnnotationView::makePin(entry.annotation);
    view->setAnnotation(entry.annotation);
    entry.view = view;
    insertSubviewBelow(view, logo_.get());
    positionAnnotationView(*view);
}

void MapView::addAnnotation(const std::shared_ptr<Annotation>& annotation) {
    if (!annotation) return;
    for (const auto& e : entries_) {
        if (e.annotation == annotation) return;
    }
    entries_.push_back({annotation, nullptr});
    // The delegate may add or remove annotations while making the view: work on a copy.
    Entry entry = entries_.back();
    addEntryView(entry);
    for (auto& e : entries_) {
        if (e.annotation == annotation) e.view = entry.view;
    }
}

void MapView::addAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations) {
    for (const auto& a : annotations) addAnnotation(a);
}

void MapView::recycle(std::shared_ptr<AnnotationView> view) {
    view->removeFromSuperview();
    if (view->isSelected()) view->setSelected(false, false);
    if (view->reuseIdentifier().empty() || view->style() != AnnotationView::Style::Image) return;
    if (reuseQueue_.count(view->reuseIdentifier()) >= kReuseLimit) return;
    view->setAnnotation(nullptr);
    std::string id = view->reuseIdentifier();
    reuseQueue_.emplace(std::move(id), std::move(view));
}

void MapView::removeAnnotation(const std::shared_ptr<Annotation>& annotation) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.annotation == annotation; });
    if (it == entries_.end()) return;
    Entry entry = std::move(*it);
    entries_.erase(it);
    if (selected_ == annotation) selected_.reset();
    if (touchView_ && entry.view && touchView_->isDescendantOf(entry.view.get())) {
        touchView_ = nullptr;
    }
    if (entry.view) recycle(std::move(entry.view));
}

void MapView::removeAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations) {
    for (const auto& a : annotations) removeAnnotation(a);
}

std::vector<std::shared_ptr<Annotation>> MapView::annotations() const {
    std::vector<std::shared_ptr<Annotation>> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_) out.push_back(e.annotation);
    return out;
}

AnnotationView* MapView::viewForAnnotation(const Annotation* annotation) const {
    for (const auto& e : entries_) {
        if (e.annotation.get() == annotation) return e.view.get();
    }
    if (userLocation_ && annotation == userLocation_.get()) return userLocationView_.get();
    return nullptr;
}

std::shared_ptr<AnnotationView> MapView::dequeueReusableAnnotationView(const std::string& id) {
    auto it = reuseQueue_.find(id);
    if (it == reuseQueue_.end()) return nullptr;
    auto view = std::move(it->second);
    reuseQueue_.erase(it);
    view->prepareForReuse();
    return view;
}

void MapView::selectAnnotation(const std::shared_ptr<Annotation>& annotation, bool animated) {
    if (!annotation || selected_ == annotation) return;
    AnnotationView* view = viewForAnnotation(annotation.get());
    if (!view) return;
    if (selected_) deselectAnnotation(selected_.get(), animated);
    selected_ = annotation;
    view->setSelected(true, animated);
    if (delegate_) delegate_->didSelectAnnotationView(*this, *view);
}

void MapView::deselectAnnotation(const Annotation* annotation, bool animated) {
    if (!annotation || selected_.get() != annotation) return;
    auto keep = std::move(selected_);
    selected_.reset();
    AnnotationView* view = viewForAnnotation(annotation);
    if (!view) return;
    view->setSelected(false, animated);
    if (delegate_) delegate_->didDeselectAnnotationView(*this, *view);
}

std::vector<std::shared_ptr<Annotation>> MapView::selectedAnnotations() const {
    if (!selected_) return {};
    return {selected_};
}

// --- User location ---

void MapView::setShowsUserLocation(bool shows) {
    showsUserLocation_ = shows;
    if (!shows) {
        if (userLocationView_) {
            if (selected_ == userLocation_) selected_.reset();
            userLocationView_->removeFromSuperview();
            userLocationView_.reset();
        }
        return;
    }
    if (userLocationKnown_ && !userLocationView_) {
        std::shared_ptr<Annotation> location = userLocation_;
        if (delegate_) userLocationView_ = delegate_->viewForAnnotation(*this, location);
        if (!userLocationView_) userLocationView_ = AnnotationView::makeUserLocation(location);
        userLocationView_->setAnnotation(location);
        insertSubviewBelow(userLocationView_, logo_.get());
        positionAnnotationView(*userLocationView_);
    }
}

void MapView::setUserLocationCoordinate(LocationCoordinate coordinate) {
    if (!userLocation_) {
        userLocation_ = std::make_shared<PointAnnotation>(coordinate, "Current Location");
    }
    userLocation_->setCoordinate(coordinate);
    userLocationKnown_ = true;
    if (userLocationView_) {
        positionAnnotationView(*userLocationView_);
    } else if (showsUserLocation_) {
        setShowsUserLocation(true);
    }
}

bool MapView::isUserLocationVisible() const {
    if (!showsUserLocation_ || !userLocationKnown_) return false;
    Point p = convertCoordinateToPoint(userLocation_->coordinate(), nullptr);
    return bounds().contains(p);
}

// --- Touches ---

AnnotationView* MapView::annotationViewContaining(View* view) const {
    for (View* v = view; v && v != this; v = v->superview()) {
        if (v->superview() == this) {
            auto* annotationView = dynamic_cast<AnnotationView*>(v);
            return annotationView;
        }
    }
    return nullptr;
}

void MapView::startPinch() {
    auto it = fingers_.begin();
    Point a = it->second.current;
    Point b = std::next(it)->second.current;
    pinchStartDistance_ = std::max(1.0, distance(a, b));
    pinchStartWorldSize_ = camera_.worldSize;
    pinchStartMid_ = {(a.x + b.x) / 2, (a.y + b.y) / 2};
    Rect bounds = this->bounds();
    anchorX_ = camera_.x + (pinchStartMid_.x - bounds.minX() - viewWidth() / 2) / camera_.worldSize;
    anchorY_ =
        camera_.y + (pinchStartMid_.y - bounds.minY() - viewHeight() / 2) / camera_.worldSize;
}

void MapView::updatePinch() {
    auto it = fingers_.begin();
    Point a = it->second.current;
    Point b = std::next(it)->second.current;
    Point mid = scrollEnabled_ ? Point{(a.x + b.x) / 2, (a.y + b.y) / 2} : pinchStartMid_;
    Camera c = camera_;
    c.worldSize = std::clamp(pinchStartWorldSize_ * distance(a, b) / pinchStartDistance_,
                             minWorldSize(), maxWorldSize());
    Rect bounds = this->bounds();
    c.x = anchorX_ - (mid.x - bounds.minX() - viewWidth() / 2) / c.worldSize;
    c.y = anchorY_ - (mid.y - bounds.minY() - viewHeight() / 2) / c.worldSize;
    c = clamped(c);
    if (c == camera_) return;
    beginChange(false);
    gestureMoved_ = true;
    apply(c);
}

void MapView::touchesBegan(const TouchSet& touches, const Event&) {
    if (animation_) { // a finger stops the animation; its change ends with the gesture
        stopAnimation();
        gestureMoved_ = true;
    }
    for (Touch* t : touches) {
        Point p = t->locationInView(this);
        fingers_[t->fingerId()] = {p, p};
        if (fingers_.size() == 1) {
            tapCandidate_ = true;
            touchView_ = t->view();
        }
    }
    if (fingers_.size() >= 2) {
        tapCandidate_ = false;
        if (zoomEnabled_) startPinch();
    }
}

void MapView::touchesMoved(const TouchSet& touches, const Event&) {
    Point delta;
    for (Touch* t : touches) {
        auto it = fingers_.find(t->fingerId());
        if (it == fingers_.end()) continue;
        Point p = t->locationInView(this);
        delta = p - it->second.current;
        it->second.current = p;
        if (distance(p, it->second.start) > kTapSlop) tapCandidate_ = false;
    }
    if (tapCandidate_) return;
    if (fingers_.size() >= 2) {
        if (zoomEnabled_) updatePinch();
        return;
    }
    if (fingers_.size() == 1 && scrollEnabled_ && (delta.x != 0 || delta.y != 0)) {
        Camera c = camera_;
        c.x -= delta.x / c.worldSize;
        c.y -= delta.y / c.worldSize;
        c = clamped(c);
        gestureMoved_ = true;
        if (c == camera_) return;
        beginChange(false);
        apply(c);
    }
}

void MapView::touchesEnded(const TouchSet& touches, const Event&) {
    const Touch* last = nullptr;
    for (Touch* t : touches) {
        fingers_.erase(t->fingerId());
        last = t;
    }
    if (fingers_.size() >= 2 && zoomEnabled_) startPinch();
    if (!fingers_.empty()) return;
    bool tap = tapCandidate_ && !gestureMoved_;
    gestureMoved_ = false;
    tapCandidate_ = false;
    if (changing_ && !animation_) endChange();
    if (tap && last) handleTap(*last);
    touchView_ = nullptr;
}

void MapView::touchesCancelled(const TouchSet& touches, const Event&) {
    for (Touch* t : touches) fingers_.erase(t->fingerId());
    if (!fingers_.empty()) return;
    gestureMoved_ = false;
    tapCandidate_ = false;
    touchView_ = nullptr;
    if (changing_ && !animation_) endChange();
}

void MapView::handleTap(const Touch& touch) {
    if (touch.tapCount() >= 2) {
        if (!zoomEnabled_) return;
        Point p = touch.locationInView(this);
        Rect b = bounds();
        double ax = camera_.x + (p.x - b.minX() - viewWidth() / 2) / camera_.worldSize;
        double ay = camera_.y + (p.y - b.minY() - viewHeight() / 2) / camera_.worldSize;
        Camera c = camera_;
        c.worldSize = std::min(camera_.worldSize * 2, maxWorldSize());
        // The tapped point stays under the finger.
        c.x = ax - (p.x - b.minX() - viewWidth() / 2) / c.worldSize;
        c.y = ay - (p.y - b.minY() - viewHeight() / 2) / c.worldSize;
        moveTo(clamped(c), true);
        return;
    }
    AnnotationView* view = annotationViewContaining(touchView_);
    if (view && view->isEnabled() && view->annotation()) {
        selectAnnotation(view->annotation(), true);
        return;
    }
    if (selected_) deselectAnnotation(selected_.get(), true);
}

// --- Tiles ---

void MapView::setTileSource(std::shared_ptr<TileSource> source) {
    if (!source) source = std::make_shared<ProceduralTileSource>();
    source_ = std::move(source);
    generation_ = std::make_shared<int>(0);
    cache_.clear();
    pending_.clear();
    failed_.clear();
    loading_ = false;
    roundError_.reset();
    static_cast<MapLogoView*>(logo_.get())->setText(source_->attribution());
    camera_ = clamped(camera_);
    positionAnnotationViews();
    updateTiles();
    setNeedsDisplay();
}

int MapView::tileZoom() const {
    int z = static_cast<int>(std::lround(zoomLevel()));
    return std::clamp(z, source_->minZoom(), source_->maxZoom());
}

std::vector<TileKey> MapView::visibleTiles() const {
    std::vector<TileKey> keys;
    int z = tileZoom();
    double n = std::ldexp(1.0, z);
    double left = camera_.x - viewWidth() / (2 * camera_.worldSize);
    double top = camera_.y - viewHeight() / (2 * camera_.worldSize);
    double right = left + viewWidth() / camera_.worldSize;
    double bottom = top + viewHeight() / camera_.worldSize;
    auto first = [&](double v) { return static_cast<long long>(std::floor(v * n)); };
    auto last = [&](double v) { return static_cast<long long>(std::ceil(v * n)) - 1; };
    long long count = static_cast<long long>(n);
    long long j0 = std::max(0LL, first(top)), j1 = std::min(count - 1, last(bottom));
    long long i0 = first(left), i1 = last(right);
    for (long long j = j0; j <= j1; ++j) {
        for (long long i = i0; i <= i1; ++i) {
            long long x = ((i % count) + count) % count;
            TileKey key{z, static_cast<int>(x), static_cast<int>(j)};
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
        }
    }
    return keys;
}

void MapView::updateTiles() {
    if (!window() || !source_) return;
    for (const TileKey& key : visibleTiles()) {
        if (cache_.contains(key)) {
            cache_.get(key); // most recently used
        } else if (!pending_.count(key) && !failed_.count(key)) {
            requestTile(key);
        }
    }
}

void MapView::requestTile(const TileKey& key) {
    bool startsRound = pending_.empty() && !loading_;
    pending_.insert(key);
    if (startsRound) {
        loading_ = true;
        roundError_.reset();
        if (delegate_) delegate_->mapViewWillStartLoadingMap(*this);
    }
    std::weak_ptr<int> generation = generation_;
    source_->requestTile(key, [this, generation](TileReply reply) {
        if (generation.expired()) return;
        tileArrived(std::move(reply));
    });
}

void MapView::tileArrived(TileReply reply) {
    if (!pending_.erase(reply.key)) return;
    if (reply.image) {
        cache_.put(reply.key, std::move(reply.image));
    } else {
        failed_.insert(reply.key);
        if (!roundError_) roundError_ = reply.error.value_or(MapError{-1, "tile not loaded"});
    }
    setNeedsDisplay();
    if (!pending_.empty() || !loading_) return;
    loading_ = false;
    if (!delegate_) return;
    if (roundError_) {
        MapError error = *roundError_;
        delegate_->mapViewDidFailLoadingMap(*this, error);
    } else {
        delegate_->mapViewDidFinishLoadingMap(*this);
    }
}

void MapView::draw(Canvas& canvas) const {
    Rect b = bounds();
    canvas.fillRect(b, kPlaceholder);
    int z = tileZoom();
    double n = std::ldexp(1.0, z);
    double tileSize = camera_.worldSize / n; // points
    double left = camera_.x - viewWidth() / (2 * camera_.worldSize);
    double top = camera_.y - viewHeight() / (2 * camera_.worldSize);
    long long count = static_cast<long long>(n);
    long long i0 = static_cast<long long>(std::floor(left * n));
    long long j0 = std::max(0LL, static_cast<long long>(std::floor(top * n)));
    for (long long j = j0; j < count; ++j) {
        double y = b.minY() + (j / n - top) * camera_.worldSize;
        if (y >= b.maxY()) break;
        for (long long i = i0;; ++i) {
            double x = b.minX() + (i / n - left) * camera_.worldSize;
            if (x >= b.maxX()) break;
            // Whole points on both edges, so neighbouring tiles never leave a seam.
            float x0 = std::floor(static_cast<float>(x));
            float y0 = std::floor(static_cast<float>(y));
            Rect dest{x0, y0, std::floor(static_cast<float>(x + tileSize)) - x0,
                      std::floor(static_cast<float>(y + tileSize)) - y0};
            TileKey key{z, static_cast<int>(((i % count) + count) % count), static_cast<int>(j)};
            Image image = cache_.peek(key);
            if (image) {
                canvas.drawImage(image, {}, dest);
                continue;
            }
            // A lower zoom's tile, enlarged, while this one loads.
            bool drawn = false;
            for (int dz = 1; dz <= std::min(z, 6) && !drawn; ++dz) {
                TileKey parent{z - dz, key.x >> dz, key.y >> dz};
                Image p = cache_.peek(parent);
                if (!p) continue;
                float part = static_cast<float>(p.pixelWidth()) / (1 << dz);
                Rect source{(key.x - (parent.x << dz)) * part, (key.y - (parent.y << dz)) * part,
                            part, part};
                canvas.drawImage(p, source, dest);
                drawn = true;
            }
            if (drawn) continue;
            for (float gx = 0; gx < dest.width(); gx += 32) {
                canvas.drawLine({dest.minX() + gx, dest.minY()}, {dest.minX() + gx, dest.maxY()},
                                kPlaceholderGrid, 1);
            }
            for (float gy = 0; gy < dest.height(); gy += 32) {
                canvas.drawLine({dest.minX(), dest.minY() + gy}, {dest.maxX(), dest.minY() + gy},
                                kPlaceholderGrid, 1);
            }
        }
    }
}

} // namespace ui
