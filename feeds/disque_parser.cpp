// DisqueParser: tracks of a release from its track-list document.
#include "feeds/disque_parser.h"

#include "client/xml_reader.h"
#include "feeds/feed_exchange.h"

#include <cstring>

namespace zephrun {

std::string cleanTrackValue(std::string_view text) {
    std::string s = cleanText(text);
    // Only a whole "null" means no value: titles such as "nulle part" keep their text.
    size_t a = s.find_first_not_of(' ');
    size_t b = s.find_last_not_of(' ');
    if (a != std::string::npos && s.compare(a, b - a + 1, "null") == 0) return {};
    return s;
}

bool DisqueParser::loadDisque(const std::optional<std::string>& bytes,
                              std::vector<TrackDescription>& list) {
    if (!bytes) return false;
    std::optional<TrackDescription> current;
    std::optional<std::string> buffer;
    static constexpr const char* kFields[] = {"titre",   "name",   "duree",
                                              "extrait", "iTunes", "artiste"};
    auto isField = [](const char* name) {
        for (const char* f : kFields)
            if (std::strcmp(name, f) == 0) return true;
        return false;
    };

    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char**) {
        if (std::strcmp(name, "track") == 0)
            current.emplace();
        else if (isField(name))
            buffer.emplace();
    };
    events.characters = [&](std::string_view text) {
        if (buffer) buffer->append(text);
    };
    events.endElement = [&](const char* name) {
        std::string_view n = name;
        if (n == "track") {
            if (current) list.push_back(std::move(*current));
            current.reset();
        } else if (current && buffer && isField(name)) {
            std::string value = cleanTrackValue(*buffer);
            std::string& title = current->tTitle;
            if (n == "titre")
                title = title.empty() ? value : value + " - " + title;
            else if (n == "artiste")
                title = title.empty() ? value : title + " - " + value;
            else if (n == "name") {
                if (title.empty()) title = value;
            } else if (n == "duree")
                current->tDuree = replaceAll(cleanSpaces(value), "+", " ");
            else if (n == "extrait")
                current->tURLExtrait = cleanSpaces(value);
            else if (n == "iTunes")
                current->tURLiTunes = cleanSpaces(value);
        }
        if (isField(name)) buffer.reset();
    };
    kt::parseXml(*bytes, events);
    return true;
}

} // namespace zephrun
