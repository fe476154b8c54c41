// ShowLiveView2010: the programme of the artist's radio shows as a grouped list, one header per
// show and one row per paragraph. Loaded from the server each time it is shown until a load has
// succeeded, then kept for the run.
//
// Ownership: the community hub owns the view; the view owns its feed and its sections.
// Threads: interface thread only. The load runs from an interface timer just after the view is
// shown (so the overlay is drawn before the synchronous request).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "app/community/show_live_section_2010.h"
#include "platform/ui/table_view.h"

namespace ui {
class Button;
class UiTimer;
} // namespace ui

namespace zephrun {

class ShowLive2010;
class ZephrunAppDelegate;

class ShowLiveView2010 : public ui::View,
                         private ui::TableViewDataSource,
                         private ui::TableViewDelegate {
  public:
    static constexpr double kLoadDelay = 0.01;

    // `initWithFrame:andDelegate:`: not loaded, no sections, a new feed.
    ShowLiveView2010(const ui::Rect& frame, ZephrunAppDelegate& appDelegate);
    ~ShowLiveView2010() override;

    // Schedules one load when none has succeeded yet or there is nothing to show.
    void loadList();
    // Loads the programme and rebuilds the list.
    void timerLoadList();
    void toggleLanguage();

    bool isRefresh() const { return isRefresh_; }
    const std::vector<std::shared_ptr<ShowLiveSection2010>>& sections() const;
    ui::TableView& table() { return *slv_tv; }
    std::string_view className() const override { return "ShowLiveView2010"; }

  private:
    int numberOfSections(ui::TableView& table) override;
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    std::optional<float> heightForRowAtIndexPath(ui::TableView& table,
                                                 const ui::IndexPath& path) override;
    std::shared_ptr<ui::View> viewForHeaderInSection(ui::TableView& table, int section) override;
    std::optional<float> heightForHeaderInSection(ui::TableView& table, int section) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    ShowLiveSection2010* section(int index) const;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::TableView> slv_tv;
    std::shared_ptr<ui::Button> backButton_;
    std::optional<std::vector<std::shared_ptr<ShowLiveSection2010>>> slv_sections;
    std::unique_ptr<ShowLive2010> slv_data;
    std::shared_ptr<ui::UiTimer> loadTimer_;
    bool isRefresh_ = false;
};

} // namespace zephrun
