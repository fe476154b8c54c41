// ReporterImageController: takes or chooses the reporter's picture with the platform's picture
// chooser and stores it, as JPEG, in the file the reporter sends. When the chooser closes it posts
// the notice "returnToIC" with the reporter as object (text "picked" when a picture was stored).
//
// The stored picture is replaced only once a new one has been written whole: cancelling the
// chooser, or a picture that cannot be encoded, leaves the previous file in place.
//
// Ownership: the reporter owns its controller; the chooser keeps itself alive while presented
// and is told to forget this controller when it goes. Threads: interface thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/image_picker.h"

namespace ui {
class Window;
}

namespace zephrun {

class ZephrunAppDelegate;

class ReporterImageController : private ui::ImagePickerControllerDelegate {
  public:
    static constexpr const char* kReturnNotice = "returnToIC";
    static constexpr const char* kPickedText = "picked";
    static constexpr float kJpegQuality = 0.7f;

    // `initWithDelegate:`; `reporter` is the object of the notices posted.
    ReporterImageController(ZephrunAppDelegate& appDelegate, const void* reporter);
    ~ReporterImageController() override;
    ReporterImageController(const ReporterImageController&) = delete;
    ReporterImageController& operator=(const ReporterImageController&) = delete;

    // Opens the chooser over `window` on `source`, with the square crop step. False (nothing
    // shown) when the source is not available, as the camera is not here.
    bool startCameraPickerFromViewController(ui::Window& window, ui::ImagePickerSourceType source);
    static bool isCameraAvailable();
    // The file the picture is stored in ("_PathImageReporter").
    static std::string storedPicturePath(ZephrunAppDelegate& appDelegate);

  private:
    void imagePickerDidFinishPicking(ui::ImagePickerController& picker,
                                     const ui::PickedImage& info) override;
    void imagePickerControllerDidCancel(ui::ImagePickerController& picker) override;
    void finish(ui::ImagePickerController& picker, bool picked);

    ZephrunAppDelegate& appDelegate;
    const void* reporter_;
    std::shared_ptr<ui::ImagePickerController> picker_;
};

} // namespace zephrun
