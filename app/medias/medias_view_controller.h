// MediasViewController: the medias section's screen — the artist's videos in one list (VideoView)
// under the section's title band and its one tab.
//
// The shell creates it, fetches the video feed on first opening and calls loadVideoView.
//
// Threads: interface thread only.
#pragma once

#include <memory>

#include "app/shell/section_controller.h"

namespace ui {
class Button;
}

namespace zephrun {

class VideoView;

class MediasViewController : public SectionController {
  public:
    explicit MediasViewController(ZephrunAppDelegate& appDelegate);
    ~MediasViewController() override;
    std::string_view sectionName() const override { return "medias"; }
    void toggleLanguage() override;

    // The list on screen: always 1 (videos).
    int currentSelected() const { return currentSelected_; }
    // Builds the list and slides it in place.
    void loadVideoView();
    // The second button of an alert answered while this screen is shown: counts and opens the
    // last selected video with the system.
    void launchVideos();

    VideoView* myListVideos() { return myListVideos_.get(); }

  protected:
    void viewDidLoad() override;

  private:
    int currentSelected_ = 1;
    std::shared_ptr<VideoView> myListVideos_;
    std::shared_ptr<ui::Button> myMenuText_;
};

} // namespace zephrun
