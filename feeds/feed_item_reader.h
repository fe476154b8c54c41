// The reader of the paged feeds' documents: one list element carrying the paging attributes,
// item elements, and text child elements whose text is gathered and handed to the record.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/xml_reader.h"
#include "feeds/feed_exchange.h"
#include "feeds/paged_feed.h"

namespace zephrun {

template <class Record> struct ItemDocument {
    std::string_view listElement; // "news": its "total", "page", "nbpage" set the paging fields
    std::string_view itemElement; // "new": starts a record, appended to the list at its end
    std::vector<std::string_view> textElements; // "title", …: their text is gathered
    // At the start of an item: reads its attributes (may be null).
    void (*readAttributes)(Record& record, const char** attributes) = nullptr;
    // At the end of a text element while an item is open: stores its text.
    void (*setText)(Record& record, std::string_view element, std::string&& text) = nullptr;
};

// Reads `document` into `content` (extending content.list when it holds one). Every event before
// the reader's first fault counts, so unclosed or concatenated documents read up to that fault.
// True when the list element was met.
template <class Record>
bool readItemDocument(std::string_view document, const ItemDocument<Record>& format,
                      FeedContent<Record>& content) {
    bool sawList = false;
    std::shared_ptr<Record> current;
    std::optional<std::string> buffer; // `currentElementValue`
    auto isText = [&format](std::string_view name) {
        for (auto e : format.textElements)
            if (e == name) return true;
        return false;
    };
    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char** attributes) {
        std::string_view n(name);
        if (n == format.listElement) {
            sawList = true;
            content.nbItems = intAttribute(attributes, "total");
            content.currentPage = intAttribute(attributes, "page");
            content.nbPages = intAttribute(attributes, "nbpage");
        } else if (n == format.itemElement) {
            current = std::make_shared<Record>();
            if (format.readAttributes) format.readAttributes(*current, attributes);
        } else if (isText(n)) {
            buffer.emplace();
        }
    };
    events.characters = [&](std::string_view text) {
        if (buffer) buffer->append(text);
    };
    events.endElement = [&](const char* name) {
        std::string_view n(name);
        if (n == format.itemElement) {
            if (!current) return;
            if (!content.list) content.list.emplace();
            content.list->push_back(std::move(current));
            current.reset();
        } else if (isText(n)) {
            if (current && buffer && format.setText)
                format.setText(*current, n, std::move(*buffer));
            buffer.reset();
        }
    };
    kt::parseXml(document, events);
    return sawList;
}

} // namespace zephrun
