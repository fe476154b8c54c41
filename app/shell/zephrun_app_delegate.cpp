// The delegate's shared objects: construction, accessors, the feeds' delegate and the events.
#include "app/shell/zephrun_app_delegate.h"

#include "app/account/connexion.h"
#include "app/community/community_view_controller.h"
#include "app/discography/discographie_view_controller.h"
#include "app/home/home_view_controller.h"
#include "app/medias/medias_view_controller.h"
#include "app/mix/mix_view_controller.h"
#include "app/news/news_view_controller.h"
#include "app/server_session.h"
#include "app/shell/app_log.h"
#include "app/shell/audio_routing.h"
#include "app/shell/background_rotation.h"
#include "app/shell/info_page.h"
#include "app/shell/login_overlay.h"
#include "app/shell/register_page.h"
#include "app/video/dailymotion_vc.h"
#include "app/zephrun_configuration.h"
#include "client/kt_webtools.h"
#include "app/persisted_keys.h"
#include "feeds/concerts.h"
#include "feeds/discographie.h"
#include "feeds/news.h"
#include "feeds/twitter.h"
#include "feeds/videos.h"
#include "platform/ui/image_view.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"

namespace zephrun {

ZephrunAppDelegate::ZephrunAppDelegate(AppEnvironment environment) : env_(std::move(environment)) {
    audio_ = std::make_unique<AudioRouting>(*this);
}

// Worker threads first (they post to the interface), then the screens (they hold plain
// references to the models and players), then the models and the session.
ZephrunAppDelegate::~ZephrunAppDelegate() {
    if (zplatform::ApplicationServices::shared().delegate() == this)
        zplatform::ApplicationServices::shared().setDelegate(nullptr);
    if (rotation_) rotation_->stop();
    rotation_.reset();
    audio_->shutdown();
    myDaily_.reset();
    viewRegister_.reset();
    viewLogin_.reset();
    viewInfos_.reset();
    myCommunityView_.reset();
    myMediasView_.reset();
    myMixView_.reset();
    myNewsView_.reset();
    myDiscoView_.reset();
    myHome_.reset();
    audio_.reset();
}

zplayer::KT_AudioStream* ZephrunAppDelegate::myAudio() { return audio_->myAudio(); }
zplayer::mxp4reader* ZephrunAppDelegate::myAudioMix() { return audio_->myAudioMix(); }
bool ZephrunAppDelegate::playExtrait() const { return audio_->playExtrait(); }
bool ZephrunAppDelegate::playMix() const { return audio_->playMix(); }

bool ZephrunAppDelegate::isFrench() const {
    return env_.defaults->boolForKey(persistedKey(env_.displayName, keys::kIsFrench));
}

ui::Color ZephrunAppDelegate::tintColor() const {
    Color c = myConfig_ ? myConfig_->tintColor() : ZephrunConfiguration::kDefaultTint;
    return ui::Color{c.red, c.green, c.blue, c.alpha};
}

std::string ZephrunAppDelegate::storedString(std::string_view suffix) const {
    return env_.defaults->stringForKey(persistedKey(env_.displayName, suffix)).value_or("");
}

std::string ZephrunAppDelegate::networkType() { return storedString(keys::kNetworkType); }
std::string ZephrunAppDelegate::imageDirectory() { return storedString(keys::kPathImage); }
std::string ZephrunAppDelegate::mixDirectory() { return storedString(keys::kPathMXP4File); }

kt::KT_webtools& ZephrunAppDelegate::myWT() { return session_->myWT(); }

std::int32_t ZephrunAppDelegate::configInteger(std::string_view name) const {
    return myConfig_ ? myConfig_->integerNamed(name).value_or(0) : 0;
}

std::optional<std::string> ZephrunAppDelegate::url_resize_image() const {
    return myConfig_ ? myConfig_->url_resize_image() : std::nullopt;
}

std::optional<std::string> ZephrunAppDelegate::num_version_discographie() const {
    return myConfig_ ? myConfig_->num_version_discographie() : std::nullopt;
}

std::optional<std::string> ZephrunAppDelegate::myLogin() const {
    if (!myConnexion_ || !myConnexion_->isConnected()) return std::nullopt;
    return myConnexion_->myLogin();
}

std::unique_ptr<kt::KT_webtools> ZephrunAppDelegate::newWebtools() {
    return session_->newWebtools();
}

void ZephrunAppDelegate::sendEventWithID(int eventId, const std::string& key) {
    log().record("event", std::to_string(eventId) + (key.empty() ? "" : " " + key));
    if (session_) session_->sendEventWithID(eventId, key);
}

void ZephrunAppDelegate::sendEventWithID(int eventId, const std::string& key,
                                         const std::string& dateStart) {
    log().record("event", std::to_string(eventId) + (key.empty() ? "" : " " + key) + " from " +
                              dateStart);
    if (session_) session_->sendEventWithID(eventId, key, dateStart);
}

ui::View* ZephrunAppDelegate::viewInfos() { return viewInfos_ ? viewInfos_->view() : nullptr; }
ui::View* ZephrunAppDelegate::viewRegister() {
    return viewRegister_ ? viewRegister_->view() : nullptr;
}

void ZephrunAppDelegate::applicationDidReceiveMemoryWarning() {
    // The home screen's controller relays the warning: overlays out of sight are dropped.
    if (myHome_) didReceiveMemoryWarning();
}

void ZephrunAppDelegate::didReceiveMemoryWarning() {
    if (viewTuto_ && viewTuto_->frame().y() == 480) {
        viewTuto_->removeFromSuperview();
        viewTuto_.reset();
    }
    if (viewInfos_ && viewInfos_->view()->isHidden()) viewInfos_.reset();
    if (viewRegister_ && viewRegister_->view()->frame().x() == 320) viewRegister_.reset();
    if (viewLogin_ && viewLogin_->view()->frame().y() == -264) viewLogin_.reset();
}

} // namespace zephrun
