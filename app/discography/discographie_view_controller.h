// DiscographieViewController: the discography section's screen. Until the section's screen is built, a plain page with
// the section's name between the shell's bars.
#pragma once

#include "app/shell/section_controller.h"

namespace zephrun {

class DiscographieViewController : public SectionController {
  public:
    explicit DiscographieViewController(ZephrunAppDelegate& appDelegate) : SectionController(appDelegate) {}
    std::string_view sectionName() const override { return "discography"; }
    void toggleLanguage() override;

    // The shell's calls: the kind menu on the bottom bar.
    void showBottomMenu() {}
    void hideBottomMenu() {}
    void generateBottomMenu() {}
    // The preview buttons follow the stream player (routed by the shell).
    void showPlayerStop() {}
    void showPlayerPlay() {}

  protected:
    void viewDidLoad() override;
};

} // namespace zephrun
