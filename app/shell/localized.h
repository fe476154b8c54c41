// A text of the interface in both languages, chosen by the language flag when it is shown.
#pragma once

#include <string>

namespace zephrun {

struct Localized {
    const char* fr;
    const char* en;
    std::string in(bool french) const { return french ? fr : en; }
};

} // namespace zephrun
