// expat with the protections an untrusted reply needs.
#include "client/xml_reader.h"

// Debian's expat is built with DTD support (and so with the billion-laughs limits), but its
// public header only declares those calls when the build macro is set.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace kt {

namespace {

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

struct State {
    const XmlEvents* events;
    int cdataDepth = 0;
};

void XMLCALL onStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* s = static_cast<State*>(user);
    if (s->events->startElement) s->events->startElement(name, atts);
}

void XMLCALL onEnd(void* user, const XML_Char* name) {
    auto* s = static_cast<State*>(user);
    if (s->events->endElement) s->events->endElement(name);
}

void XMLCALL onText(void* user, const XML_Char* text, int len) {
    auto* s = static_cast<State*>(user);
    if (s->cdataDepth == 0 && s->events->characters)
        s->events->characters(std::string_view(text, static_cast<std::size_t>(len)));
}

void XMLCALL onCdataStart(void* user) {
    ++static_cast<State*>(user)->cdataDepth;
}
void XMLCALL onCdataEnd(void* user) {
    --static_cast<State*>(user)->cdataDepth;
}

// Nothing outside the reply is ever read: a reference to an external entity is a fault.
int XMLCALL onExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*,
                             const XML_Char*) {
    return XML_STATUS_ERROR;
}

} // namespace

bool parseXml(std::string_view data, const XmlEvents& events) {
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(nullptr));
    if (!parser) return false;
    XML_Parser p = parser.get();
    State state{&events};
    XML_SetUserData(p, &state);
    XML_SetElementHandler(p, onStart, onEnd);
    XML_SetCharacterDataHandler(p, onText);
    XML_SetCdataSectionHandler(p, onCdataStart, onCdataEnd);
    XML_SetExternalEntityRefHandler(p, onExternalEntity);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
#if defined(XML_DTD) &&                                                                            \
    (XML_MAJOR_VERSION > 2 || (XML_MAJOR_VERSION == 2 && XML_MINOR_VERSION >= 4))
    // Entity expansion beyond 20 times the input (past the first 64 KiB) is an attack.
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(p, 20.0f);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(p, 64 * 1024);
#else
#error "expat 2.4 or later (billion-laughs protection) is required"
#endif
    // Feed in pieces that fit expat's int length.
    constexpr std::size_t kChunk = INT_MAX / 2;
    do {
        const std::size_t n = std::min(data.size(), kChunk);
        const bool last = n == data.size();
        if (XML_Parse(p, data.data(), static_cast<int>(n), last) != XML_STATUS_OK) return false;
        data.remove_prefix(n);
        if (last) break;
    } while (true);
    return true;
}

} // namespace kt
