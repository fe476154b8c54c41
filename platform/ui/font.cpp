// The fixed-advance text metrics used where no font engine is installed.
#include "platform/ui/font.h"

namespace ui {

float FixedFontMetrics::width(const Font& font, std::string_view utf8) const {
    // One advance per code point: continuation bytes (10xxxxxx) do not start a character.
    size_t characters = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++characters;
    return static_cast<float>(characters) * font.size * 0.55f;
}

} // namespace ui
