#include "app/discography/discographie_view_controller.h"

#include "app/shell/app_log.h"
#include "app/shell/section_placeholder.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/view.h"

namespace zephrun {

namespace {
constexpr Localized kTitle{"Discographie", "Discography"};
}

void DiscographieViewController::viewDidLoad() {
    buildSectionPlaceholder(view(), kTitle, isFrench());
    appDelegate.log().record("placeholder", "discography");
}

void DiscographieViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    while (!view().subviews().empty()) view().subviews().back()->removeFromSuperview();
    buildSectionPlaceholder(view(), kTitle, isFrench());
}

} // namespace zephrun
