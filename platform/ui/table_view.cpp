// TableView: section layout, tiling of the visible rows, headers, reuse and selection.
#include "platform/ui/table_view.h"

#include <algorithm>
#include <cassert>

#include "platform/run_loop.h"
#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace ui {

namespace {

constexpr float kPlainHeaderHeight = 22;
constexpr float kGroupedHeaderHeight = 36;

// The default header of a section title: a band in plain tables, a caption over the group in
// grouped ones.
class SectionTitleView final : public View {
  public:
    SectionTitleView(std::string title, bool grouped)
        : title_(std::move(title)), grouped_(grouped) {
        setUserInteractionEnabled(false);
        if (!grouped_) setBackgroundColor(Color::rgb255(144, 159, 170, 235));
    }
    std::string_view className() const override { return "SectionTitleView"; }
    std::string displayedText() const override { return title_; }
    void draw(Canvas& canvas) const override {
        Font font = Font::boldSystem(grouped_ ? 17 : 18);
        const FontMetrics& m = canvas.metrics();
        Rect b = bounds();
        float y = b.minY() + (b.height() - m.lineHeight(font)) / 2;
        if (grouped_)
            canvas.drawText(title_, font, Color::rgb255(76, 86, 108), {b.minX() + 20, y});
        else
            canvas.drawText(title_, font, Color::white(), {b.minX() + 12, y});
    }

  private:
    std::string title_;
    bool grouped_;
};

} // namespace

TableView::TableView(const Rect& frame, TableViewStyle style)
    : ScrollView(frame), style_(style),
      sectionHeaderHeight_(style == TableViewStyle::Plain ? kPlainHeaderHeight
                                                          : kGroupedHeaderHeight) {
    setAlwaysBounceVertical(true);
    setBackgroundColor(style == TableViewStyle::Plain ? Color::white()
                                                      : Color::rgb255(197, 204, 212));
}

TableView::~TableView() = default;

void TableView::setDataSource(TableViewDataSource* dataSource) {
    dataSource_ = dataSource;
    setNeedsLayout();
}

void TableView::setDelegate(TableViewDelegate* delegate) {
    tableDelegate_ = delegate;
    ScrollView::setDelegate(delegate);
}

void TableView::setRowHeight(float height) {
    if (height == rowHeight_) return;
    rowHeight_ = height;
    if (loaded_) {
        computeLayout();
        tile();
    }
}

void TableView::setSectionHeaderHeight(float height) {
    if (height == sectionHeaderHeight_) return;
    sectionHeaderHeight_ = height;
    if (loaded_) {
        computeLayout();
        tile();
    }
}

void TableView::setSeparatorStyle(TableViewSeparatorStyle style) {
    separatorStyle_ = style;
    for (auto& [path, cell] : visible_)
        if (cell) cell->setSeparator(style != TableViewSeparatorStyle::None, separatorColor_);
}

void TableView::setSeparatorColor(const Color& color) {
    separatorColor_ = color;
    setSeparatorStyle(separatorStyle_);
}

// --- Data -------------------------------------------------------------------------------

void TableView::reloadData() {
    assert(zplatform::RunLoop::isMainThread());
    auto keepAlive = weak_from_this().lock();
    loaded_ = true;
    unhighlight();
    selected_.reset();
    for (auto& [path, cell] : visible_) recycle(cell);
    visible_.clear();
    for (auto& [section, header] : headers_) header->removeFromSuperview();
    headers_.clear();
    computeLayout();
    // Content that shrank below the offset would leave the table showing nothing.
    if (!isDragging() && !isDecelerating()) {
        Point offset = contentOffset(), max = maximumContentOffset(), min = minimumContentOffset();
        if (offset.y > max.y || offset.y < min.y) {
            stopScrolling();
            offset.y = std::clamp(offset.y, min.y, max.y);
            setContentOffset(offset);
        }
    }
    tile();
}

void TableView::computeLayout() {
    std::vector<Section> sections;
    if (dataSource_) {
        int count = std::max(0, dataSource_->numberOfSections(*this));
        sections.resize(size_t(count));
        float y = 0;
        bool grouped = style_ == TableViewStyle::Grouped;
        for (int s = 0; s < count; ++s) {
            Section& sec = sections[size_t(s)];
            sec.top = y;
            sec.title = dataSource_->titleForHeaderInSection(*this, s);
            std::optional<float> height;
            if (tableDelegate_) height = tableDelegate_->heightForHeaderInSection(*this, s);
            if (!height) {
                bool hasView = tableDelegate_ && tableDelegate_->viewForHeaderInSection(*this, s);
                height =
                    hasView || sec.title ? sectionHeaderHeight_ : (grouped ? kGroupSpacing : 0.0f);
            }
            sec.headerHeight = std::max(0.0f, *height);
            y += sec.headerHeight;
            int rows = std::max(0, dataSource_->numberOfRowsInSection(*this, s));
            sec.rowTops.resize(size_t(rows) + 1);
            for (int r = 0; r < rows; ++r) {
                sec.rowTops[size_t(r)] = y;
                std::optional<float> h;
                if (tableDelegate_) h = tableDelegate_->heightForRowAtIndexPath(*this, {s, r});
                y += std::max(0.0f, h.value_or(rowHeight_));
            }
            sec.rowTops[size_t(rows)] = y;
            if (grouped) y += kGroupSpacing;
            sec.bottom = y;
        }
    }
    sections_ = std::move(sections);
    float height = sections_.empty() ? 0 : sections_.back().bottom;
    setContentSize({bounds().width(), height});
}

int TableView::numberOfRowsInSection(int section) const {
    if (section < 0 || section >= int(sections_.size())) return 0;
    return int(sections_[size_t(section)].rowTops.size()) - 1;
}

bool TableView::validIndexPath(const IndexPath& p) const {
    return p.row >= 0 && p.row < numberOfRowsInSection(p.section);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& id) {
    auto it = reusable_.find(id);
    if (it == reusable_.end() || it->second.empty()) return nullptr;
    auto cell = std::move(it->second.back());
    it->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

void TableView::recycle(const std::shared_ptr<TableViewCell>& cell) {
    if (!cell) return;
    cell->removeFromSuperview();
    cell->setHighlighted(false);
    if (!cell->reuseIdentifier().empty()) reusable_[cell->reuseIdentifier()].push_back(cell);
}

// --- Geometry ---------------------------------------------------------------------------

float TableView::rowWidthInset() const {
    return style_ == TableViewStyle::Grouped ? kGroupInset : 0;
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& p) const {
    if (!validIndexPath(p)) return {};
    const Section& s = sections_[size_t(p.section)];
    float top = s.rowTops[size_t(p.row)], bottom = s.rowTops[size_t(p.row) + 1];
    float inset = rowWidthInset();
    return {inset, top, bounds().width() - 2 * inset, bottom - top};
}

Rect TableView::rectForHeaderInSection(int section) const {
    if (section < 0 || section >= int(sections_.size())) return {};
    const Section& s = sections_[size_t(section)];
    return {0, s.top, bounds().width(), s.headerHeight};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) const {
    if (point.x < 0 || point.x >= bounds().width()) return std::nullopt;
    auto sec = std::upper_bound(sections_.begin(), sections_.end(), point.y,
                                [](float y, const Section& s) { return y < s.top; });
    if (sec == sections_.begin()) return std::nullopt;
    --sec;
    const auto& tops = sec->rowTops;
    if (tops.size() < 2 || point.y < tops.front() || point.y >= tops.back()) return std::nullopt;
    auto row = std::upper_bound(tops.begin(), tops.end(), point.y) - tops.begin() - 1;
    return IndexPath{int(sec - sections_.begin()), int(row)};
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (auto& [path, c] : visible_)
        if (c.get() == cell) return path;
    return std::nullopt;
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& p) const {
    auto it = visible_.find(p);
    return it == visible_.end() ? nullptr : it->second.get();
}

std::vector<TableViewCell*> TableView::visibleCells() const {
    std::vector<TableViewCell*> cells;
    for (auto& [path, cell] : visible_)
        if (cell) cells.push_back(cell.get());
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (auto& [path, cell] : visible_) paths.push_back(path);
    return paths;
}

View* TableView::headerViewForSection(int section) const {
    auto it = headers_.find(section);
    return it == headers_.end() ? nullptr : it->second.get();
}

void TableView::scrollToRowAtIndexPath(const IndexPath& p, TableViewScrollPosition position,
                                       bool animated) {
    if (!validIndexPath(p)) return;
    Rect row = rectForRowAtIndexPath(p);
    float height = bounds().height();
    Point offset = contentOffset();
    switch (position) {
    case TableViewScrollPosition::Top:
        offset.y = row.minY();
        break;
    case TableViewScrollPosition::Middle:
        offset.y = row.midY() - height / 2;
        break;
    case TableViewScrollPosition::Bottom:
        offset.y = row.maxY() - height;
        break;
    case TableViewScrollPosition::None:
        if (row.minY() < offset.y)
            offset.y = row.minY();
        else if (row.maxY() > offset.y + height)
            offset.y = row.maxY() - height;
        break;
    }
    offset.y = std::clamp(offset.y, minimumContentOffset().y, maximumContentOffset().y);
    setContentOffset(offset, animated);
}

// --- Tiling -----------------------------------------------------------------------------

void TableView::contentAreaChanged() {
    ScrollView::contentAreaChanged();
    tile();
}

void TableView::layoutSubviews() {
    ScrollView::layoutSubviews();
    tile();
}

void TableView::didMoveToWindow() {
    ScrollView::didMoveToWindow();
    if (window() && !loaded_ && dataSource_) reloadData();
}

void TableView::tile() {
    if (tiling_) return;
    if (!loaded_) {
        if (dataSource_ && window()) reloadData();
        return;
    }
    tiling_ = true;
    auto keepAlive = weak_from_this().lock();
    Rect visibleArea = bounds();
    float y0 = visibleArea.minY(), y1 = visibleArea.maxY();
    float width = visibleArea.width();
    if (std::fabs(contentSize().width - width) > 0.01f)
        setContentSize({width, contentSize().height});

    // Rows now in view.
    std::vector<IndexPath> wanted;
    std::vector<int> wantedHeaders;
    for (size_t s = 0; s < sections_.size(); ++s) {
        const Section& sec = sections_[s];
        if (sec.bottom <= y0 || sec.top >= y1) {
            // A plain table's header floats over its section while the section is in view.
            continue;
        }
        if (sec.headerHeight > 0) wantedHeaders.push_back(int(s));
        const auto& tops = sec.rowTops;
        if (tops.size() < 2) continue;
        auto first = std::upper_bound(tops.begin(), tops.end() - 1, y0) - tops.begin() - 1;
        for (auto r = std::max<std::ptrdiff_t>(first, 0); r + 1 < std::ptrdiff_t(tops.size());
             ++r) {
            if (tops[size_t(r)] >= y1) break;
            if (tops[size_t(r) + 1] <= y0 && tops[size_t(r) + 1] > tops[size_t(r)]) continue;
            wanted.push_back({int(s), int(r)});
        }
    }

    // Rows gone out of view leave first, so their cells can be reused at once.
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            if (pressed_ == it->first) pressed_.reset();
            recycle(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    bool separators = separatorStyle_ != TableViewSeparatorStyle::None;
    bool grouped = style_ == TableViewStyle::Grouped;
    for (const IndexPath& p : wanted) {
        auto it = visible_.find(p);
        if (it == visible_.end()) {
            std::shared_ptr<TableViewCell> cell;
            if (dataSource_) cell = dataSource_->cellForRowAtIndexPath(*this, p);
            if (!cell) cell = std::make_shared<TableViewCell>();
            // A prepared cell that was queued for reuse is in use again.
            if (auto q = reusable_.find(cell->reuseIdentifier()); q != reusable_.end())
                std::erase(q->second, cell);
            it = visible_.emplace(p, cell).first;
            cell->setSelected(selected_ == p);
            cell->setHighlighted(false);
            cell->setFrame(rectForRowAtIndexPath(p));
            cell->setSeparator(separators, separatorColor_);
            if (grouped) {
                int rows = numberOfRowsInSection(p.section);
                cell->setGroupPosition(rows == 1           ? TableViewCellGroupPosition::Single
                                       : p.row == 0        ? TableViewCellGroupPosition::Top
                                       : p.row == rows - 1 ? TableViewCellGroupPosition::Bottom
                                                           : TableViewCellGroupPosition::Middle);
            }
            if (tableDelegate_) tableDelegate_->willDisplayCell(*this, *cell, p);
            // Cells lie below the headers and the indicators.
            insertSubview(cell, 0);
        } else {
            it->second->setFrame(rectForRowAtIndexPath(p));
        }
    }

    // Headers.
    for (auto it = headers_.begin(); it != headers_.end();) {
        if (!std::binary_search(wantedHeaders.begin(), wantedHeaders.end(), it->first)) {
            it->second->removeFromSuperview();
            it = headers_.erase(it);
        } else {
            ++it;
        }
    }
    for (int s : wantedHeaders) {
        auto it = headers_.find(s);
        if (it == headers_.end()) {
            auto header = makeHeader(s);
            if (!header) continue;
            it = headers_.emplace(s, header).first;
            addSubview(header);
        }
        placeHeader(s, *it->second);
    }
    if (grouped) {
        // Group headers scroll with their rows; plain headers float, above the cells.
        for (auto& [s, header] : headers_) bringSubviewToFront(header.get());
    }
    for (const View* v : {horizontalScrollIndicator(), verticalScrollIndicator()})
        if (v) bringSubviewToFront(v);
    tiling_ = false;
}

std::shared_ptr<View> TableView::makeHeader(int section) {
    std::shared_ptr<View> header;
    if (tableDelegate_) header = tableDelegate_->viewForHeaderInSection(*this, section);
    if (!header && sections_[size_t(section)].title)
        header = std::make_shared<SectionTitleView>(*sections_[size_t(section)].title,
                                                    style_ == TableViewStyle::Grouped);
    return header;
}

void TableView::placeHeader(int section, View& header) const {
    const Section& s = sections_[size_t(section)];
    float y = s.top;
    if (style_ == TableViewStyle::Plain) {
        // Pinned to the top of the visible area while its rows pass under it.
        float top = contentOffset().y + contentInset().top;
        y = std::clamp(top, s.top, std::max(s.top, s.rowTops.back() - s.headerHeight));
    }
    Rect frame = header.frame();
    float width = frame.width() > 0 ? frame.width() : bounds().width();
    header.setFrame({frame.x(), y, width, s.headerHeight});
}

// --- Selection --------------------------------------------------------------------------

void TableView::selectRowAtIndexPath(const IndexPath& p, bool animated,
                                     TableViewScrollPosition position) {
    if (!validIndexPath(p)) return;
    if (selected_ && *selected_ != p)
        if (TableViewCell* old = cellForRowAtIndexPath(*selected_)) old->setSelected(false);
    selected_ = p;
    if (TableViewCell* cell = cellForRowAtIndexPath(p)) cell->setSelected(true);
    if (position != TableViewScrollPosition::None) scrollToRowAtIndexPath(p, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& p, bool animated) {
    if (selected_ == p) selected_.reset();
    if (TableViewCell* cell = cellForRowAtIndexPath(p)) cell->setSelected(false, animated);
}

void TableView::unhighlight() {
    if (!pressed_) return;
    if (TableViewCell* cell = cellForRowAtIndexPath(*pressed_)) cell->setHighlighted(false);
    pressed_.reset();
}

void TableView::contentTouchesBegan(Touch& touch, const Event& event) {
    (void)event;
    unhighlight();
    if (!allowsSelection_) return;
    auto path = indexPathForRowAtPoint(touch.locationInView(this));
    if (!path) return;
    pressed_ = path;
    if (TableViewCell* cell = cellForRowAtIndexPath(*path)) cell->setHighlighted(true);
}

void TableView::contentTouchesEnded(Touch& touch, const Event& event) {
    (void)event;
    if (!pressed_) return;
    IndexPath path = *pressed_;
    unhighlight();
    if (indexPathForRowAtPoint(touch.locationInView(this)) != path) return;
    auto keepAlive = weak_from_this().lock();
    selectRowAtIndexPath(path, false, TableViewScrollPosition::None);
    if (tableDelegate_) tableDelegate_->didSelectRowAtIndexPath(*this, path);
}

void TableView::contentTouchesCancelled(Touch& touch, const Event& event) {
    (void)touch;
    (void)event;
    unhighlight();
}

} // namespace ui
