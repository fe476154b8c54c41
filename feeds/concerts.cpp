// Concerts: settings of the concert feeds and the reader of their documents.
#include "feeds/concerts.h"

#include "client/html_unescape.h"
#include "client/xml_reader.h"
#include "feeds/feed_exchange.h"
#include "feeds/feed_keys.h"

#include <cstring>

namespace zephrun {
namespace {

PagedFeedSettings concertsSettings(FeedDelegate& delegate, int type) {
    const std::string file = "ZephrunConcerts_" + std::to_string(type) + ".xml";
    PagedFeedSettings s;
    s.webRequestName = type == Concerts::kFuture ? "id_wr_concerts_futur" : "id_wr_concerts_past";
    s.cachePath = feedCachePath(delegate, keys::kPathConcertsFile, file);
    s.packageCopy = delegate.packageCopy(file);
    s.cut = elementCut("<concerts total", "</concerts>");
    return s;
}

} // namespace

Concerts::Concerts(FeedDelegate& appDelegate, int typeConcerts)
    : typeConcerts_(typeConcerts),
      feed_(appDelegate, concertsSettings(appDelegate, typeConcerts), &parseConcertsDocument) {
    feed_.loadInitial();
}

bool parseConcertsDocument(std::string_view document, FeedContent<ConcertsDescription>& content) {
    bool metList = false;
    std::shared_ptr<ConcertsDescription> current;
    std::optional<std::string> buffer;
    auto isField = [](std::string_view n) { return n == "titre" || n == "date" || n == "adresse"; };

    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char** attributes) {
        std::string_view n = name;
        if (n == "concerts") {
            metList = true;
            content.nbItems = intAttribute(attributes, "total");
            content.currentPage = intAttribute(attributes, "page");
            content.nbPages = intAttribute(attributes, "nbpage");
        } else if (n == "concert") {
            current = std::make_shared<ConcertsDescription>();
            current->cID = cleanSpaces(attribute(attributes, "id").value_or(""));
            current->cLatitude = floatAttribute(attributes, "latitude");
            current->cLongitude = floatAttribute(attributes, "longitude");
        } else if (isField(n)) {
            buffer.emplace();
        }
    };
    events.characters = [&](std::string_view text) {
        if (buffer) buffer->append(text);
    };
    events.endElement = [&](const char* name) {
        std::string_view n = name;
        if (isField(n)) {
            if (current && buffer) {
                if (n == "titre")
                    current->cTitle = kt::stringByUnescapingHTML(cleanText(*buffer));
                else if (n == "date")
                    current->cDate = cleanText(*buffer);
                else
                    current->cAdresse = cleanText(*buffer);
            }
            buffer.reset();
        } else if (n == "concert" && current) {
            if (!content.list) content.list.emplace();
            content.list->push_back(std::move(current));
            current.reset();
        }
    };
    kt::parseXml(document, events);
    return metList;
}

} // namespace zephrun
