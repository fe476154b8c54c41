// TourTrackerPanel: what the community hub needs of the tour map (`TourTrackerView`), which
// lives in app/community/tour_tracker/. The hub creates it on the first opening through
// makeTourTrackerView(), slides its view in and out, and keeps it for the run.
//
// Ownership: the hub owns the panel; the panel owns its view (a 320 x 418 view placed by the hub
// on the hub's view). Threads: interface thread only.
#pragma once

#include <memory>

namespace ui {
class View;
struct Rect;
} // namespace ui

namespace zephrun {

class ZephrunAppDelegate;

class TourTrackerPanel {
  public:
    virtual ~TourTrackerPanel() = default;
    // The map screen, built at `frame` by the factory.
    virtual ui::View& view() = 0;
    // Whether the member feed of the map has been refreshed once (`myMembres`'s `isRefresh`).
    virtual bool isMembresRefreshed() const = 0;
    // Reloads the members around the map's centre, behind the loading overlay.
    virtual void refreshMembresAroundMe() = 0;
    virtual void toggleLanguage() = 0;
};

// Makes the tour map at `frame`; null while the application has none (the hub then opens
// nothing). Its back button calls the hub's hideTourTracker().
std::unique_ptr<TourTrackerPanel> makeTourTrackerView(ZephrunAppDelegate& appDelegate,
                                                      const ui::Rect& frame);

} // namespace zephrun
