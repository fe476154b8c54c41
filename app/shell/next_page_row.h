// The last row of a paged list (news, concerts, videos, tweets): a 50-point band in the tint
// colour that loads the next page, "Télécharger la suite : 10/45" / "See more : 10/45".
#pragma once

#include <memory>
#include <string>

#include "platform/ui/geometry.h"

namespace ui {
class Label;
class TableViewCell;
} // namespace ui

namespace zephrun {

// The band's text: items loaded, then the total the server announced.
std::string nextPageText(bool french, int loaded, int total);

// A label (0, 0, 320, 50) on the tint colour, white centred "Trebuchet MS" 14.
std::shared_ptr<ui::Label> makeNextPageLabel(const ui::Color& tint, bool french, int loaded,
                                             int total);

// The row holding the band: clear, without selection highlight, tagged `tag`.
std::shared_ptr<ui::TableViewCell> makeNextPageCell(std::shared_ptr<ui::Label> label, int tag);

} // namespace zephrun
