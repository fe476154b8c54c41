// VideoView: the medias screen's list of videos — thumbnail, title, views, rating and duration of
// each, and a last row that loads the next page. Selecting a video opens it in the video page.
//
// Threads: interface thread only. Feed pages and thumbnails are fetched synchronously while the
// list is built, behind the loading overlay for pages.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/image.h"
#include "platform/ui/table_view.h"

namespace ui {
class TableViewCell;
}

namespace zephrun {

class ZephrunAppDelegate;
struct VideosDescription;

class VideoView : public ui::View, private ui::TableViewDataSource, private ui::TableViewDelegate {
  public:
    static constexpr int kTagVideo = 1;
    static constexpr int kTagMore = 2;
    static constexpr int kTagLinkHolder = 3; // also the next-page label
    static constexpr float kRowHeight = 100;

    // `initWithFrame:andDelegate:`.
    VideoView(const ui::Rect& frame, ZephrunAppDelegate& appDelegate);
    ~VideoView() override;
    std::string_view className() const override { return "VideoView"; }

    // Rebuilds every row from the video feed.
    void loadList();
    // Relabels the next-page row in the new language.
    void toggleLanguage();

    ui::TableView& table() { return *myTable_; }
    const std::vector<std::shared_ptr<ui::TableViewCell>>& listCells() const {
        return myListCells_;
    }
    const std::string& currentLinkForReading() const { return currentLinkForReading_; }

    // "Note : 3.5 / 5": the rating as a number with one decimal ("" or text that is no number
    // reads 0).
    static std::string ratingText(bool french, std::string_view note);

  private:
    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    std::shared_ptr<ui::TableViewCell> makeVideoCell(const VideosDescription& video,
                                                     const ui::Image& picture);
    void loadNextPage();
    void openVideo(ui::TableViewCell& cell);

    ZephrunAppDelegate& appDelegate;
    std::shared_ptr<ui::TableView> myTable_;
    std::vector<std::shared_ptr<ui::TableViewCell>> myListCells_;
    std::string currentLinkForReading_;
};

} // namespace zephrun
