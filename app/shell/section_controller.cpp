#include "app/shell/section_controller.h"

#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/view.h"

namespace zephrun {

SectionController::~SectionController() {
    if (view_) view_->removeFromSuperview();
}

ui::View& SectionController::view() { return *viewHandle(); }

std::shared_ptr<ui::View> SectionController::viewHandle() {
    if (!view_) {
        view_ = loadView();
        viewDidLoad();
    }
    return view_;
}

std::shared_ptr<ui::View> SectionController::loadView() {
    return std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
}

bool SectionController::isViewVisible() const {
    return view_ && view_->window() && !view_->isHidden();
}

bool SectionController::isFrench() const { return appDelegate.isFrench(); }

} // namespace zephrun
