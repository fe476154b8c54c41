// The tour map: bars and buttons, pins, member reloads on region changes, toggles, geolocation.
#include "app/community/tour_tracker/tour_tracker_view.h"

#include <cmath>

#include "app/account/connexion.h"
#include "app/community/tour_tracker/album_strip_loader.h"
#include "app/community/tour_tracker/tour_annotations.h"
#include "app/community/tour_tracker/tour_tracker_texts.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "feeds/concerts.h"
#include "feeds/membres.h"
#include "platform/ui/button.h"
#include "platform/ui/clock.h"
#include "platform/ui/image_view.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/window.h"

namespace zephrun {

using namespace tourtracker;

namespace {

std::shared_ptr<ui::Button> imageButton(const ui::Rect& frame, const std::string& image,
                                        std::function<void()> action) {
    auto b = std::make_shared<ui::Button>(frame);
    b->setImage(ui::imageNamed(image));
    b->addTarget([action = std::move(action)](ui::Control&) { action(); },
                 ui::ControlEvent::TouchUpInside);
    return b;
}

} // namespace

TourTrackerView::TourTrackerView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate)
    : ui::View(frame), appDelegate(appDelegate),
      myMembres_(std::make_unique<Membres>(appDelegate)) {
    setClipsToBounds(true);
    setBackgroundColor(ui::Color::black());
    myMap_ = std::make_shared<ui::MapView>(kMap);
    addSubview(myMap_);

    const Connexion& account = appDelegate.myConnexion();
    ui::CoordinateRegion initial{{kDefaultLatitude, kDefaultLongitude},
                                 {kInitialSpan, kInitialSpan}};
    if (account.isVisible()) initial.center = {account.myLatitude(), account.myLongitude()};
    myMap_->setRegion(initial, false);
    lastSaveRegion_ = initial;
    // The delegate comes after the first region, which the next change only records.
    myMap_->setDelegate(this);
    buildBars();
}

TourTrackerView::~TourTrackerView() {
    KT_CLController::sharedInstance().forgetDelegate(this);
    if (locationTimer_) locationTimer_->invalidate();
    myMap_->setDelegate(nullptr);
    if (strip_) strip_->setDelegate(nullptr);
    // Album threads use the delegate's request client: they end before the view does.
    currentLoader_.reset();
    albumLoaders_.clear();
}

bool TourTrackerView::isFrench() const {
    return appDelegate.isFrench();
}

void TourTrackerView::alert(const Localized& text) {
    appDelegate.showAlert(text.in(isFrench()));
}

void TourTrackerView::buildBars() {
    const bool french = isFrench();
    auto titleBackground = std::make_shared<ui::ImageView>(ui::imageNamed(kTitleBackground));
    titleBackground->setUserInteractionEnabled(false);
    addSubview(titleBackground);
    auto title = std::make_shared<ui::ImageView>(
        ui::imageNamed(kTitle).colorizeWithColor(appDelegate.tintColor()));
    title->setUserInteractionEnabled(false);
    addSubview(title);

    backButton_ = imageButton(kBackButtonFrame, kBackButton.in(french), [this] {
        if (backAction_) backAction_();
    });
    addSubview(backButton_);

    auto bottom = std::make_shared<ui::ImageView>(ui::imageNamed(kBottomBar));
    bottom->setFrame(kBottomBarFrame);
    bottom->setUserInteractionEnabled(true); // the map does not move under the bar
    addSubview(bottom);
    addSubview(imageButton(kMenuButtonFrame, kMenuButton, [this] { appDelegate.clicOnMenu(); }));
    addSubview(imageButton(kGeolocButtonFrame, kGeolocButton, [this] { clicOnGeoloc(); }));

    eventButton_ = imageButton(kEventButtonFrame, kEventButton, [this] { clicOnEvent(); });
    eventButton_->setImage(ui::imageNamed(kEventButtonOn.in(french)),
                           ui::ControlState::Highlighted);
    eventButton_->setTag(kEventButtonTag);
    addSubview(eventButton_);
    auto separator = std::make_shared<ui::ImageView>(ui::imageNamed(kSeparator));
    separator->setFrame(kSeparatorFrame);
    addSubview(separator);
    membresButton_ = imageButton(kMembresButtonFrame, kMembresButton, [this] { clicOnMembres(); });
    membresButton_->setImage(ui::imageNamed(kMembresButtonOn.in(french)),
                             ui::ControlState::Highlighted);
    membresButton_->setTag(kMembresButtonTag);
    addSubview(membresButton_);
}

void TourTrackerView::toggleLanguage() {
    const bool french = isFrench();
    eventButton_->setImage(ui::imageNamed(kEventButtonOn.in(french)),
                           ui::ControlState::Highlighted);
    membresButton_->setImage(ui::imageNamed(kMembresButtonOn.in(french)),
                             ui::ControlState::Highlighted);
    // The back button and the bubble's calendar button speak the language too.
    backButton_->setImage(ui::imageNamed(kBackButton.in(french)));
    if (calendarButton_) calendarButton_->setTitle(kAddToCalendar.in(french));
}

bool TourTrackerView::membersRefreshed() const {
    return myMembres_->isRefresh();
}

bool TourTrackerView::eventsShown() const {
    return eventButton_->alpha() != kHiddenAlpha;
}

bool TourTrackerView::membresShown() const {
    return membresButton_->alpha() != kHiddenAlpha;
}

// --- Region changes ---

bool TourTrackerView::needsMembersReload(const ui::CoordinateRegion& now,
                                         const ui::CoordinateRegion& saved) {
    const double dLat = std::fabs(now.center.latitude - saved.center.latitude);
    const double dLon = std::fabs(now.center.longitude - saved.center.longitude);
    return dLat > kReloadSpans * saved.span.latitudeDelta ||
           dLon > kReloadSpans * saved.span.longitudeDelta ||
           kReloadZoom * now.span.latitudeDelta < saved.span.latitudeDelta ||
           now.span.latitudeDelta / kReloadZoom > saved.span.latitudeDelta;
}

void TourTrackerView::regionDidChangeAnimated(ui::MapView& map, bool) {
    const ui::CoordinateRegion now = map.region();
    if (isFirstLoad_) {
        lastSaveRegion_ = now;
        isFirstLoad_ = false;
    }
    if (now.span.latitudeDelta == 0 || now.span.longitudeDelta == 0) return;
    if (!needsMembersReload(now, lastSaveRegion_)) return;
    lastSaveRegion_ = now;
    refreshMembresMap();
}

void TourTrackerView::mapViewDidFailLoadingMap(ui::MapView&, const ui::MapError&) {
    if (++nbErrorLoadMap_ < kTileErrorsPerAlert) return;
    alert(kMapError);
    nbErrorLoadMap_ = 0;
}

// --- Members ---

void TourTrackerView::setRegionFromMembres() {
    const MembresRegion r = myMembres_->currentRegion();
    myMap_->setRegion({{r.latitude, r.longitude}, {r.spanLatitude, r.spanLongitude}}, false);
}

void TourTrackerView::refreshMembresMap() {
    if (!membresShown()) return;
    nbErrorLoadMap_ = 0;
    isFirstLoad_ = true;
    appDelegate.showLoading(kUpdatingMembers.in(isFrench()));
    const ui::CoordinateRegion r = myMap_->region();
    const double spanLatitude =
        r.span.latitudeDelta == 0 ? lastSaveRegion_.span.latitudeDelta : r.span.latitudeDelta;
    const double spanLongitude =
        r.span.longitudeDelta == 0 ? lastSaveRegion_.span.longitudeDelta : r.span.longitudeDelta;
    const bool ok = myMembres_->refreshMembresForZone(
        static_cast<float>(r.center.latitude), static_cast<float>(r.center.longitude),
        static_cast<float>(spanLatitude), static_cast<float>(spanLongitude));
    if (ok) {
        setRegionFromMembres();
        removeMembrePins();
        addMembrePins();
    } else {
        alert(kMapError);
    }
    appDelegate.hideLoading();
}

void TourTrackerView::refreshMembresAroundMe() {
    refreshMembresAround(myMap_->centerCoordinate());
}

void TourTrackerView::refreshMembresAround(ui::LocationCoordinate centre) {
    if (!membresShown()) return;
    nbErrorLoadMap_ = 0;
    isFirstLoad_ = true;
    appDelegate.showLoading(kUpdatingMembers.in(isFrench()));
    if (myMembres_->refreshMembresAroundMe(static_cast<float>(centre.latitude),
                                           static_cast<float>(centre.longitude)))
        setRegionFromMembres();
    else
        alert(kMapError);
    generatePOI();
    appDelegate.hideLoading();
}

void TourTrackerView::addMembrePins() {
    for (const auto& membre : myMembres_->listMembres()) {
        auto pin = std::make_shared<MembresMapAnnotation>(membre);
        myListAnnotationMembres_.push_back(pin);
        myMap_->addAnnotation(pin);
    }
}

void TourTrackerView::removeMembrePins() {
    myMap_->removeAnnotations(myListAnnotationMembres_);
    myListAnnotationMembres_.clear();
}

void TourTrackerView::addConcertPins() {
    const Concerts::List coming = appDelegate.myConcertsFutur().listConcerts();
    const Concerts::List past = appDelegate.myConcertsPast().listConcerts();
    for (std::size_t i = 0; i < coming.size(); ++i) {
        auto pin = std::make_shared<ConcertsMapAnnotation>(coming[i], Concerts::kFuture, i == 0);
        myListAnnotationEvents_.push_back(pin);
        myMap_->addAnnotation(pin);
    }
    for (const auto& concert : past) {
        // The next concert already has the artist's pin.
        if (!coming.empty() && concert->cID == coming.front()->cID) continue;
        auto pin = std::make_shared<ConcertsMapAnnotation>(concert, Concerts::kPast, false);
        myListAnnotationEvents_.push_back(pin);
        myMap_->addAnnotation(pin);
    }
}

void TourTrackerView::removeConcertPins() {
    // A bubble does not outlive its pin.
    if (viewDetail_) hideDetailConcert();
    myMap_->removeAnnotations(myListAnnotationEvents_);
    myListAnnotationEvents_.clear();
}

void TourTrackerView::generatePOI() {
    removeMembrePins();
    addMembrePins();
    removeConcertPins();
    Concerts& coming = appDelegate.myConcertsFutur();
    Concerts& past = appDelegate.myConcertsPast();
    if (!coming.isRefresh()) coming.refreshConcerts();
    if (!past.isRefresh()) past.refreshConcerts();
    // Pins the concerts toggle hides stay off the map (showing it again adds them).
    if (eventsShown()) addConcertPins();
    const Connexion& account = appDelegate.myConnexion();
    if (account.isVisible()) {
        if (myPositionAnnotation_) myMap_->removeAnnotation(myPositionAnnotation_);
        myPositionAnnotation_ = std::make_shared<MyAnnotation>(
            account.myLogin(), account.myLatitude(), account.myLongitude());
        myMap_->addAnnotation(myPositionAnnotation_);
    }
    myMap_->setCenterCoordinate(myMap_->centerCoordinate(), false);
}

std::shared_ptr<ui::AnnotationView>
TourTrackerView::viewForAnnotation(ui::MapView& map,
                                   const std::shared_ptr<ui::Annotation>& annotation) {
    if (std::dynamic_pointer_cast<ConcertsMapAnnotation>(annotation)) {
        auto view = std::dynamic_pointer_cast<ConcertsAnnotationView>(
            map.dequeueReusableAnnotationView(kReuseConcert));
        if (!view) view = std::make_shared<ConcertsAnnotationView>(annotation, *this, map);
        view->setAnnotation(annotation);
        view->updateImage();
        return view;
    }
    if (std::dynamic_pointer_cast<MembresMapAnnotation>(annotation)) {
        auto view = std::dynamic_pointer_cast<MembresAnnotationView>(
            map.dequeueReusableAnnotationView(kReuseMembre));
        if (!view) view = std::make_shared<MembresAnnotationView>(annotation, map);
        view->setAnnotation(annotation);
        view->updateImage();
        return view;
    }
    if (std::dynamic_pointer_cast<MyAnnotation>(annotation)) {
        auto view = map.dequeueReusableAnnotationView(kReuseMe);
        if (!view) view = std::make_shared<ui::AnnotationView>(annotation, kReuseMe);
        setPinImage(*view, kPinMe);
        return view;
    }
    return nullptr;
}

// --- Toggles ---

void TourTrackerView::clicOnEvent() {
    if (eventsShown()) {
        eventButton_->setAlpha(kHiddenAlpha);
        removeConcertPins();
        return;
    }
    eventButton_->setAlpha(kShownAlpha);
    const std::string overlay = kUpdatingConcerts.in(isFrench());
    Concerts& coming = appDelegate.myConcertsFutur();
    Concerts& past = appDelegate.myConcertsPast();
    appDelegate.showLoading(overlay);
    if (!coming.isRefresh()) coming.refreshConcerts();
    // Each showing brings one more page of the past concerts.
    if (past.isRefresh())
        past.completConcerts();
    else
        past.refreshConcerts();
    appDelegate.hideLoading();
    addConcertPins();
}

void TourTrackerView::clicOnMembres() {
    if (!membresShown()) {
        membresButton_->setAlpha(kShownAlpha);
        addMembrePins();
        return;
    }
    membresButton_->setAlpha(kHiddenAlpha);
    removeMembrePins();
}

// --- Geolocation ---

void TourTrackerView::clicOnGeoloc() {
    if (!appDelegate.myConnexion().isConnected()) {
        alert(texts::kMembersOnly);
        return;
    }
    nbErrorLoadMap_ = 0;
    hideDetailConcert();
    appDelegate.showLoading(kUpdatingPosition.in(isFrench()));
    KT_CLController& locator = KT_CLController::sharedInstance();
    locator.setIsLocated(false);
    locator.setHasReponse(false);
    locator.setDelegate(this);
    locator.startUpdatingLocation();
}

void TourTrackerView::sendInfoToKT() {
    // The answer takes the request lock: an interface timer never fires inside another
    // request's synchronous wait.
    if (locationTimer_) locationTimer_->invalidate();
    locationTimer_ = appDelegate.window().clock().scheduledTimer(
        0.01, false, [this](ui::UiTimer&) { locationAnswered(); });
}

void TourTrackerView::locationAnswered() {
    appDelegate.hideLoading();
    const KT_CLController& locator = KT_CLController::sharedInstance();
    if (!locator.isLocated()) {
        alert(kPositionError);
        return;
    }
    const ui::LocationCoordinate position{locator.currentLatitude(), locator.currentLongitude()};
    myMap_->setCenterCoordinate(position, true);
    Connexion& account = appDelegate.myConnexion();
    account.setMyLatitude(locator.currentLatitude());
    account.setMyLongitude(locator.currentLongitude());
    account.setIsVisible(true);
    appDelegate.log().record("tourtracker", "located");
    // Around the position the map is moving to.
    refreshMembresAround(position);
    account.sendToKT();
}

} // namespace zephrun
