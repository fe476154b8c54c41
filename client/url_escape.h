// Percent-escaping of query-string values.
#pragma once

#include <string>
#include <string_view>

namespace kt {

// Escapes the UTF-8 bytes of `text` as "%XX" (upper-case hex), keeping only the RFC 2396
// unreserved characters (letters, digits and "-_.!~*'()") as they are. Reserved characters
// (";/?:@&=+$,"), "%", "#", spaces and every non-ASCII byte are escaped.
std::string KT_urlencode(std::string_view text);

} // namespace kt
