// The launch sequence, the push token and the orderly end.
#include "app/account/connexion.h"
#include "app/home/home_view_controller.h"
#include "app/server_session.h"
#include "app/shell/app_log.h"
#include "app/shell/audio_routing.h"
#include "app/shell/background_rotation.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "app/persisted_keys.h"
#include "feeds/concerts.h"
#include "feeds/discographie.h"
#include "feeds/news.h"
#include "feeds/twitter.h"
#include "feeds/videos.h"
#include "platform/run_loop.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/volume_view.h"
#include "platform/ui/window.h"
#include "platform/user_defaults.h"

namespace zephrun {

namespace {
constexpr int kSplashSpinnerTag = 1212;
constexpr int kSplashLabelTag = 1213;
// The address of the server the shipped configuration names.
constexpr std::string_view kShippedServer = "http://127.0.0.1:8642/";
} // namespace

void ZephrunAppDelegate::applicationDidFinishLaunching() {
    ui::Window& w = window();
    wantToGoToConnected_ = -1;
    myToken_ = std::string();
    hasReceivedToken_ = false;

    zplatform::ApplicationServices& application = zplatform::ApplicationServices::shared();
    application.setIdleTimerDisabled(true);
    application.setStatusBarHidden(true);
    application.setDelegate(this);
    application.registerForRemoteNotificationTypes(zplatform::kRemoteNotificationTypeAlert);

    initialiseLaunchKeys(*env_.defaults, env_.displayName, env_.firstPreferredLanguage);
    storeCachePaths(*env_.defaults, env_.displayName, env_.documentsDirectory);

    w.setBackgroundColor(ui::Color::black());
    viewBackground_ = std::make_shared<ui::ImageView>(ui::imageNamed("bkg-ZR1.jpg"));
    viewBackground_->setFrame({0, 62, 320, 418});
    w.addSubview(viewBackground_);

    auto splash = std::make_shared<ui::ImageView>(
        ui::imageNamed(isFrench() ? "Default.png" : "Default-uk.png"));
    splash->setFrame({0, 0, 320, 480});
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::White,
                                                               ui::Rect(10, 445, 20, 20));
    spinner->setTag(kSplashSpinnerTag);
    spinner->startAnimating();
    splash->addSubview(spinner);
    auto label = std::make_shared<ui::Label>(ui::Rect(40, 445, 270, 20));
    label->setTag(kSplashLabelTag);
    label->setTextColor(ui::Color::white());
    label->setFont(ui::Font::named("Trebuchet MS", 14));
    splash->addSubview(label);
    viewDefault_ = splash;
    w.addSubview(splash);
    centrerLoadingWithText(texts::kSplashLoading.in(isFrench()));

    volumeView_ = std::make_shared<ui::VolumeView>(ui::Rect(0, -30, 100, 20));
    w.addSubview(volumeView_);

    zplatform::RunLoop::main().post([this] { loadAllData(); });
}

void ZephrunAppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(
    const std::string& token) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : token) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    myToken_ = hex;
    hasReceivedToken_ = true;
}

void ZephrunAppDelegate::didFailToRegisterForRemoteNotificationsWithError(
    const std::string& error) {
    log().record("push", "Error in registration. Error: " + error);
    myToken_ = std::string();
    hasReceivedToken_ = true;
}

void ZephrunAppDelegate::loadAllData() {
    const bool french = isFrench();
    myConfig_ = std::make_unique<ZephrunConfiguration>(*env_.defaults, env_.displayName,
                                                       env_.packageDirectory);
    if (env_.serverBase) myConfig_->rebaseAddresses(std::string(kShippedServer), *env_.serverBase);

    SessionAlert notify = [this](const std::string& title, const std::string& message,
                                 const std::string& button) {
        showAlert(title, message, 0, button, {});
    };
    session_ = std::make_unique<ServerSession>(*env_.defaults, env_.displayName, *myConfig_,
                                               notify, env_.webtools);
    const std::string network = session_->testNetwork();
    bool networkAvailable = !network.empty();
    if (!networkAvailable) showAlert(texts::kNoConnection.in(french));

    for (int round = 0; !hasReceivedToken_ && networkAvailable && round < env_.tokenWaitRounds;
         ++round) {
        zplatform::RunLoop::main().runFor(env_.tokenWaitSlice);
        if (round == env_.tokenWaitRounds - 1) myToken_ = std::string();
    }
    if (myToken_ && myToken_->empty()) myToken_.reset();

    myConnexion_ = std::make_unique<Connexion>(*this);
    myTwitter_ = std::make_unique<Twitter>(*this);

    bool sessionOpen = false;
    if (networkAvailable) {
        sessionOpen = session_->open(myToken_, network);
        if (!sessionOpen) showAlert(texts::kNoConnection.in(french));
    }

    myNewsEN_ = std::make_unique<News>(*this, 1);
    myNewsFR_ = std::make_unique<News>(*this, 2);
    myVideos_ = std::make_unique<Videos>(*this);
    myConcertsPast_ = std::make_unique<Concerts>(*this, 1);
    myConcertsFutur_ = std::make_unique<Concerts>(*this, 2);
    myDiscographie_ = std::make_unique<Discographie>(*this);

    const bool online = networkAvailable && sessionOpen;
    bool indexRefreshed = false;
    if (online && storedString(keys::kNumVersionDiscographie) !=
                      myConfig_->num_version_discographie().value_or("")) {
        centrerLoadingWithText(texts::kSplashLongLaunch.in(french));
        indexRefreshed = myDiscographie_->refreshDiscographie();
        if (!indexRefreshed) showAlert(texts::kDiscographyNotUpdated.in(french));
    }
    const int failures = myDiscographie_->loadDisque(indexRefreshed);
    if (failures != 0 && online) showAlert(texts::kDiscographyLoadError.in(french));

    if (online) myConnexion_->silentConnexion();

    rotation_ = std::make_unique<BackgroundRotation>(*this);
    rotation_->start();

    showFirstHomePage();
}

void ZephrunAppDelegate::showFirstHomePage() {
    myHome_ = std::make_unique<HomeViewController>(*this);
    audioMixStart("home_2010");
    addSectionView(myHome_->view());
    showTop();
    showDefilTuto();
    myHome_->view().setHidden(false);
    log().record("section", "show home");
    hideBottom();
    hideButtonBottom();
    if (viewDefault_) {
        viewDefault_->removeFromSuperview();
        viewDefault_.reset();
    }
    launched_ = true;
}

void ZephrunAppDelegate::applicationWillTerminate() {
    if (terminated_) return;
    terminated_ = true;
    env_.defaults->setBool(persistedKey(env_.displayName, keys::kApplicationRunning), false);
    if (rotation_) rotation_->stop();
    audioStop();
    audioMixStop();
    if (myConnexion_) myConnexion_->deconnexion();
    if (session_) {
        session_->close();
        session_->finishPendingExchanges(1.5);
    }
}

void ZephrunAppDelegate::centrerLoadingWithText(const std::string& message) {
    if (!viewDefault_) return;
    auto* label = viewDefault_->viewWithTagAs<ui::Label>(kSplashLabelTag);
    auto* spinner = viewDefault_->viewWithTag(kSplashSpinnerTag);
    if (!label || !spinner) return;
    label->setText(message);
    // Six points per character, counted in characters rather than bytes.
    float characters = 0;
    for (unsigned char c : message)
        if ((c & 0xC0) != 0x80) ++characters;
    float width = 6 * characters;
    label->setFont(ui::Font::named("Trebuchet MS", width > 230 ? 13 : 14));
    float x = (320 - width) / 2;
    label->setFrame({x, 445, width + 30, 20});
    spinner->setFrame({x - 25, 445, 20, 20});
}

} // namespace zephrun
