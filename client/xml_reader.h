// The client's XML reading interface: documents from the server (replies, feeds, caches) read
// as element and text events by a parser set up for untrusted input (no external entities, no
// entity expansion attacks). The readers of the client and the feed models all read through it.
#pragma once

#include <functional>
#include <string_view>

namespace kt {

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

} // namespace kt
