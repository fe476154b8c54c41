// TwitterView: the community's list of the artist's tweets, each with its date, and a last row
// that loads the next page while the feed has more.
//
// Ownership: the community hub owns the view and slides it in and out; the view keeps its
// prepared rows. Threads: interface thread only (the next page is fetched synchronously behind
// the loading overlay).
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/ui/table_view.h"

namespace ui {
class Button;
class Label;
} // namespace ui

namespace zephrun {

class ZephrunAppDelegate;

class TwitterView : public ui::View,
                    private ui::TableViewDataSource,
                    private ui::TableViewDelegate {
  public:
    static constexpr int kTweetRowTag = 1;
    static constexpr int kNextPageRowTag = 2;
    static constexpr int kNextPageLabelTag = 3;
    static constexpr float kRowHeight = 80;
    static constexpr float kLineHeight = 17;

    // `initWithFrame:andDelegate:`: builds the view and its rows from the shell's Twitter feed.
    TwitterView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate);
    ~TwitterView() override;

    // Rebuilds every row from the feed.
    void loadList();
    void toggleLanguage();

    // Lines given to a tweet of `characters` characters: one per 45 started, at most 3.
    static int lineCount(std::size_t characters);
    // A text cut down to 3 lines shrinks its font to fit.
    static bool shrinksText(std::size_t characters);

    ui::TableView& myTable() { return *myTable_; }
    const std::vector<std::shared_ptr<ui::TableViewCell>>& myListCells() const {
        return myListCells_;
    }
    std::string_view className() const override { return "TwitterView"; }

  private:
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void loadNextPage();
    std::string nextPageText() const;

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::TableView> myTable_;
    std::shared_ptr<ui::Button> backButton_;
    std::vector<std::shared_ptr<ui::TableViewCell>> myListCells_;
};

} // namespace zephrun
