// Private: expat set up for untrusted replies, delivering element and text events.
#pragma once

#include <functional>
#include <string_view>

namespace kt::detail {

struct XmlEvents {
    // Attributes as expat gives them: name, value, ..., nullptr.
    std::function<void(const char* name, const char** attributes)> startElement;
    std::function<void(const char* name)> endElement;
    // Character data outside CDATA sections.
    std::function<void(std::string_view text)> characters;
};

// Parses the whole document; events are delivered up to the first fault. Returns whether the
// document is well-formed (and refers to no external entity).
bool parseXml(std::string_view data, const XmlEvents& events);

} // namespace kt::detail
