// IndexPath: a row of a section of a table view, ordered by section then row.
#pragma once

#include <compare>

namespace ui {

struct IndexPath {
    int section = 0;
    int row = 0;

    static IndexPath forRow(int row, int section) { return {section, row}; }
    friend bool operator==(const IndexPath&, const IndexPath&) = default;
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

} // namespace ui
