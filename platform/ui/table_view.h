// TableView: a vertical list of rows in sections on a ScrollView, plain or grouped, filled by a
// data source, with section headers, selection and reusable cells.
//
// Only the rows inside the visible area are materialised: the data source is asked for a cell
// when its row comes into view, and the cell leaves the table when its row goes out of view (a
// cell with a reuse identifier then waits in the reuse queue for
// dequeueReusableCellWithIdentifier). Prepared cells, built once and returned again for the same
// row, work as well.
//
// Threads: interface thread only; the data source and the delegate are called on it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/index_path.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/table_view_cell.h"

namespace ui {

class TableView;

// Rows and cells. Not owned by the table: it must outlive the table or be reset to null first.
class TableViewDataSource {
  public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSections(TableView& tableView) {
        (void)tableView;
        return 1;
    }
    virtual int numberOfRowsInSection(TableView& tableView, int section) = 0;
    // The cell showing the row (new, dequeued or prepared); null shows an empty row.
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView,
                                                                 const IndexPath& indexPath) = 0;
    // A title for a default section header; none: no title.
    virtual std::optional<std::string> titleForHeaderInSection(TableView& tableView, int section) {
        (void)tableView;
        (void)section;
        return std::nullopt;
    }
};

// Heights, headers and selection, besides the scroll callbacks. Not owned.
class TableViewDelegate : public ScrollViewDelegate {
  public:
    // A row's height; none: the table's rowHeight.
    virtual std::optional<float> heightForRowAtIndexPath(TableView& tableView,
                                                         const IndexPath& indexPath) {
        (void)tableView;
        (void)indexPath;
        return std::nullopt;
    }
    // A custom header view (kept by the table while its section is visible); null: the default
    // header of the section's title, if any.
    virtual std::shared_ptr<View> viewForHeaderInSection(TableView& tableView, int section) {
        (void)tableView;
        (void)section;
        return nullptr;
    }
    // A header's height; none: sectionHeaderHeight when the section has a header view or a
    // title, else no header.
    virtual std::optional<float> heightForHeaderInSection(TableView& tableView, int section) {
        (void)tableView;
        (void)section;
        return std::nullopt;
    }
    // The user tapped the row; it is selected (deselectRowAtIndexPath undoes it).
    virtual void didSelectRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
        (void)tableView;
        (void)indexPath;
    }
    // The cell is about to come into view at the row.
    virtual void willDisplayCell(TableView& tableView, TableViewCell& cell,
                                 const IndexPath& indexPath) {
        (void)tableView;
        (void)cell;
        (void)indexPath;
    }
};

enum class TableViewStyle { Plain, Grouped };
enum class TableViewSeparatorStyle { None, SingleLine };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };

class TableView : public ScrollView {
  public:
    static constexpr float kDefaultRowHeight = 44;
    // Grouped style: rows are inset from both sides and sections are spaced.
    static constexpr float kGroupInset = 10;
    static constexpr float kGroupSpacing = 10;
    // Duration of an animated deselection's fade.
    static constexpr double kDeselectDuration = TableViewCell::kDeselectFadeDuration;

    explicit TableView(const Rect& frame = {}, TableViewStyle style = TableViewStyle::Plain);
    ~TableView() override;

    std::string_view className() const override { return "TableView"; }
    TableViewStyle style() const { return style_; }

    TableViewDataSource* dataSource() const { return dataSource_; }
    // The rows load at the first layout in a window unless reloadData() comes first.
    void setDataSource(TableViewDataSource* dataSource);
    TableViewDelegate* tableDelegate() const { return tableDelegate_; }
    // Also the scroll view's delegate.
    void setDelegate(TableViewDelegate* delegate);

    // --- Appearance ---
    float rowHeight() const { return rowHeight_; }
    // Takes effect at once for rows without a delegate height.
    void setRowHeight(float height);
    float sectionHeaderHeight() const { return sectionHeaderHeight_; }
    void setSectionHeaderHeight(float height);
    TableViewSeparatorStyle separatorStyle() const { return separatorStyle_; }
    void setSeparatorStyle(TableViewSeparatorStyle style);
    Color separatorColor() const { return separatorColor_; }
    void setSeparatorColor(const Color& color);
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool allows) { allowsSelection_ = allows; }

    // --- Data ---
    // Asks the data source again for everything: counts, heights, headers and the visible
    // cells; the selection is cleared and the offset is brought back within the new content.
    void reloadData();
    int numberOfSections() const { return int(sections_.size()); }
    int numberOfRowsInSection(int section) const;
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& id);

    // --- Geometry (content coordinates) ---
    Rect rectForRowAtIndexPath(const IndexPath& indexPath) const;
    Rect rectForHeaderInSection(int section) const;
    // The row under a point in the table's content coordinates.
    std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    // The visible cell of the row, or null.
    TableViewCell* cellForRowAtIndexPath(const IndexPath& indexPath) const;
    // Visible cells in row order.
    std::vector<TableViewCell*> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    // The header view shown for the section, or null when it is not visible.
    View* headerViewForSection(int section) const;
    void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                bool animated);

    // --- Selection ---
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    // Selects without calling the delegate, scrolling the row to `position`.
    void selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                              TableViewScrollPosition position);
    // Animated: the selection fades out on the window clock in kDeselectDuration.
    void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);

    void layoutSubviews() override;
    void didMoveToWindow() override;

  protected:
    void contentAreaChanged() override;
    void contentTouchesBegan(Touch& touch, const Event& event) override;
    void contentTouchesEnded(Touch& touch, const Event& event) override;
    void contentTouchesCancelled(Touch& touch, const Event& event) override;

  private:
    struct Section {
        float top = 0;          // header top
        float headerHeight = 0; // 0: no header
        std::optional<std::string> title;
        std::vector<float> rowTops; // one more than the rows: the last is the rows' end
        float bottom = 0;           // end of the section, spacing included
    };
    void computeLayout();
    void tile();
    bool validIndexPath(const IndexPath& indexPath) const;
    float rowWidthInset() const;
    std::shared_ptr<View> makeHeader(int section);
    void placeHeader(int section, View& header) const;
    void recycle(const std::shared_ptr<TableViewCell>& cell);
    void unhighlight();

    TableViewStyle style_;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* tableDelegate_ = nullptr;
    float rowHeight_ = kDefaultRowHeight;
    float sectionHeaderHeight_;
    TableViewSeparatorStyle separatorStyle_ = TableViewSeparatorStyle::SingleLine;
    Color separatorColor_ = Color::gray(0.88f);
    bool allowsSelection_ = true;

    bool loaded_ = false;
    bool tiling_ = false;
    std::vector<Section> sections_;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
    std::map<int, std::shared_ptr<View>> headers_;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusable_;
    std::optional<IndexPath> selected_;
    std::optional<IndexPath> pressed_;
};

} // namespace ui
