#include "app/mix/mix_view_controller.h"

#include "app/shell/app_log.h"
#include "app/shell/section_placeholder.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/view.h"

namespace zephrun {

namespace {
constexpr Localized kTitle{"Table de mix", "Mix table"};
}

void MixViewController::viewDidLoad() {
    buildSectionPlaceholder(view(), kTitle, isFrench(), [this] { returnToHome(); });
    appDelegate.log().record("placeholder", "mix");
}

void MixViewController::toggleLanguage() {
    if (!isViewLoaded()) return;
    while (!view().subviews().empty()) view().subviews().back()->removeFromSuperview();
    buildSectionPlaceholder(view(), kTitle, isFrench(), [this] { returnToHome(); });
}

void MixViewController::returnToHome() {
    appDelegate.audioMixStop();
    appDelegate.hideMix();
    appDelegate.showHomePage();
    appDelegate.clicOnLogo();
}

} // namespace zephrun
