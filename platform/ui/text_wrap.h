// Word wrapping of multi-line text with the toolkit's font metrics (text views, alerts,
// action sheets).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/font.h"

namespace ui {

// Breaks UTF-8 text into lines no wider than `maxWidth`: at line feeds, then between words
// (the blanks at a break are dropped), and inside a word only when the word alone is wider
// than a line. An empty text gives one empty line; a text ending with a line feed ends with an
// empty line (where the caret goes).
std::vector<std::string> wrapText(const FontMetrics& metrics, const Font& font,
                                  std::string_view utf8, float maxWidth);

} // namespace ui
