#include "app/community/community_view_controller.h"

#include "app/shell/app_log.h"
#include "app/shell/section_placeholder.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/view.h"

namespace zephrun {

namespace {
constexpr Localized kTitle{"Communauté", "Community"};
}

void CommunityViewController::viewDidLoad() {
    buildSectionPlaceholder(view(), kTitle, isFrench());
    appDelegate.log().record("placeholder", "community");
}

void CommunityViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    while (!view().subviews().empty()) view().subviews().back()->removeFromSuperview();
    buildSectionPlaceholder(view(), kTitle, isFrench());
}

} // namespace zephrun
