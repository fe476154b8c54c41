#include "app/community/community_view_controller.h"

#include "app/account/connexion.h"
#include "app/community/community_texts.h"
#include "app/community/reporter_view.h"
#include "app/community/show_live_view_2010.h"
#include "app/community/twitter_view.h"
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "feeds/concerts.h"
#include "feeds/twitter.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"

namespace zephrun {

namespace {

// Frames in the hub's content view (viewBKG), which sits below the top bar.
struct Frames {
    static constexpr ui::Rect content{0, 62, 320, 418};
    static constexpr ui::Rect subview{320, 62, 320, 418};
    static constexpr ui::Rect map{0, 0, 320, 388};
    static constexpr float mapLogoY = 246;
    static constexpr ui::Rect background{0, 0, 320, 418};
    static constexpr ui::Rect tweetHeader{0, 0, 320, 35};
    static constexpr ui::Rect tweetStrip{0, 35, 320, 90};
    static constexpr ui::Rect artistMarker{0, 131, 160, 58};
    static constexpr ui::Rect trackerBar{91, 236, 199, 30};
    static constexpr ui::Rect trackerText{170, 236, 120, 30};
    static constexpr ui::Rect trackerArrow{290, 236, 31, 30};
    static constexpr ui::Rect trackerZone{0, 125, 320, 146};
    static constexpr ui::Rect reporterBox{0, 272, 160, 114};
    static constexpr ui::Rect showLiveBox{160, 272, 160, 114};
    static constexpr ui::Rect stripMarker{10, 0, 20, 18};
    static constexpr ui::Rect stripText{30, 0, 280, 18};
};

std::shared_ptr<ui::ImageView> imageAt(const ui::Image& image, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(image);
    v->setFrame(frame);
    return v;
}

std::shared_ptr<ui::Button> button(const ui::Rect& frame, std::function<void()> action) {
    auto b = std::make_shared<ui::Button>(frame);
    b->addTarget([action = std::move(action)](ui::Control&) { action(); },
                 ui::ControlEvent::TouchUpInside);
    return b;
}

std::shared_ptr<ui::Label> stripLabel(const ui::Rect& frame, const std::string& text,
                                      const ui::Color& color) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setTextColor(color);
    l->setFont(ui::Font::named("Trebuchet MS", 13));
    return l;
}

void setX(ui::View& view, float x) {
    ui::Rect f = view.frame();
    view.setFrame({x, f.y(), f.width(), f.height()});
}

} // namespace

CommunityViewController::CommunityViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate), tourTrackerFactory_(&makeTourTrackerView) {}

CommunityViewController::~CommunityViewController() {
    if (myMapBKG_) myMapBKG_->setDelegate(nullptr);
    if (twitterHome_) {
        twitterHome_->setDataSource(nullptr);
        twitterHome_->setDelegate(nullptr);
    }
}

ui::LocationCoordinate CommunityViewController::centreFor(double latitude, double longitude) {
    return {latitude + kMarkerLatitudeOffset, longitude + kMarkerLongitudeOffset};
}

ui::Rect CommunityViewController::subviewFrame() const {
    return Frames::subview;
}

void CommunityViewController::viewDidLoad() {
    const bool french = isFrench();
    const ui::Color tint = appDelegate.tintColor();
    viewBKG_ = std::make_shared<ui::View>(Frames::content);
    view().addSubview(viewBKG_);

    myMapBKG_ = std::make_shared<ui::MapView>(Frames::map);
    myMapBKG_->setScrollEnabled(false);
    myMapBKG_->setZoomEnabled(false);
    myMapBKG_->setMultipleTouchEnabled(false);
    myMapBKG_->setRegion({{kStartLatitude, kStartLongitude}, {kSpan, kSpan}}, false);
    myMapBKG_->setDelegate(this);
    if (ui::View* logo = myMapBKG_->logoView()) {
        ui::Rect f = logo->frame();
        logo->setFrame({f.x(), Frames::mapLogoY, f.width(), f.height()});
    }
    viewBKG_->addSubview(myMapBKG_);
    viewBKG_->addSubview(imageAt(ui::imageNamed("com-bkg.png"), Frames::background));
    viewBKG_->addSubview(button(Frames::tweetHeader, [this] { showTwitter(); }));

    twitterHome_ = std::make_shared<ui::TableView>(Frames::tweetStrip);
    twitterHome_->setRowHeight(kStripRowHeight);
    twitterHome_->setSeparatorStyle(ui::TableViewSeparatorStyle::None);
    twitterHome_->setBackgroundColor(ui::Color::clear());
    twitterHome_->setDataSource(this);
    twitterHome_->setDelegate(this);
    viewBKG_->addSubview(twitterHome_);
    buildTweetStrip();

    artistMarker_ =
        imageAt(ui::imageNamed(community::kArtistMarker.in(french)), Frames::artistMarker);
    artistMarker_->setTag(kArtistMarkerTag);
    viewBKG_->addSubview(artistMarker_);
    viewBKG_->addSubview(
        imageAt(ui::imageNamed("com-bt-tt-bkg.png").colorizeWithColor(tint), Frames::trackerBar));
    viewBKG_->addSubview(imageAt(ui::imageNamed("com-bt-tt-text.png"), Frames::trackerText));
    viewBKG_->addSubview(imageAt(ui::imageNamed("com-bt-tt-arrow.png"), Frames::trackerArrow));
    viewBKG_->addSubview(button(Frames::trackerZone, [this] { showTourTracker(); }));

    reporterBox_ = button(Frames::reporterBox, [this] { showReporter(); });
    reporterBox_->setTag(kReporterBoxTag);
    reporterBox_->setImage(ui::imageNamed(community::kReporterBox.in(french)));
    viewBKG_->addSubview(reporterBox_);
    auto showLiveBox = button(Frames::showLiveBox, [this] { showShowLive(); });
    showLiveBox->setTag(kShowLiveBoxTag);
    showLiveBox->setImage(ui::imageNamed("com-box-live.png"));
    viewBKG_->addSubview(showLiveBox);
}

// --- The tweet strip ---

void CommunityViewController::buildTweetStrip() {
    twitterHomeCell_.clear();
    const ui::Color tint = appDelegate.tintColor();
    for (const auto& tweet : appDelegate.myTwitter().listTwitter()) {
        auto cell = std::make_shared<ui::TableViewCell>();
        cell->setFrame({0, 0, 320, kStripRowHeight});
        cell->setBackgroundColor(ui::Color::clear());
        cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
        cell->addSubview(stripLabel(Frames::stripMarker, "//", tint));
        cell->addSubview(stripLabel(Frames::stripText, tweet->tTexte, ui::Color::white()));
        twitterHomeCell_.push_back(cell);
    }
    twitterHome_->reloadData();
}

int CommunityViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(twitterHomeCell_.size());
}

std::shared_ptr<ui::TableViewCell>
CommunityViewController::cellForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.row < 0 || path.row >= static_cast<int>(twitterHomeCell_.size())) return nullptr;
    return twitterHomeCell_[static_cast<std::size_t>(path.row)];
}

void CommunityViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                      const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
}

// --- The map ---

void CommunityViewController::setZephrunPosition() {
    view();
    const auto coming = appDelegate.myConcertsFutur().listConcerts();
    if (!coming.empty()) {
        const ConcertsDescription& next = *coming.front();
        myMapBKG_->setRegion({centreFor(next.cLatitude, next.cLongitude), {kSpan, kSpan}}, false);
    } else {
        // Without a coming concert the map stays where it was.
        appDelegate.log().record("community", "no coming concert");
    }
    if (viewTourTracker_ && isOpen(&viewTourTracker_->view())) hideTourTracker();
}

void CommunityViewController::mapViewDidFailLoadingMap(ui::MapView&, const ui::MapError&) {
    appDelegate.showAlert(community::kMapError.in(isFrench()));
}

// --- Sub-views ---

bool CommunityViewController::isOpen(const ui::View* sub) const {
    return sub && sub->superview() && sub->frame().x() == 0;
}

void CommunityViewController::showBKG() {
    viewBKG_->setHidden(false);
    setX(*viewBKG_, 0);
}

void CommunityViewController::hideBKG() {
    viewBKG_->setHidden(true);
    setX(*viewBKG_, -320);
}

void CommunityViewController::slideIn(ui::View& sub) {
    if (sub.superview() != &view()) view().addSubview(sub.shared_from_this());
    view().bringSubviewToFront(&sub);
    std::weak_ptr<ui::View> weak = sub.shared_from_this();
    ui::View::animate(
        kSlideSeconds,
        [this, &sub] {
            setX(sub, 0);
            setX(*viewBKG_, -320);
        },
        [this, weak](bool) {
            // A close that came before the end of the slide keeps the hub's content.
            if (auto s = weak.lock(); s && isOpen(s.get())) hideBKG();
        },
        0, ui::AnimationCurve::Linear);
}

void CommunityViewController::slideOut(ui::View& sub) {
    ui::View::animate(
        kSlideSeconds,
        [this, &sub] {
            setX(sub, 320);
            showBKG();
        },
        {}, 0, ui::AnimationCurve::Linear);
}

bool CommunityViewController::checkMember() {
    if (appDelegate.myConnexion().isConnected()) return true;
    appDelegate.showAlert(texts::kMembersOnly.in(isFrench()));
    return false;
}

void CommunityViewController::showTwitter() {
    const bool french = isFrench();
    if (!viewTwitter_) viewTwitter_ = std::make_shared<TwitterView>(subviewFrame(), appDelegate);
    slideIn(*viewTwitter_);
    Twitter& feed = appDelegate.myTwitter();
    if (feed.isRefresh()) return;
    appDelegate.showLoading(community::kUpdatingTwitter.in(french));
    const bool ok = feed.refreshTwitter();
    appDelegate.hideLoading();
    if (!ok) {
        appDelegate.showAlert(community::kTwitterError.in(french));
        return;
    }
    // The list and the strip were built from the cached tweets.
    viewTwitter_->loadList();
    buildTweetStrip();
}

void CommunityViewController::hideTwitter() {
    if (viewTwitter_) slideOut(*viewTwitter_);
}

void CommunityViewController::showTourTracker() {
    if (!checkMember()) return;
    if (!viewTourTracker_) {
        viewTourTracker_ =
            tourTrackerFactory_ ? tourTrackerFactory_(appDelegate, subviewFrame()) : nullptr;
        if (!viewTourTracker_) {
            appDelegate.log().record("community", "no tour tracker");
            return;
        }
    }
    appDelegate.sendEventWithID(appDelegate.myConfig().id_event_tour_tracker(), "");
    slideIn(viewTourTracker_->view());
    appDelegate.hideBottomCom();
    appDelegate.hideButtonBottom();
    if (!viewTourTracker_->isMembresRefreshed()) viewTourTracker_->refreshMembresAroundMe();
}

void CommunityViewController::hideTourTracker() {
    if (!viewTourTracker_) return;
    slideOut(viewTourTracker_->view());
    appDelegate.showBottomCom();
    appDelegate.showButtonBottom();
}

void CommunityViewController::showReporter() {
    if (!checkMember()) return;
    const bool french = isFrench();
    Concerts& past = appDelegate.myConcertsPast();
    if (!past.isRefresh()) {
        appDelegate.showLoading(texts::kUpdatingConcerts.in(french));
        const bool ok = past.refreshConcerts();
        appDelegate.hideLoading();
        if (!ok) appDelegate.showAlert(texts::kConcertsError.in(french));
    }
    if (!viewReporter_) viewReporter_ = std::make_shared<ReporterView>(subviewFrame(), appDelegate);
    slideIn(*viewReporter_);
}

void CommunityViewController::hideReporter() {
    if (!viewReporter_) return;
    viewReporter_->destroySaisi();
    slideOut(*viewReporter_);
}

void CommunityViewController::showShowLive() {
    if (!checkMember()) return;
    if (!viewShowLive2010_)
        viewShowLive2010_ = std::make_shared<ShowLiveView2010>(subviewFrame(), appDelegate);
    slideIn(*viewShowLive2010_);
    viewShowLive2010_->loadList();
}

void CommunityViewController::hideShowLive() {
    if (viewShowLive2010_) slideOut(*viewShowLive2010_);
}

// --- Language ---

void CommunityViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    const bool french = isFrench();
    artistMarker_->setImage(ui::imageNamed(community::kArtistMarker.in(french)));
    reporterBox_->setImage(ui::imageNamed(community::kReporterBox.in(french)));
    if (viewReporter_) {
        // The reporter is built in one language: a new one replaces it, its entries lost.
        const bool wasOpen = isOpen(viewReporter_.get());
        viewReporter_->destroySaisi();
        viewReporter_->removeAllAnimations();
        viewReporter_->removeFromSuperview();
        viewReporter_.reset();
        if (wasOpen) {
            if (appDelegate.myConnexion().isConnected())
                showReporter();
            else
                showBKG();
        }
    }
    if (viewTwitter_) viewTwitter_->toggleLanguage();
    if (viewTourTracker_) viewTourTracker_->toggleLanguage();
    if (viewShowLive2010_) viewShowLive2010_->toggleLanguage();
}

} // namespace zephrun
