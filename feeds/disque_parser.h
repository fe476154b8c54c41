// DisqueParser: the reader of one release's track-list document.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/disque_description.h"

namespace zephrun {

class DisqueParser {
  public:
    // `loadDisque:inList:`: appends the document's tracks to `list`; false when given no bytes.
    // A value that is the literal "null" is read as empty.
    bool loadDisque(const std::optional<std::string>& bytes, std::vector<TrackDescription>& list);
};

// The reader's cleaning of a value: line feeds, tabs and carriage returns removed; the literal
// "null" (alone, blanks around it allowed) means no value.
std::string cleanTrackValue(std::string_view text);

} // namespace zephrun
