// Text and date helpers shared by every layer.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zplatform {

// The protocol date: UTC as "yyyy-MM-dd HH:mm:ss" (19 characters, 24-hour clock).
std::string protocolDate();
std::string protocolDate(std::chrono::system_clock::time_point when);
// Reads a protocol date back (exactly 19 characters, fields in range); nothing otherwise.
std::optional<std::chrono::system_clock::time_point> parseProtocolDate(std::string_view text);

// `text` without any of the characters in `characters` (the cleaning of server texts: line
// feeds, tabs, carriage returns, sometimes spaces).
std::string removingCharacters(std::string_view text, std::string_view characters);
// `text` with every occurrence of `from` (non-empty) replaced by `to`.
std::string replacingOccurrences(std::string_view text, std::string_view from, std::string_view to);
// Text with "&", "<", ">" and '"' written as XML references, for element and attribute values.
std::string escapingXml(std::string_view text);

} // namespace zplatform
