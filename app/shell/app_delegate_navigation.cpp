// Navigation between the sections: show and hide operations, fetch on first opening, the bottom
// button and the logo, the language switch and the routing of alert answers.
#include "app/community/community_view_controller.h"
#include "app/discography/discographie_view_controller.h"
#include "app/home/home_view_controller.h"
#include "app/medias/medias_view_controller.h"
#include "app/mix/mix_view_controller.h"
#include "app/news/news_view_controller.h"
#include "app/shell/app_log.h"
#include "app/shell/audio_routing.h"
#include "app/shell/info_page.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "app/persisted_keys.h"
#include "feeds/concerts.h"
#include "feeds/discographie.h"
#include "feeds/news.h"
#include "feeds/videos.h"
#include "platform/ui/button.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"

namespace zephrun {

namespace {
constexpr double kSlideSeconds = 0.3;

void hideSection(SectionController* controller, AppLog& log) {
    if (!controller || !controller->isViewLoaded()) return;
    ui::View& v = controller->view();
    if (!v.isHidden()) log.record("section", "hide " + std::string(controller->sectionName()));
    v.setHidden(true);
    if (v.superview()) v.superview()->sendSubviewToBack(&v);
}

void logShown(AppLog& log, SectionController& controller) {
    log.record("section", "show " + std::string(controller.sectionName()));
}
} // namespace

void ZephrunAppDelegate::addSectionView(ui::View& view) {
    if (!view.superview()) window().addSubview(view.shared_from_this());
}

void ZephrunAppDelegate::slideIn(ui::View& view, bool animated) {
    ui::Rect f = view.frame();
    if (!animated) {
        view.setFrame({f.x(), 0, f.width(), f.height()});
        return;
    }
    view.setFrame({f.x(), 480, f.width(), f.height()});
    ui::View::animate(kSlideSeconds, [&view, f] { view.setFrame({f.x(), 0, f.width(), f.height()}); },
                      {}, 0, ui::AnimationCurve::Linear);
}

bool ZephrunAppDelegate::fetchOnFirstOpening(const std::function<bool()>& isRefreshed,
                                             const std::function<bool()>& refresh,
                                             const std::string& overlay, const std::string& error,
                                             bool animated) {
    if (isRefreshed()) return false;
    if (animated)
        showLoading(overlay);
    else
        showLoadingWithoutAnim(overlay);
    const bool ok = refresh();
    if (animated)
        hideLoading();
    else
        hideLoadingWithoutAnim();
    if (!ok) showAlert(error);
    return true;
}

void ZephrunAppDelegate::fetchDiscographyIfNeeded() {
    const bool french = isFrench();
    if (storedString(keys::kNumVersionDiscographie) ==
        myConfig_->num_version_discographie().value_or(""))
        return;
    showLoading(texts::kUpdatingDiscography.in(french));
    if (myDiscographie_->refreshDiscographie()) {
        if (myDiscographie_->loadDisque(true) != 0)
            showAlert(texts::kDiscographyLoadError.in(french));
    } else {
        showAlert(texts::kDiscographyNotUpdated.in(french));
    }
    hideLoading();
}

void ZephrunAppDelegate::showSection(int section) {
    switch (section) {
    case kSectionNews: showNews(); break;
    case kSectionDisco: showDiscographie(); break;
    case kSectionMedias: showMedias(); break;
    case kSectionMix: showMix(); break;
    case kSectionCommunity: showCommunity(); break;
    default: break;
    }
}

void ZephrunAppDelegate::hideSectionsBut(int shown) {
    hideHomePage();
    if (shown != kSectionDisco) hideDiscographie();
    if (shown != kSectionNews) hideNews();
    if (shown != kSectionMedias) hideMedias();
    if (shown != kSectionMix) hideMix();
    if (shown != kSectionCommunity) hideCommunity();
    if (myHome_) myHome_->destroySlider();
}

void ZephrunAppDelegate::showHomePage() {
    if (!myHome_) {
        myHome_ = std::make_unique<HomeViewController>(*this);
        addSectionView(myHome_->view());
    } else if (myHome_->isSoundOn()) {
        if (myAudioMix())
            audioMixPlay();
        else if (playExtrait())
            myHome_->setSoundButtonOn(false);
        else
            audioMixStart("home_2010");
    }
    ui::View& home = myHome_->view();
    addSectionView(home);
    myHome_->resetSliderEffect();
    slideIn(home);
    home.setHidden(false);
    hideBottom();
    hideButtonBottom();
    myHome_->hideLigne();
    window().bringSubviewToFront(&home);
    showTop();
    showDefilTuto();
    logShown(log(), *myHome_);
}

void ZephrunAppDelegate::hideHomePage() {
    hideSection(myHome_.get(), log());
    audioMixPause();
    hideDefilTuto();
}

void ZephrunAppDelegate::showDiscographie() {
    fetchDiscographyIfNeeded();
    if (!myDiscoView_) myDiscoView_ = std::make_unique<DiscographieViewController>(*this);
    ui::View& v = myDiscoView_->view();
    addSectionView(v);
    v.setHidden(false);
    slideIn(v);
    hideSectionsBut(kSectionDisco);
    window().bringSubviewToFront(&v);
    showTop();
    showBottom();
    myDiscoView_->showBottomMenu();
    showButtonBottom();
    logShown(log(), *myDiscoView_);
}

void ZephrunAppDelegate::hideDiscographie() {
    if (myDiscoView_) myDiscoView_->hideBottomMenu();
    hideSection(myDiscoView_.get(), log());
}

void ZephrunAppDelegate::showNews() {
    const bool french = isFrench();
    if (!myNewsView_) myNewsView_ = std::make_unique<NewsViewController>(*this);
    bool fetched;
    if (myNewsView_->currentSelected() == 2)
        fetched = fetchOnFirstOpening([this] { return myConcertsFutur_->isRefresh(); },
                                      [this] { return myConcertsFutur_->refreshConcerts(); },
                                      texts::kUpdatingConcerts.in(french),
                                      texts::kConcertsError.in(french), false);
    else
        fetched = fetchOnFirstOpening([this] { return myNews().isRefresh(); },
                                      [this] { return myNews().refreshNews(); },
                                      texts::kUpdatingNews.in(french), texts::kNewsError.in(french),
                                      false);
    ui::View& v = myNewsView_->view();
    addSectionView(v);
    slideIn(v, !fetched);
    if (myNewsView_->currentSelected() == 2)
        myNewsView_->showLive();
    else
        myNewsView_->showActus();
    window().bringSubviewToFront(&v);
    v.setHidden(false);
    showTop();
    showBottom();
    showButtonBottom();
    hideLoadingWithoutAnim();
    hideSectionsBut(kSectionNews);
    logShown(log(), *myNewsView_);
}

void ZephrunAppDelegate::hideNews() { hideSection(myNewsView_.get(), log()); }

void ZephrunAppDelegate::showMix() {
    audioStop();
    if (!myMixView_) myMixView_ = std::make_unique<MixViewController>(*this);
    ui::View& v = myMixView_->view();
    addSectionView(v);
    v.setHidden(false);
    slideIn(v);
    hideSectionsBut(kSectionMix);
    window().bringSubviewToFront(&v);
    audioMixStop();
    logShown(log(), *myMixView_);
}

void ZephrunAppDelegate::hideMix() { hideSection(myMixView_.get(), log()); }

void ZephrunAppDelegate::destroyMixView() {
    if (!myMixView_) return;
    log().record("section", "destroy mix");
    myMixView_.reset();
}

void ZephrunAppDelegate::showMedias() {
    const bool french = isFrench();
    if (!myMediasView_) myMediasView_ = std::make_unique<MediasViewController>(*this);
    bool fetched = fetchOnFirstOpening(
        [this] { return myVideos_->isRefresh(); }, [this] { return myVideos_->refreshVideos(); },
        texts::kUpdatingVideos.in(french), texts::kVideosError.in(french), false);
    ui::View& v = myMediasView_->view();
    addSectionView(v);
    slideIn(v, !fetched);
    myMediasView_->loadVideoView();
    window().bringSubviewToFront(&v);
    v.setHidden(false);
    showTop();
    showBottom();
    showButtonBottom();
    hideLoadingWithoutAnim();
    hideSectionsBut(kSectionMedias);
    logShown(log(), *myMediasView_);
}

void ZephrunAppDelegate::hideMedias() { hideSection(myMediasView_.get(), log()); }

void ZephrunAppDelegate::showCommunity() {
    const bool french = isFrench();
    if (!myCommunityView_) myCommunityView_ = std::make_unique<CommunityViewController>(*this);
    fetchOnFirstOpening([this] { return myConcertsFutur_->isRefresh(); },
                        [this] { return myConcertsFutur_->refreshConcerts(); },
                        texts::kUpdatingConcerts.in(french),
                        texts::kCommunityConcertsError.in(french), true);
    myCommunityView_->setZephrunPosition();
    ui::View& v = myCommunityView_->view();
    addSectionView(v);
    v.setHidden(false);
    slideIn(v);
    hideSectionsBut(kSectionCommunity);
    window().bringSubviewToFront(&v);
    showTop();
    destroyBottom();
    showBottomCom();
    showButtonBottom();
    logShown(log(), *myCommunityView_);
}

void ZephrunAppDelegate::hideCommunity() {
    destroyBottomCom();
    hideSection(myCommunityView_.get(), log());
}

void ZephrunAppDelegate::clicOnMenu() {
    showHomePage();
    showBottom();
    showButtonBottomClose();
}

void ZephrunAppDelegate::clicOnClose() {
    audioMixPause();
    showButtonBottom();
    hideDefilTuto();
    if (myDiscoView_ && myDiscoView_->isViewVisible()) {
        myDiscoView_->showBottomMenu();
        showButtonBottom();
    }
    if (!myHome_) return;
    // The home slides down over the section it covered, then leaves the screen.
    ui::View& home = myHome_->view();
    ui::Rect f = home.frame();
    ui::View::animate(
        kSlideSeconds, [&home, f] { home.setFrame({f.x(), 480, f.width(), f.height()}); },
        [this](bool) {
            if (!myHome_) return;
            if (myHome_->view().frame().y() == 480) hideSection(myHome_.get(), log());
        },
        0, ui::AnimationCurve::Linear);
}

void ZephrunAppDelegate::clicOnLogo() {
    hideDiscographie();
    hideMix();
    hideNews();
    hideMedias();
    showHomePage();
    if (myHome_) {
        myHome_->showSlider();
        myHome_->showLigne();
    }
}

void ZephrunAppDelegate::toggleLanguage() {
    const std::string key = persistedKey(env_.displayName, keys::kIsFrench);
    env_.defaults->setBool(key, !isFrench());
    log().record("language", isFrench() ? "fr" : "en");
    if (myDiscoView_) {
        if (myDiscoView_->isViewVisible()) myDiscoView_->generateBottomMenu();
        if (myHome_ && myHome_->view().isHidden() && buttonBottom_) showButtonBottom();
    }
    for (SectionController* c :
         {static_cast<SectionController*>(myNewsView_.get()),
          static_cast<SectionController*>(myMediasView_.get()),
          static_cast<SectionController*>(myCommunityView_.get()),
          static_cast<SectionController*>(myHome_.get()),
          static_cast<SectionController*>(myMixView_.get())})
        if (c) c->toggleLanguage();
    destroyDefilTuto();
    destroyTop();
    showTop();
    if (myHome_ && myHome_->isViewVisible()) showDefilTuto();
    viewInfos_.reset();
}

void ZephrunAppDelegate::showAlert(const std::string& message, int tag, const std::string& cancel,
                                   const std::vector<std::string>& others) {
    showAlert(texts::kAlertTitle, message, tag, cancel, others);
}

void ZephrunAppDelegate::showAlert(const std::string& title, const std::string& message, int tag,
                                   const std::string& cancel,
                                   const std::vector<std::string>& others) {
    ui::AlertViewDelegate* delegate = this;
    auto alert = std::make_shared<ui::AlertView>(title, message, delegate, cancel, others);
    alert->setTag(tag);
    alert->show(window());
}

void ZephrunAppDelegate::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() == kTagLogout) {
        if (index == 1) validDisconnect();
        return;
    }
    if (myMediasView_ && myMediasView_->isViewVisible()) {
        if (index == 1) myMediasView_->launchVideos();
        return;
    }
    if (myMixView_ && myMixView_->isViewVisible()) {
        if (alert.tag() != kTagMixDownload) return;
        if (index == 0) {
            myMixView_->returnToHome();
            destroyMixView();
        } else if (index == 1) {
            loadMixFile();
        }
        return;
    }
    if (myCommunityView_ && myCommunityView_->isViewVisible()) return;
    if (myNewsView_ && myNewsView_->isViewVisible()) {
        if (index == 1) myNewsView_->launchLink();
    }
}

} // namespace zephrun
