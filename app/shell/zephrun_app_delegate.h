// ZephrunAppDelegate: the root object of the application. It owns the configuration, the server
// session with its two request clients, the feed models, the member account, both players and the
// section controllers; it runs the launch sequence, switches between sections, draws the bars
// and overlays, routes alert answers and audio, and ends the run in order.
//
// Ownership: the host (the desktop window or the headless runner) owns the window and the
// defaults store and keeps both alive longer than the delegate. Screens and models keep a plain
// reference to the delegate, which outlives them.
//
// Threads: every member runs on the interface thread, except the FeedDelegate accessors (any
// thread) and the bodies of the worker threads it starts (background rotation, mix download),
// which reach the interface through RunLoop::main().post().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/shell/app_environment.h"
#include "feeds/feed_delegate.h"
#include "platform/app_services.h"
#include "platform/request_mutex.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/geometry.h"

namespace ui {
class Window;
class View;
class ImageView;
class Button;
class Label;
} // namespace ui
namespace kt {
class KT_webtools;
}
namespace zplayer {
class KT_AudioStream;
class mxp4reader;
} // namespace zplayer

namespace zephrun {

class AppLog;
class AudioRouting;
class BackgroundRotation;
class CommunityViewController;
class Concerts;
class Connexion;
class DailymotionVC;
class Discographie;
class DiscographieViewController;
class HomeViewController;
class InfoPage;
class LoginOverlay;
class MediasViewController;
class MixViewController;
class News;
class NewsViewController;
class RegisterPage;
class ServerSession;
class Twitter;
class Videos;
class ZephrunConfiguration;

// Home box indices, which are also the sections a login may lead to.
enum SectionIndex { kSectionNews = 0, kSectionDisco = 1, kSectionMedias = 2, kSectionMix = 3,
                    kSectionCommunity = 4 };

class ZephrunAppDelegate : public FeedDelegate,
                           private ui::AlertViewDelegate,
                           private zplatform::ApplicationDelegate {
  public:
    // Alert tags the shell routes (see clickedButtonAtIndex).
    static constexpr int kTagLogout = 4567;
    static constexpr int kTagMixDownload = 4570;

    explicit ZephrunAppDelegate(AppEnvironment environment);
    ~ZephrunAppDelegate() override;
    ZephrunAppDelegate(const ZephrunAppDelegate&) = delete;
    ZephrunAppDelegate& operator=(const ZephrunAppDelegate&) = delete;

    // --- Launch and end ---
    // Builds the splash and queues loadAllData() on the interface run loop.
    void applicationDidFinishLaunching();
    // Creates the models, opens the session, checks the discography, logs in, shows the home.
    void loadAllData();
    void showFirstHomePage();
    // Stops the rotation and both players, logs the member out, closes the session.
    void applicationWillTerminate();
    // The push registration's answers (the token's bytes; a failure's description).
    void didRegisterForRemoteNotificationsWithDeviceToken(const std::string& token) override;
    void didFailToRegisterForRemoteNotificationsWithError(const std::string& error) override;
    // True once the home screen replaced the splash.
    bool isLaunched() const { return launched_; }
    // Drops the overlays that are out of sight (the home screen's memory warning).
    void didReceiveMemoryWarning();
    void applicationDidReceiveMemoryWarning() override;

    // --- Shared objects ---
    ui::Window& window() { return *env_.window; }
    const AppEnvironment& environment() const { return env_; }
    AppLog& log() { return *env_.log; }
    ZephrunConfiguration& myConfig() { return *myConfig_; }
    ServerSession& session() { return *session_; }
    Connexion& myConnexion() { return *myConnexion_; }
    News& myNewsFR() { return *myNewsFR_; }
    News& myNewsEN() { return *myNewsEN_; }
    // The news of the interface language.
    News& myNews() { return isFrench() ? myNewsFR() : myNewsEN(); }
    Twitter& myTwitter() { return *myTwitter_; }
    Discographie& myDiscographie() { return *myDiscographie_; }
    Videos& myVideos() { return *myVideos_; }
    Concerts& myConcertsPast() { return *myConcertsPast_; }
    Concerts& myConcertsFutur() { return *myConcertsFutur_; }
    HomeViewController* myHome() { return myHome_.get(); }
    DiscographieViewController* myDiscoView() { return myDiscoView_.get(); }
    NewsViewController* myNewsView() { return myNewsView_.get(); }
    MixViewController* myMixView() { return myMixView_.get(); }
    MediasViewController* myMediasView() { return myMediasView_.get(); }
    CommunityViewController* myCommunityView() { return myCommunityView_.get(); }
    zplayer::KT_AudioStream* myAudio();
    zplayer::mxp4reader* myAudioMix();
    bool isFrench() const;
    ui::Color tintColor() const;
    bool playExtrait() const;
    bool playMix() const;
    int wantToGoToConnected() const { return wantToGoToConnected_; }
    void setWantToGoToConnected(int section) { wantToGoToConnected_ = section; }
    // The persisted network type ("wifi", "cellular" or "").
    std::string networkType();
    // The directory of downloaded pictures ("_PathImage") and of mix packages ("_PathMXP4File").
    std::string imageDirectory();
    std::string mixDirectory();

    // --- FeedDelegate ---
    kt::KT_webtools& myWT() override;
    void waitWT() override { mutexWT_.lock(); }
    void stopUseWT() override { mutexWT_.unlock(); }
    std::int32_t configInteger(std::string_view name) const override;
    std::optional<std::string> url_resize_image() const override;
    std::optional<std::string> num_version_discographie() const override;
    std::optional<std::string> myLogin() const override;
    zplatform::UserDefaults& defaults() override { return *env_.defaults; }
    std::string displayName() const override { return env_.displayName; }
    std::string packageDirectory() const override { return env_.packageDirectory; }
    std::unique_ptr<kt::KT_webtools> newWebtools() override;

    // --- Statistics events ---
    void sendEventWithID(int eventId, const std::string& key);
    void sendEventWithID(int eventId, const std::string& key, const std::string& dateStart);

    // --- Navigation ---
    void showHomePage();
    void hideHomePage();
    void showDiscographie();
    void hideDiscographie();
    void showNews();
    void hideNews();
    void showMix();
    void hideMix();
    void showMedias();
    void hideMedias();
    void showCommunity();
    void hideCommunity();
    // Hides the home screen and every section but `shown` (a SectionIndex).
    void hideSectionsBut(int shown);
    // Opens the section of a home box index (see SectionIndex).
    void showSection(int section);
    // Destroys the mix screen (after a refused or failed download).
    void destroyMixView();

    void showTop();
    void destroyTop();
    void hideTop();
    void showBottom();
    void destroyBottom();
    void hideBottom();
    void showBottomCom();
    void destroyBottomCom();
    void hideBottomCom();
    void showButtonBottom();
    void showButtonBottomClose();
    void destroyButtonBottom();
    void hideButtonBottom();

    void showLoading(const std::string& message);
    void showLoadingWithoutAnim(const std::string& message);
    void hideLoading();
    void hideLoadingWithoutAnim();
    // Replaces the loading overlay's message (the mix download's progress).
    void setLoadingText(const std::string& message);
    void centrerLoadingWithText(const std::string& message);

    void clicOnMenu();
    void clicOnClose();
    void clicOnLogo();
    void toggleLanguage();

    // Shows an alert titled "Zephrun" whose answer comes back to clickedButtonAtIndex.
    void showAlert(const std::string& message, int tag = 0, const std::string& cancel = "OK",
                   const std::vector<std::string>& others = {});
    void showAlert(const std::string& title, const std::string& message, int tag,
                   const std::string& cancel, const std::vector<std::string>& others);

    // --- Member account ---
    void clicOnConnect();
    void clicOnDisconnect();
    void validDisconnect();
    void showLogin();
    void hideLogin();
    void clicOnValidLogin();
    void madeLogin();
    void finalizeLogin();
    void showRegister();
    void hideRegister();
    LoginOverlay* loginOverlay() { return viewLogin_.get(); }

    // --- Audio ---
    void audioPlayUrl(const std::string& url);
    void audioStop();
    int audioMixStart(const std::string& name);
    int audioMixStart(const std::string& name, int track);
    // As above; `prepare` runs on the new mix player before it starts (the mix table's seed or
    // recipe).
    int audioMixStart(const std::string& name, int track,
                      const std::function<void(zplayer::mxp4reader&)>& prepare);
    void audioMixPlay();
    void audioMixPause();
    void audioMixStop();
    void audioMixChangeTrack(int track);
    // Sets a user track's level (0..255, both sides) on the mix player, when there is one.
    void audioMixTrackVolume(int track, int level);
    void audioMixsetVolume(float volume);
    std::optional<float> audioMixgetProgress();
    // Starts the mix package download on a thread of its own.
    void loadMixFile();
    bool isDownloadingMix() const;

    // --- Help and information pages ---
    void showDefilTuto();
    void hideDefilTuto();
    void destroyDefilTuto();
    void showTuto();
    void hideTuto();
    void showInfos();
    void hideInfos();

    // --- Video page ---
    void showDailymotion(const std::string& url);
    void hideDailymotion();

    // Views of the shell, for the screens and tests (null when absent).
    ui::View* viewTop() { return viewTop_.get(); }
    ui::View* viewBottom() { return viewBottom_.get(); }
    ui::View* viewBottomCom() { return viewBottomCom_.get(); }
    ui::Button* buttonBottom() { return buttonBottom_.get(); }
    ui::View* viewLoading() { return viewLoading_.get(); }
    ui::View* viewDefault() { return viewDefault_.get(); }
    ui::ImageView* viewBackground() { return viewBackground_.get(); }
    ui::View* viewDefilTuto() { return viewDefilTuto_.get(); }
    ui::View* viewTuto() { return viewTuto_.get(); }
    ui::View* viewInfos();
    ui::View* viewRegister();
    DailymotionVC* myDaily() { return myDaily_.get(); }

  private:
    friend class AudioRouting;
    void clickedButtonAtIndex(ui::AlertView& alert, int buttonIndex) override;
    // Brings the section's view in: placed at y = 480, then moved to y = 0 in 0.3 s.
    void slideIn(ui::View& view, bool animated = true);
    // Fetch on first opening: refreshes with the overlay, alerts on failure. Returns whether a
    // fetch was made.
    bool fetchOnFirstOpening(const std::function<bool()>& isRefreshed,
                             const std::function<bool()>& refresh, const std::string& overlay,
                             const std::string& error, bool animated);
    void fetchDiscographyIfNeeded();
    void addSectionView(ui::View& view);
    void hideAllSectionsBut(const void* controller);
    void buildLoading(const std::string& message, bool animated);
    void showAlertsQueued();
    std::string storedString(std::string_view suffix) const;

    AppEnvironment env_;
    zplatform::RequestMutex mutexWT_; // `myMutexWT`
    std::unique_ptr<ZephrunConfiguration> myConfig_;
    std::unique_ptr<ServerSession> session_;
    std::unique_ptr<Connexion> myConnexion_;
    std::unique_ptr<Twitter> myTwitter_;
    std::unique_ptr<News> myNewsEN_;
    std::unique_ptr<News> myNewsFR_;
    std::unique_ptr<Videos> myVideos_;
    std::unique_ptr<Concerts> myConcertsPast_;
    std::unique_ptr<Concerts> myConcertsFutur_;
    std::unique_ptr<Discographie> myDiscographie_;
    std::unique_ptr<AudioRouting> audio_;
    std::unique_ptr<BackgroundRotation> rotation_;

    std::unique_ptr<HomeViewController> myHome_;
    std::unique_ptr<DiscographieViewController> myDiscoView_;
    std::unique_ptr<NewsViewController> myNewsView_;
    std::unique_ptr<MixViewController> myMixView_;
    std::unique_ptr<MediasViewController> myMediasView_;
    std::unique_ptr<CommunityViewController> myCommunityView_;
    std::unique_ptr<DailymotionVC> myDaily_;

    std::shared_ptr<ui::View> viewDefault_;
    std::shared_ptr<ui::ImageView> viewBackground_;
    std::shared_ptr<ui::View> viewTop_;
    std::shared_ptr<ui::View> viewBottom_;
    std::shared_ptr<ui::View> viewBottomCom_;
    std::shared_ptr<ui::Button> buttonBottom_;
    std::shared_ptr<ui::View> viewLoading_;
    std::shared_ptr<ui::View> viewDefilTuto_;
    std::shared_ptr<ui::View> viewTuto_;
    std::unique_ptr<InfoPage> viewInfos_;
    std::unique_ptr<LoginOverlay> viewLogin_;
    std::unique_ptr<RegisterPage> viewRegister_;
    std::shared_ptr<ui::View> volumeView_;

    std::optional<std::string> myToken_; // hexadecimal; none when empty
    bool hasReceivedToken_ = false;
    int wantToGoToConnected_ = -1;
    bool launched_ = false;
    bool terminated_ = false;
};

} // namespace zephrun
