// Readers of the OPEN reply: result check, session id, notification and configuration block.
#include "client/reply_parsers.h"

#include "client/xml_reader.h"
#include "platform/text_date.h"

#include <cstring>
#include <ctime>

namespace kt {

namespace {

const char* attribute(const char** atts, const char* name) {
    for (; atts && atts[0]; atts += 2)
        if (std::strcmp(atts[0], name) == 0) return atts[1];
    return nullptr;
}

// Text gathered from the start of an element of interest to its end, including the text of
// elements nested in it; characters outside such elements are dropped.
struct TextBuffer {
    std::optional<std::string> value;
    void open() { value.emplace(); }
    void append(std::string_view s) {
        if (value) value->append(s);
    }
    std::string take() {
        std::string s = value ? std::move(*value) : std::string();
        value.reset();
        return s;
    }
};

} // namespace

KT_ParseResult::KT_ParseResult(std::string_view dataXML) {
    XmlEvents ev;
    ev.startElement = [this](const char* name, const char** atts) {
        if (std::strcmp(name, "result") != 0 && std::strcmp(name, "action") != 0) return;
        const char* status = attribute(atts, "status");
        if (status && std::strcmp(status, "error") == 0) hasError_ = true;
    };
    wellFormed_ = parseXml(dataXML, ev);
}

KT_ParseSessionID::KT_ParseSessionID(std::string_view dataXML) {
    TextBuffer buffer;
    std::optional<std::string> found;
    XmlEvents ev;
    ev.startElement = [&](const char* name, const char**) {
        if (std::strcmp(name, "sessionID") == 0) buffer.open();
    };
    ev.characters = [&](std::string_view s) { buffer.append(s); };
    ev.endElement = [&](const char* name) {
        if (std::strcmp(name, "sessionID") != 0) return;
        std::string id;
        for (const char c : buffer.take())
            if (c != '\n' && c != ' ') id += c;
        found = std::move(id); // the last element wins
    };
    if (parseXml(dataXML, ev)) sessionID_ = std::move(found);
}

KT_ParseNotification::KT_ParseNotification(std::string_view dataXML) {
    TextBuffer buffer;
    XmlEvents ev;
    auto field = [this](const char* name) -> std::optional<std::string>* {
        if (std::strcmp(name, "title") == 0) return &titleN_;
        if (std::strcmp(name, "message") == 0) return &messageM_;
        if (std::strcmp(name, "button") == 0) return &boutonN_;
        return nullptr;
    };
    ev.startElement = [&](const char* name, const char**) {
        if (std::strcmp(name, "notification") == 0) isNotification_ = true;
        if (field(name)) buffer.open();
    };
    ev.characters = [&](std::string_view s) { buffer.append(s); };
    ev.endElement = [&](const char* name) {
        if (std::strcmp(name, "notification") == 0) isNotification_ = false;
        if (auto* f = field(name)) *f = buffer.take();
    };
    // What was read before a fault still counts, as with any event-driven reader.
    parseXml(dataXML, ev);
}

bool KT_ParseNotification::showNotification(const NotificationHandlers& handlers) const {
    if (!titleN_) return false;
    if (handlers.showAlert)
        handlers.showAlert(*titleN_, messageM_.value_or(""), boutonN_.value_or(""));
    if (handlers.storeNotificationDate) handlers.storeNotificationDate(protocolDateNow());
    return true;
}

KT_ParseConfig::KT_ParseConfig(std::string_view dataXML) {
    static constexpr std::string_view kOpen = "<config date";
    static constexpr std::string_view kClose = "</config>";
    const std::size_t start = dataXML.find(kOpen);
    if (start == std::string_view::npos) return;
    const std::size_t end = dataXML.find(kClose, start + kOpen.size());
    // A reply cut before its closing tag carries no usable configuration.
    if (end == std::string_view::npos) return;
    block_ = std::string(dataXML.substr(start, end + kClose.size() - start));
}

bool KT_ParseConfig::updateConfig(const ConfigUpdateHandler& handler) const {
    if (!block_) return false;
    if (handler) handler(*block_);
    return true;
}

std::string protocolDateNow() {
    return zplatform::protocolDate();
}

} // namespace kt
