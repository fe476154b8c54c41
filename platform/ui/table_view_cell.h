// TableViewCell: one row of a table view: a content view for the row's subviews, optional
// standard labels and image, an accessory, background and selection backgrounds, and a reuse
// identifier.
//
// Subviews: [background view] [selected background view while highlighted or selected]
// [content view]; views added to the cell itself lie above them all. The table sets the frame,
// the separator and, in grouped tables, the row's place in its group.
//
// Threads: interface thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/view.h"

namespace ui {

class Label;
class ImageView;

enum class TableViewCellStyle { Default, Subtitle, Value1 };
enum class TableViewCellSelectionStyle { None, Blue, Gray };
enum class TableViewCellAccessory { None, DisclosureIndicator, Checkmark };
// Place of a row in its group (grouped tables), for the rounded corners.
enum class TableViewCellGroupPosition { None, Single, Top, Middle, Bottom };

class TableViewCell : public View {
  public:
    static constexpr float kAccessoryWidth = 30;
    static constexpr float kGroupCornerRadius = 8;
    // Duration of an animated deselection's fade.
    static constexpr double kDeselectFadeDuration = 0.3;

    explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default,
                           std::string reuseIdentifier = {});
    ~TableViewCell() override;

    std::string_view className() const override { return "TableViewCell"; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    TableViewCellStyle cellStyle() const { return style_; }

    // The view the row's content goes in; it spans the cell less the accessory and separator.
    View& contentView() { return *contentView_; }
    const std::shared_ptr<View>& contentViewPtr() const { return contentView_; }
    // Standard content, created on first use in the content view.
    Label& textLabel();
    Label& detailTextLabel();
    ImageView& imageView();
    bool hasTextLabel() const { return textLabel_ != nullptr; }

    TableViewCellAccessory accessoryType() const { return accessory_; }
    void setAccessoryType(TableViewCellAccessory accessory);
    TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { selectionStyle_ = style; }

    const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(std::shared_ptr<View> view);
    // Shown while highlighted or selected; by default a band in the selection style's colour.
    // Never shown with the None selection style.
    const std::shared_ptr<View>& selectedBackgroundView() const { return selectedBackground_; }
    void setSelectedBackgroundView(std::shared_ptr<View> view);

    bool isSelected() const { return selected_; }
    // Animated deselection fades the selected background out on the window clock.
    void setSelected(bool selected, bool animated = false);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    // True while the selected background shows (highlight, selection or a deselection fading).
    bool showsSelectionBackground() const;

    // Called by the table before a reused cell is handed out again: clears the selection and
    // highlight (subclasses reset their own content too).
    virtual void prepareForReuse();

    // Set by the table.
    void setSeparator(bool shown, const Color& color);
    bool hasSeparator() const { return separator_; }
    void setGroupPosition(TableViewCellGroupPosition position);
    TableViewCellGroupPosition groupPosition() const { return groupPosition_; }

    // The content is laid out again at once, so it matches the row before the next render.
    void setFrame(const Rect& frame) override;
    void layoutSubviews() override;
    void draw(Canvas& canvas) const override;

  private:
    void showSelectionBackground(bool shown, bool animated);
    std::shared_ptr<View> defaultSelectedBackground() const;
    Rect backgroundArea() const;

    TableViewCellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<ImageView> imageView_;
    TableViewCellAccessory accessory_ = TableViewCellAccessory::None;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Blue;
    std::shared_ptr<View> backgroundView_;
    std::shared_ptr<View> selectedBackground_;
    bool customSelectedBackground_ = false;
    bool selected_ = false;
    bool highlighted_ = false;
    int fadeGeneration_ = 0; // a newer show or fade supersedes a running fade's completion
    bool separator_ = false;
    Color separatorColor_;
    TableViewCellGroupPosition groupPosition_ = TableViewCellGroupPosition::None;
    Color groupFill_ = Color::clear();
};

} // namespace ui
