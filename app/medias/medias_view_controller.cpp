#include "app/medias/medias_view_controller.h"

#include "app/medias/medias_texts.h"
#include "app/medias/video_view.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/button.h"
#include "platform/ui/image_view.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {
constexpr ui::Rect kList{0, 62, 320, 418};
constexpr ui::Rect kTitleBand{0, 62, 320, 38};
constexpr ui::Rect kTabBackground{221, 69, 102, 24};
constexpr ui::Rect kTab{221, 62, 100, 38};
constexpr double kSlideSeconds = 0.3;
} // namespace

MediasViewController::MediasViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate) {}

MediasViewController::~MediasViewController() = default;

void MediasViewController::viewDidLoad() {
    ui::View& v = view();
    currentSelected_ = 1;
    myListVideos_ = std::make_shared<VideoView>(kList, appDelegate);
    v.addSubview(myListVideos_);
    auto band = std::make_shared<ui::ImageView>(
        ui::imageNamed(medias::texts::kTitleBand).colorizeWithColor(appDelegate.tintColor()));
    band->setFrame(kTitleBand);
    v.addSubview(band);
    auto tabBackground = std::make_shared<ui::View>(kTabBackground);
    tabBackground->setBackgroundColor(ui::Color::white());
    v.addSubview(tabBackground);
    myMenuText_ = std::make_shared<ui::Button>(kTab);
    myMenuText_->setImage(ui::imageNamed(medias::texts::kVideosTab.in(isFrench())));
    v.addSubview(myMenuText_);
}

void MediasViewController::loadVideoView() {
    view();
    myListVideos_->loadList();
    VideoView* list = myListVideos_.get();
    ui::View::animate(kSlideSeconds, [list] {
        ui::Rect f = list->frame();
        list->setFrame({0, f.y(), f.width(), f.height()});
    });
}

void MediasViewController::launchVideos() {
    if (!myListVideos_) return;
    const std::string link = myListVideos_->currentLinkForReading();
    if (link.empty()) return;
    appDelegate.sendEventWithID(appDelegate.configInteger("id_event_medias_video"), link);
    appDelegate.window().services().openURL(link);
}

void MediasViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    myMenuText_->setImage(ui::imageNamed(medias::texts::kVideosTab.in(isFrench())));
    myListVideos_->toggleLanguage();
}

} // namespace zephrun
