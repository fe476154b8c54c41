// MixViewController: the mix section's screen. Until the section's screen is built, a plain page with
// the section's name and its own way back (the mix section has no bars).
#pragma once

#include "app/shell/section_controller.h"

namespace zephrun {

class MixViewController : public SectionController {
  public:
    explicit MixViewController(ZephrunAppDelegate& appDelegate) : SectionController(appDelegate) {}
    std::string_view sectionName() const override { return "mix"; }
    void toggleLanguage() override;

    // Stops the mix and goes back to the home screen.
    void returnToHome();
    // The volume bar follows the music volume (0..1).
    void updateLevelVolume(float volume) { (void)volume; }

  protected:
    void viewDidLoad() override;
};

} // namespace zephrun
