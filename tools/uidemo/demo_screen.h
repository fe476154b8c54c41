// The widget demo: one screen that puts every widget of the view toolkit on show, on four pages
// of a paging scroll view under a header with a frame animation and a spinner.
//
// Page 1: labels (one turned a quarter), image views, buttons that open an alert and an action
// sheet, an animation. Page 2: a grouped table of 20 rows. Page 3: text field, text view and
// picker. Page 4: map with pins, web view and volume.
//
// Threads: interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/label.h"
#include "platform/ui/page_control.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/window.h"

namespace uidemo {

// Tags of the views that scripts and checks look for.
enum DemoTag : int {
    kTagRotatedLabel = 101,
    kTagStatus = 102,
    kTagAlertButton = 103,
    kTagSheetButton = 104,
    kTagAnimateButton = 105,
    kTagAnimatedBox = 106,
    kTagFrameAnimation = 107,
    kTagTable = 110,
    kTagTextField = 120,
    kTagTextView = 121,
    kTagPicker = 122,
    kTagMap = 130,
    kTagWebView = 131,
    kTagVolume = 132,
};

class DemoScreen {
  public:
    static constexpr int kPages = 4;
    static constexpr float kPageTop = 44;
    static constexpr float kPageHeight = 392;

    explicit DemoScreen(ui::Window& window);
    ~DemoScreen();
    DemoScreen(const DemoScreen&) = delete;
    DemoScreen& operator=(const DemoScreen&) = delete;

    // Scrolls to page 0 .. kPages - 1 (clamped).
    void showPage(int page, bool animated = false);
    int currentPage() const;
    // One line at the bottom of the screen telling what the last action did.
    void setStatus(const std::string& text);
    std::string status() const;

    ui::Window& window() { return window_; }

    // Keeps a delegate or data source alive as long as the screen (widgets do not own them).
    template <class T> T* keep(std::shared_ptr<T> object) {
        T* raw = object.get();
        kept_.push_back(std::move(object));
        return raw;
    }

  private:
    class PageDelegate;
    void syncPageControl();

    ui::Window& window_;
    std::shared_ptr<ui::ScrollView> pages_;
    std::shared_ptr<ui::PageControl> pageControl_;
    std::shared_ptr<ui::Label> status_;
    std::unique_ptr<PageDelegate> pageDelegate_;
    std::vector<std::shared_ptr<void>> kept_;
};

// Builders of the pages, each a 320 x kPageHeight view.
std::shared_ptr<ui::View> makeBasicsPage(DemoScreen& screen);
std::shared_ptr<ui::View> makeTablePage(DemoScreen& screen);
std::shared_ptr<ui::View> makeInputPage(DemoScreen& screen);
std::shared_ptr<ui::View> makeServicesPage(DemoScreen& screen);

// The demo's colours.
ui::Color tintColor();
ui::Color pageColor();

} // namespace uidemo
