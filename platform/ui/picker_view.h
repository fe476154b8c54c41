// PickerView: a spinning wheel of rows (one component) with the selected row under a selection
// band; the user drags or flicks the wheel, which comes to rest on a row, or taps a row to
// bring it under the band.
//
// Rows come from the delegate as views (viewForRow) or titles. Only the rows in view are
// materialised. didSelectRow follows a user's choice once the wheel rests on a different row;
// selectRow() selects without calling it.
//
// Threads: interface thread only; the data source and the delegate are called on it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/view.h"

namespace ui {

class PickerView;

// Row count. Not owned: it must outlive the picker or be reset to null first.
class PickerViewDataSource {
  public:
    virtual ~PickerViewDataSource() = default;
    // Only the first component is shown.
    virtual int numberOfComponents(PickerView& picker) {
        (void)picker;
        return 1;
    }
    virtual int numberOfRows(PickerView& picker, int component) = 0;
};

// Row content and selection. Not owned.
class PickerViewDelegate {
  public:
    virtual ~PickerViewDelegate() = default;
    // The row as a view, placed at its frame's x (full row width when 0 wide) and centred
    // vertically in the row; null: the row shows titleForRow.
    virtual std::shared_ptr<View> viewForRow(PickerView& picker, int row, int component) {
        (void)picker;
        (void)row;
        (void)component;
        return nullptr;
    }
    virtual std::string titleForRow(PickerView& picker, int row, int component) {
        (void)picker;
        (void)row;
        (void)component;
        return {};
    }
    // Row height; none: PickerView::kDefaultRowHeight.
    virtual std::optional<float> rowHeightForComponent(PickerView& picker, int component) {
        (void)picker;
        (void)component;
        return std::nullopt;
    }
    // The user brought `row` under the selection band.
    virtual void didSelectRow(PickerView& picker, int row, int component) {
        (void)picker;
        (void)row;
        (void)component;
    }
};

class PickerView : public View {
  public:
    static constexpr float kDefaultRowHeight = 44;
    static constexpr float kSideMargin = 10;

    explicit PickerView(const Rect& frame = {0, 0, 320, 216});
    ~PickerView() override;

    std::string_view className() const override { return "PickerView"; }

    PickerViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(PickerViewDataSource* dataSource);
    PickerViewDelegate* delegate() const { return delegate_; }
    void setDelegate(PickerViewDelegate* delegate);
    bool showsSelectionIndicator() const { return showsSelectionIndicator_; }
    void setShowsSelectionIndicator(bool shows);

    // Asks the data source and the delegate again; the selection is kept within the new rows.
    void reloadAllComponents();
    int numberOfRows() const { return rows_; }
    float rowHeight() const { return rowHeight_; }
    // The selected row, -1 without rows.
    int selectedRow() const { return rows_ > 0 ? selected_ : -1; }
    // Brings the row under the band (on the window clock when animated); no didSelectRow.
    void selectRow(int row, bool animated);
    // The row under the band right now (while the wheel moves it may differ from selectedRow).
    int rowUnderIndicator() const;
    // The view shown for the row, or null when the row is out of view.
    View* viewForRow(int row) const;
    // Whether the wheel is being dragged or is still moving.
    bool isSpinning() const;

    void setFrame(const Rect& frame) override;

  private:
    class Wheel;
    friend class Wheel;
    void layoutWheel();
    void tileRows();
    float offsetForRow(int row) const;
    int rowAtOffset(float offsetY) const;
    void wheelSettled();
    void wheelTapped(float contentY);

    PickerViewDataSource* dataSource_ = nullptr;
    PickerViewDelegate* delegate_ = nullptr;
    bool showsSelectionIndicator_ = false;
    int rows_ = 0;
    float rowHeight_ = kDefaultRowHeight;
    int selected_ = 0;
    bool userMoved_ = false; // the motion in progress was started by the user
    std::shared_ptr<Wheel> wheel_;
    std::shared_ptr<View> overlay_;
    std::map<int, std::shared_ptr<View>> rowViews_;
};

} // namespace ui
