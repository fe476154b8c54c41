// Where the tour map plugs into the hub: return the TourTrackerView here once it exists.
#include "app/community/tour_tracker_panel.h"

namespace zephrun {

std::unique_ptr<TourTrackerPanel> makeTourTrackerView(ZephrunAppDelegate&, const ui::Rect&) {
    return nullptr;
}

} // namespace zephrun
