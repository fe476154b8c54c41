// NewsViewController: the news section's screen. Until the section's screen is built, a plain page with
// the section's name between the shell's bars.
#pragma once

#include "app/shell/section_controller.h"

namespace zephrun {

class NewsViewController : public SectionController {
  public:
    explicit NewsViewController(ZephrunAppDelegate& appDelegate) : SectionController(appDelegate) {}
    std::string_view sectionName() const override { return "news"; }
    void toggleLanguage() override;

    // 1: news items, 2: concerts.
    int currentSelected() const { return currentSelected_; }
    void showActus() { currentSelected_ = 1; }
    void showLive() { currentSelected_ = 2; }
    // The answer "Oui" / "Yes" to the leave-the-application question.
    void launchLink() {}

  protected:
    void viewDidLoad() override;

  private:
    int currentSelected_ = 1;
};

} // namespace zephrun
