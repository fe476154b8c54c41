// CommunityViewController: the community section's screen. Until the section's screen is built, a plain page with
// the section's name between the shell's bars.
#pragma once

#include "app/shell/section_controller.h"

namespace zephrun {

class CommunityViewController : public SectionController {
  public:
    explicit CommunityViewController(ZephrunAppDelegate& appDelegate) : SectionController(appDelegate) {}
    std::string_view sectionName() const override { return "community"; }
    void toggleLanguage() override;

    // Centres the hub's map near the next concert.
    void setZephrunPosition() {}

  protected:
    void viewDidLoad() override;
};

} // namespace zephrun
