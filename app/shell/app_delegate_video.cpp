// The video page over the current screen.
#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/video/dailymotion_vc.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {
constexpr double kSlideSeconds = 0.5;
}

void ZephrunAppDelegate::showDailymotion(const std::string& url) {
    if (!myDaily_) {
        myDaily_ = std::make_unique<DailymotionVC>(*this);
        myDaily_->view().setFrame({0, 480, 320, 460});
        window().addSubview(myDaily_->view().shared_from_this());
        myDaily_->setTarget([this] { hideDailymotion(); });
    }
    ui::View& page = myDaily_->view();
    page.setFrame({0, 480, 320, 460});
    window().bringSubviewToFront(&page);
    log().record("video", url);
    myDaily_->loadDailymotion(url);
    ui::View::animate(kSlideSeconds, [&page] { page.setFrame({0, 0, 320, 460}); });
}

void ZephrunAppDelegate::hideDailymotion() {
    if (!myDaily_) return;
    ui::View& page = myDaily_->view();
    ui::View::animate(kSlideSeconds, [&page] { page.setFrame({0, 480, 320, 460}); });
}

} // namespace zephrun
