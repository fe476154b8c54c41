// PageControl: the page indicator, a row of dots with the current page lit, centred in the
// control. A tap on the left half goes to the previous page, on the right half to the next one,
// each sending ValueChanged; a disabled control only shows.
//
// Threads: interface thread only; actions run on it.
#pragma once

#include "platform/ui/control.h"

namespace ui {

class PageControl : public Control {
  public:
    static constexpr float kDotDiameter = 7;
    static constexpr float kDotGap = 9;

    explicit PageControl(const Rect& frame = {});

    std::string_view className() const override { return "PageControl"; }

    int numberOfPages() const { return pages_; }
    // Negative counts are 0; the current page is kept within the pages.
    void setNumberOfPages(int pages);
    int currentPage() const { return current_; }
    // Clamped to 0 .. numberOfPages - 1 (0 without pages); sends no action.
    void setCurrentPage(int page);
    bool hidesForSinglePage() const { return hidesForSinglePage_; }
    void setHidesForSinglePage(bool hides);
    // Width and height the dots of `pages` pages take.
    static Size sizeForNumberOfPages(int pages);
    // The rectangle of a page's dot, in bounds coordinates.
    Rect dotRect(int page) const;

    void draw(Canvas& canvas) const override;

  protected:
    void endTracking(const Touch& touch) override;

  private:
    int pages_ = 0;
    int current_ = 0;
    bool hidesForSinglePage_ = false;
};

} // namespace ui
