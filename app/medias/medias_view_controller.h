// MediasViewController: the medias section's screen. Until the section's screen is built, a plain page with
// the section's name between the shell's bars.
#pragma once

#include "app/shell/section_controller.h"

namespace zephrun {

class MediasViewController : public SectionController {
  public:
    explicit MediasViewController(ZephrunAppDelegate& appDelegate) : SectionController(appDelegate) {}
    std::string_view sectionName() const override { return "medias"; }
    void toggleLanguage() override;

    void loadVideoView() {}
    // The answer "Oui" / "Yes" to the leave-the-application question.
    void launchVideos() {}

  protected:
    void viewDidLoad() override;
};

} // namespace zephrun
