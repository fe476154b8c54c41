// Decoder of HTML character references used on feed texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kt {

struct HtmlEntity {
    const char* text; // "&quot;" ... ; the no-break-space entry holds " "
    char16_t unit;
};

// The 253-entry named reference table, sorted by ascending code unit.
extern const HtmlEntity kHtmlEntities[];
extern const std::size_t kHtmlEntityCount;

// Decodes "&name;", "&#ddd;" and "&#xhh;" references of 4 to 10 characters (one pass,
// from the last "&" to the first) in UTF-8 text; anything unknown stays as it is.
std::string stringByUnescapingHTML(std::string_view text);

} // namespace kt
