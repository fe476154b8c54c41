// SectionController: what the shell requires of every section's controller — its view, built
// on first use, and the language switch. Each section's controller derives from it.
//
// Ownership: the delegate owns the controllers (created on first use, kept for the run); a
// controller owns its view through a shared_ptr, the window retains it while it is shown.
// Threads: interface thread only.
#pragma once

#include <memory>
#include <string_view>

namespace ui {
class View;
}

namespace zephrun {

class ZephrunAppDelegate;

class SectionController {
  public:
    explicit SectionController(ZephrunAppDelegate& appDelegate) : appDelegate(appDelegate) {}
    virtual ~SectionController();
    SectionController(const SectionController&) = delete;
    SectionController& operator=(const SectionController&) = delete;

    // The controller's view: a full-screen view built by viewDidLoad() on first use.
    ui::View& view();
    std::shared_ptr<ui::View> viewHandle();
    bool isViewLoaded() const { return view_ != nullptr; }
    // Shown in the window and not hidden.
    bool isViewVisible() const;

    virtual void toggleLanguage() {}
    // The section's name in the log ("home", "news", …).
    virtual std::string_view sectionName() const = 0;

  protected:
    // Makes the (empty) view: a transparent 320 x 480 view unless a screen needs its own class.
    virtual std::shared_ptr<ui::View> loadView();
    // Builds the content of view() once it exists.
    virtual void viewDidLoad() {}
    bool isFrench() const;

    ZephrunAppDelegate& appDelegate;

  private:
    std::shared_ptr<ui::View> view_;
};

} // namespace zephrun
