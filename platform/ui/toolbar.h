// Toolbar: a bar of bar-button items (`UIToolbar` with `UIBarButtonItem`s): system items
// (Done, Cancel, Add, Edit, Save), titled items (plain or bordered), flexible and fixed spaces,
// in the default or black style, optionally tinted.
//
// Items are laid out left to right between kEdgeMargin points of margin, kItemGap apart; the
// flexible spaces share what the other items leave. Each button item is shown by a control of
// the toolbar; tapping it runs the item's action with the item (its tag tells one from
// another). Items are shared: the toolbar keeps them while they are set.
//
// Threads: interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace ui {

enum class BarStyle { Default, Black, BlackTranslucent };
enum class BarButtonItemStyle { Plain, Bordered, Done };
enum class BarButtonSystemItem { Done, Cancel, Edit, Save, Add, FlexibleSpace, FixedSpace };

class BarButtonItem {
  public:
    using Action = std::function<void(BarButtonItem&)>;

    // `initWithBarButtonSystemItem:target:action:`; Done is drawn in the Done style.
    static std::shared_ptr<BarButtonItem> systemItem(BarButtonSystemItem item, Action action = {});
    // `initWithTitle:style:target:action:`; a plain item without action is a title.
    static std::shared_ptr<BarButtonItem>
    withTitle(std::string title, BarButtonItemStyle style = BarButtonItemStyle::Bordered,
              Action action = {});
    static std::shared_ptr<BarButtonItem> flexibleSpace();
    static std::shared_ptr<BarButtonItem> fixedSpace(float width);

    const std::string& title() const { return title_; }
    BarButtonItemStyle style() const { return style_; }
    std::optional<BarButtonSystemItem> systemItemKind() const { return system_; }
    bool isSpace() const;
    bool isFlexibleSpace() const { return system_ == BarButtonSystemItem::FlexibleSpace; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    // 0: sized to its title. For a fixed space, its width.
    float width() const { return width_; }
    void setWidth(float width) { width_ = width; }
    void setAction(Action action) { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    // Runs the action, when the item is enabled and has one.
    void trigger();

  private:
    BarButtonItem() = default;
    std::string title_;
    BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
    std::optional<BarButtonSystemItem> system_;
    int tag_ = 0;
    bool enabled_ = true;
    float width_ = 0;
    Action action_;
};

class Toolbar : public View {
  public:
    static constexpr float kDefaultHeight = 44;
    static constexpr float kEdgeMargin = 6;
    static constexpr float kItemGap = 8;
    static constexpr float kTitlePadding = 10; // on each side of a bordered item's title
    static constexpr float kButtonHeight = 30; // at most; less in a thinner bar

    explicit Toolbar(const Rect& frame = {0, 0, 320, kDefaultHeight});
    ~Toolbar() override;

    BarStyle barStyle() const { return style_; }
    void setBarStyle(BarStyle style);
    // The bar's colour instead of the style's; the buttons take a darker shade of it.
    std::optional<Color> tintColor() const { return tint_; }
    void setTintColor(std::optional<Color> tint);

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    // The view showing `item` (null for spaces and items not on this bar).
    View* viewForItem(const BarButtonItem* item) const;
    // The colours the bar and its buttons are drawn with.
    Color barColor() const;
    Color buttonColor(const BarButtonItem& item) const;

    // Items are placed at once when they or the bar's size change, not only at the next draw.
    void setFrame(const Rect& frame) override;
    void layoutSubviews() override;
    void didMoveToWindow() override { layoutSubviews(); }
    void draw(Canvas& canvas) const override;
    std::string_view className() const override { return "Toolbar"; }

  private:
    class ItemView;
    float naturalWidth(const BarButtonItem& item) const;

    BarStyle style_ = BarStyle::Default;
    std::optional<Color> tint_;
    std::vector<std::shared_ptr<BarButtonItem>> items_;
    std::vector<std::shared_ptr<ItemView>> itemViews_; // parallel to items_, null for spaces
};

} // namespace ui
