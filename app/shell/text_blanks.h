// Text as the screens show or use it: without the line breaks and tabs the feeds carry, or with
// no blank at all (the addresses hidden in labels). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace zephrun {

// Without line feeds, carriage returns and tabs.
std::string withoutLineBreaks(std::string_view text);
// Without line feeds, carriage returns, tabs and spaces.
std::string withoutBlanks(std::string_view text);

} // namespace zephrun
