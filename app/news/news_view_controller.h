// NewsViewController: the news section's screen. Two tabs share one table of prepared rows: the
// artist's news in the interface language (date, title, thumbnail, start of the text; a link or
// a video offers to leave the application, a long text opens a detail panel sliding in from the
// right) and the coming concerts. Both lists are paged by a last row that loads the next page.
//
// The shell creates it, fetches the feed of the tab on first opening, then calls showActus or
// showLive. Feeds and thumbnails are fetched synchronously, behind the loading overlay.
//
// Threads: interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell/section_controller.h"
#include "platform/ui/table_view.h"

namespace ui {
class Button;
class ImageView;
class TableViewCell;
} // namespace ui

namespace zephrun {

class News;

class NewsViewController : public SectionController,
                           private ui::TableViewDataSource,
                           private ui::TableViewDelegate {
  public:
    static constexpr int kTabNews = 1;
    static constexpr int kTabConcerts = 2;

    explicit NewsViewController(ZephrunAppDelegate& appDelegate);
    ~NewsViewController() override;
    std::string_view sectionName() const override { return "news"; }

    // 1: news items, 2: concerts.
    int currentSelected() const { return currentSelected_; }
    // Rebuild the rows of a tab from its feed (the news of the interface language).
    void showActus();
    void showLive();
    // The tab buttons: switch tab, fetching its feed first when it was never refreshed.
    void clicOnActus();
    void clicOnLive();
    // Rebuilds the tab on screen with the pictures and feed of the new language.
    void toggleLanguage() override;
    void showDetail(const std::string& date, const std::string& title, const std::string& texte);
    void hideDetail();
    // The answer "Oui" / "Yes" to the leave-the-application question: opens the stored link.
    void launchLink();

    // For the shell's tests and the headless runner.
    ui::TableView* tableView() { return myTableView_.get(); }
    const std::vector<std::shared_ptr<ui::TableViewCell>>& currentListCell() const {
        return currentListCell_;
    }
    ui::View* viewDetail() { return viewDetail_.get(); }
    const std::string& currentLinkForReading() const { return currentLinkForReading_; }

  protected:
    void viewDidLoad() override;

  private:
    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

    void setTabImages();
    // The tab's feed, refreshed behind the overlay when this run never did; alerts on failure.
    void refreshIfNeeded(bool refreshed, const std::function<bool()>& refresh,
                         const std::string& overlay, const std::string& error);
    void closeDetailAtOnce();
    void reload(float rowHeight);
    void askToLeave(ui::TableViewCell& cell);
    void openDetail(ui::TableViewCell& cell);
    void loadMoreNews(News& feed);
    void loadMoreLive();

    int currentSelected_ = kTabNews;
    std::shared_ptr<ui::TableView> myTableView_;
    std::vector<std::shared_ptr<ui::TableViewCell>> currentListCell_;
    std::shared_ptr<ui::ImageView> myMenuBkgLeft_;
    std::shared_ptr<ui::View> myMenuBkgRight_;
    std::shared_ptr<ui::Button> myMenuTextNews_;
    std::shared_ptr<ui::Button> myMenuTextLive_;
    std::shared_ptr<ui::View> viewDetail_;
    std::string currentLinkForReading_;
};

} // namespace zephrun
