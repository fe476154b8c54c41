#include "app/community/reporter_image_controller.h"

#include "app/shell/app_log.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/persisted_keys.h"
#include "platform/atomic_file.h"
#include "platform/notification_center.h"

namespace zephrun {

ReporterImageController::ReporterImageController(ZephrunAppDelegate& appDelegate,
                                                 const void* reporter)
    : appDelegate(appDelegate), reporter_(reporter) {}

ReporterImageController::~ReporterImageController() {
    if (!picker_) return;
    picker_->setDelegate(nullptr);
    picker_->dismiss();
}

bool ReporterImageController::isCameraAvailable() {
    return ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::Camera);
}

std::string ReporterImageController::storedPicturePath(ZephrunAppDelegate& appDelegate) {
    FeedDelegate& feeds = appDelegate;
    return feeds.storedString(keys::kPathImageReporter);
}

bool ReporterImageController::startCameraPickerFromViewController(
    ui::Window& window, ui::ImagePickerSourceType source) {
    if (!ui::ImagePickerController::isSourceTypeAvailable(source)) return false;
    picker_ = ui::ImagePickerController::create();
    picker_->setSourceType(source);
    picker_->setAllowsEditing(true);
    picker_->setDelegate(this);
    if (!picker_->presentInWindow(window)) {
        picker_->setDelegate(nullptr);
        picker_.reset();
        return false;
    }
    return true;
}

void ReporterImageController::imagePickerDidFinishPicking(ui::ImagePickerController& picker,
                                                          const ui::PickedImage& info) {
    const ui::Image& image = info.editedImage ? info.editedImage : info.originalImage;
    const std::string jpeg = image.jpegData(kJpegQuality);
    const std::string path = storedPicturePath(appDelegate);
    bool stored =
        !jpeg.empty() && !path.empty() && zplatform::writeFileAtomically(path, jpeg, 0600);
    if (!stored) appDelegate.log().record("reporter", "picture not stored");
    finish(picker, stored);
}

void ReporterImageController::imagePickerControllerDidCancel(ui::ImagePickerController& picker) {
    finish(picker, false);
}

void ReporterImageController::finish(ui::ImagePickerController& picker, bool picked) {
    picker.setDelegate(nullptr);
    picker.dismiss();
    zplatform::NotificationCenter::defaultCenter().postNotification(kReturnNotice, reporter_,
                                                                    picked ? kPickedText : "");
}

} // namespace zephrun
