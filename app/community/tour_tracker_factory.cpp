// Where the tour map plugs into the hub: the panel holds the TourTrackerView for the run.
#include "app/community/community_view_controller.h"
#include "app/community/tour_tracker/tour_tracker_view.h"
#include "app/community/tour_tracker_panel.h"
#include "app/shell/zephrun_app_delegate.h"

namespace zephrun {

namespace {

class TourTrackerViewPanel final : public TourTrackerPanel {
  public:
    TourTrackerViewPanel(ZephrunAppDelegate& appDelegate, const ui::Rect& frame)
        : view_(std::make_shared<TourTrackerView>(frame, appDelegate)) {
        view_->setBackAction([&appDelegate] {
            if (CommunityViewController* hub = appDelegate.myCommunityView())
                hub->hideTourTracker();
        });
    }
    ui::View& view() override { return *view_; }
    bool isMembresRefreshed() const override { return view_->membersRefreshed(); }
    void refreshMembresAroundMe() override { view_->refreshMembresAroundMe(); }
    void toggleLanguage() override { view_->toggleLanguage(); }

  private:
    std::shared_ptr<TourTrackerView> view_;
};

} // namespace

std::unique_ptr<TourTrackerPanel> makeTourTrackerView(ZephrunAppDelegate& appDelegate,
                                                      const ui::Rect& frame) {
    return std::make_unique<TourTrackerViewPanel>(appDelegate, frame);
}

} // namespace zephrun
