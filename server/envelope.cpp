// Envelope parsing with expat: element handlers fill an Envelope; a DTD stops the parse.
#include "server/envelope.h"

#include <charconv>
#include <cstring>
#include <expat.h>
#include <memory>

namespace zserver {
namespace {

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

std::optional<int> toInt(std::string_view s) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

struct State {
    XML_Parser parser = nullptr;
    Envelope env;
    int depth = 0;
    std::string error;
    // The param being collected (text and CDATA both count: values travel in CDATA).
    std::string* param = nullptr;

    void fail(std::string why) {
        if (error.empty()) error = std::move(why);
        XML_StopParser(parser, XML_FALSE);
    }
};

const char* attr(const XML_Char** atts, const char* name) {
    for (; *atts; atts += 2)
        if (std::strcmp(atts[0], name) == 0) return atts[1];
    return nullptr;
}

std::string attrOr(const XML_Char** atts, const char* name) {
    const char* v = attr(atts, name);
    return v ? v : "";
}

std::optional<std::string> attrOpt(const XML_Char** atts, const char* name) {
    const char* v = attr(atts, name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

void onStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto& st = *static_cast<State*>(data);
    ++st.depth;
    std::string_view n(name);
    if (st.depth == 1) {
        if (n != "Omnivale") return st.fail("root element is not Omnivale");
        st.env.version = attrOr(atts, "v");
        return;
    }
    if (n == "id") {
        if (auto s = attrOpt(atts, "session")) st.env.session = *s;
        if (attr(atts, "application") || attr(atts, "phone")) {
            st.env.hasDevice = true;
            st.env.device.application = attrOr(atts, "application");
            st.env.device.phone = attrOr(atts, "phone");
        }
    } else if (n == "phone") {
        st.env.device.osName = attrOr(atts, "osname");
        st.env.device.osVersion = attrOr(atts, "osversion");
        st.env.device.phoneName = attrOr(atts, "phone_name");
    } else if (n == "application") {
        auto& d = st.env.device;
        d.language = attrOr(atts, "language");
        d.version = attrOr(atts, "version");
        d.lastConfig = attrOr(atts, "last_config");
        d.lastNotification = attrOr(atts, "last_notification");
        d.token = attrOpt(atts, "token");
    } else if (n == "network") {
        st.env.device.networkType = attrOr(atts, "type");
        st.env.device.networkDebit = attrOr(atts, "debit");
    } else if (n == "event") {
        Event e;
        auto id = toInt(attrOr(atts, "id"));
        if (!id) return st.fail("event without a numeric id");
        e.id = *id;
        e.date = attrOpt(atts, "date");
        e.start = attrOpt(atts, "start");
        e.stop = attrOpt(atts, "stop");
        e.cle = attrOpt(atts, "cle");
        if (const char* h = attr(atts, "hit")) {
            e.hit = toInt(h);
            if (!e.hit) return st.fail("event hit count is not a number");
        }
        if (st.env.events.size() >= kMaxEvents)
            return st.fail("more than " + std::to_string(kMaxEvents) + " events in one message");
        st.env.events.push_back(std::move(e));
    } else if (n == "action") {
        Action a;
        a.name = attrOr(atts, "name");
        if (const char* id = attr(atts, "id")) {
            a.id = toInt(id);
            if (!a.id) return st.fail("action id is not a number");
        }
        if (st.env.actions.size() >= kMaxActions)
            return st.fail("more than " + std::to_string(kMaxActions) + " actions in one message");
        st.env.actions.push_back(std::move(a));
    } else if (n == "param") {
        if (st.env.actions.empty()) return st.fail("param outside an action");
        auto& params = st.env.actions.back().params;
        if (params.size() >= kMaxParams)
            return st.fail("more than " + std::to_string(kMaxParams) + " parameters in an action");
        // A repeated name keeps the last value, as a form would.
        auto& value = params[attrOr(atts, "name")];
        value.clear();
        st.param = &value;
    }
}

void onEnd(void* data, const XML_Char* name) {
    auto& st = *static_cast<State*>(data);
    --st.depth;
    if (std::string_view(name) == "param") st.param = nullptr;
}

void onText(void* data, const XML_Char* s, int len) {
    auto& st = *static_cast<State*>(data);
    if (st.param) st.param->append(s, static_cast<size_t>(len));
}

void onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<State*>(data)->fail("document type declarations are refused");
}

void onEntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                  const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<State*>(data)->fail("entity declarations are refused");
}

} // namespace

std::optional<Envelope> parseEnvelope(std::string_view xml, std::string* error) {
    auto report = [&](std::string why) {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate("UTF-8"));
    if (!parser) return report("out of memory");
    State st;
    st.parser = parser.get();
    XML_SetUserData(parser.get(), &st);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    XML_SetStartDoctypeDeclHandler(parser.get(), onDoctype);
    XML_SetEntityDeclHandler(parser.get(), onEntityDecl);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    if (xml.size() > static_cast<size_t>(INT32_MAX)) return report("document too large");
    auto status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE);
    if (!st.error.empty()) return report(st.error);
    if (status != XML_STATUS_OK)
        return report(std::string("malformed XML: ") +
                      XML_ErrorString(XML_GetErrorCode(parser.get())));
    return std::move(st.env);
}

} // namespace zserver
