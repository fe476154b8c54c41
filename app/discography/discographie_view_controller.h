// DiscographieViewController: the discography section — the releases of one kind at a time
// (albums, maxis/EPs, compilations) as a strip of covers that zoom as they pass the centre and
// snap to a cover, a page indicator, the track list of the centred cover with store and preview
// buttons, and the kind menu at the bottom of the window.
//
// The preview buttons follow the shell's stream player: the screen marks a row loading when it
// asks for a preview, and the shell calls showPlayerStop() when the stream plays and
// showPlayerPlay() when it ends. The playing row is remembered as (kind, disc, track), so it is
// marked again when its disc comes back on screen.
//
// Ownership: the delegate owns the controller; the controller owns its views, the kind menu on
// the window and the prepared rows. It is the delegate of its cover strip and the delegate and
// data source of its track table. Threads: interface thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/section_controller.h"
#include "feeds/discographie.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"
#include "platform/ui/table_view.h"

namespace ui {
class Button;
class ImageView;
class PageControl;
class ScrollView;
class TableViewCell;
} // namespace ui

namespace kt {
struct KT_Image;
}

namespace zephrun {

class DiscographieTrackCell;

class DiscographieViewController : public SectionController,
                                   private ui::TableViewDataSource,
                                   private ui::TableViewDelegate {
  public:
    explicit DiscographieViewController(ZephrunAppDelegate& appDelegate);
    ~DiscographieViewController() override;
    std::string_view sectionName() const override { return "discography"; }

    // --- The shell's calls ---
    // The kind menu lives on the window: brought forward and shown (built when missing), sent
    // back and hidden, rebuilt (after a language change, so that its titles follow).
    void showBottomMenu();
    void hideBottomMenu();
    void generateBottomMenu();
    // The playing row's looks: loading (by the last launched track only), playing, idle again.
    void showPlayerLoading();
    void showPlayerStop();
    void showPlayerPlay();

    // --- Kinds, covers and tracks ---
    void loadAlbumView();
    void loadMaxiView();
    void loadCompilView();
    void generateScroll();
    void generateList(int disque);
    void previewCover();
    void nextCover();
    // Starts the preview of track `index`, or stops it while it loads or plays.
    void launchEcoute(int index);
    void clickOnBuy(ui::Button& button);
    void clickOnPlayer(ui::Button& button);
    void clicOnBottomMenu(ui::Button& button);

    // --- Rules (pure) ---
    // Side of cover k's square when the strip's offset is `a` (a >= 0).
    static float coverSide(float a, int k);
    // The disc a strip released at offset `a` settles on, given the offset the zoom saw last
    // (the direction of the last move) and the number of discs.
    static int snapIndex(float a, float saveOffset, int count);
    // A kind-menu button's frame in the bar: its estimated width centred in its slot.
    static ui::Rect menuButtonFrame(int tag, const std::string& title);

    // --- State, for the shell and tests ---
    int currentTypeDisque() const { return currentTypeDisque_; }
    int currentDisque() const { return currentDisque_; }
    int currentExtraitLaunched() const { return currentExtraitLaunched_; }
    int currentTypeDisqueExtraitLaunched() const { return currentTypeDisqueExtraitLaunched_; }
    int currentDisqueExtraitLaunched() const { return currentDisqueExtraitLaunched_; }
    float saveOffset() const { return saveOffset_; }
    ui::ScrollView* coverStrip() const { return strip_.get(); }
    // Cover image k of the strip (null beyond the discs).
    ui::ImageView* cover(int k) const;
    ui::PageControl* myPageControl() const { return myPageControl_.get(); }
    ui::TableView* myTableView() const { return myTableView_.get(); }
    ui::View* myMenuBottom() const { return myMenuBottom_.get(); }
    const std::vector<std::shared_ptr<ui::Button>>& myButtonsBottom() const {
        return myButtonsBottom_;
    }
    // Prepared row `index` as a track row (null for the trailing blank row or beyond).
    DiscographieTrackCell* trackRow(int index) const;
    int rowCount() const { return static_cast<int>(currentListTitresCells_.size()); }

  protected:
    void viewDidLoad() override;

  private:
    // ScrollViewDelegate (the strip; the table's scrolls are ignored).
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
    void scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) override;
    // TableViewDataSource and TableViewDelegate.
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& path) override;

    void loadKind(int kind);
    // Settles the strip on the disc under `a` (a drag or a deceleration ended).
    void snap();
    // The centred disc changed: indicator, current disc and its track list.
    void showDisque(int disque);
    void moveStripBy(float delta);
    bool isPlayingDisque() const;
    int discCount() const;
    ui::Image coverImage(const DisqueDescription& disque);
    std::shared_ptr<ui::Button> menuButton(int tag);
    void selectMenuButton(ui::Button& button);
    ui::Color tint() const;

    std::shared_ptr<ui::PageControl> myPageControl_;
    std::shared_ptr<ui::TableView> myTableView_;
    std::vector<std::shared_ptr<ui::Button>> myButtonsBottom_;
    std::shared_ptr<ui::View> myMenuBottom_;
    std::shared_ptr<ui::ScrollView> strip_;
    std::shared_ptr<ui::Button> previousZone_;
    std::shared_ptr<ui::Button> nextZone_;
    std::vector<std::shared_ptr<ui::ImageView>> covers_;
    // Decoded covers, kept while the model holds the same pictures.
    std::vector<std::pair<std::shared_ptr<const kt::KT_Image>, ui::Image>> coverCache_;

    std::optional<Discographie::List> currentListPochettes_;
    std::optional<std::vector<TrackDescription>> currentListTitres_;
    std::vector<std::shared_ptr<ui::TableViewCell>> currentListTitresCells_;
    float saveOffset_ = 0;
    int currentTypeDisque_ = -1;
    int currentDisque_ = -1;
    int currentExtraitLaunched_ = -1;
    int currentTypeDisqueExtraitLaunched_ = -1;
    int currentDisqueExtraitLaunched_ = -1;
};

} // namespace zephrun
