// Record extraction with expat.
#include "server/content_records.h"

#include <algorithm>
#include <climits>
#include <expat.h>
#include <memory>

namespace zserver {
namespace {

struct Reader {
    const std::vector<std::string>* names = nullptr;
    std::vector<ContentRecord> records;
    // Open records (index in `records`, depth of their element), innermost last.
    std::vector<std::pair<size_t, int>> open;
    int depth = 0;
    std::string childName, text;
    bool inChild = false, refused = false;
    XML_Parser parser = nullptr;
};

void onStart(void* d, const XML_Char* name, const XML_Char** atts) {
    auto& r = *static_cast<Reader*>(d);
    ++r.depth;
    if (std::find(r.names->begin(), r.names->end(), name) != r.names->end()) {
        ContentRecord rec;
        rec.element = name;
        for (; *atts; atts += 2) rec.attributes[atts[0]] = atts[1];
        r.records.push_back(std::move(rec));
        r.open.emplace_back(r.records.size() - 1, r.depth);
        r.inChild = false;
    } else if (!r.open.empty() && r.depth == r.open.back().second + 1) {
        r.childName = name;
        r.text.clear();
        r.inChild = true;
    }
}

void onEnd(void* d, const XML_Char*) {
    auto& r = *static_cast<Reader*>(d);
    if (!r.open.empty()) {
        auto [index, depth] = r.open.back();
        if (r.inChild && r.depth == depth + 1) {
            r.records[index].children[r.childName] = r.text;
            r.inChild = false;
        } else if (r.depth == depth) {
            r.open.pop_back();
        }
    }
    --r.depth;
}

void onText(void* d, const XML_Char* s, int len) {
    auto& r = *static_cast<Reader*>(d);
    if (r.inChild)
        r.text.append(s, static_cast<size_t>(len));
    else if (!r.open.empty() && r.depth == r.open.back().second)
        r.records[r.open.back().first].text.append(s, static_cast<size_t>(len));
}

void onDoctype(void* d, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto& r = *static_cast<Reader*>(d);
    r.refused = true;
    XML_StopParser(r.parser, XML_FALSE);
}

} // namespace

std::string ContentRecord::attribute(const std::string& name) const {
    auto it = attributes.find(name);
    return it == attributes.end() ? std::string() : it->second;
}

std::string ContentRecord::child(const std::string& name) const {
    auto it = children.find(name);
    return it == children.end() ? std::string() : it->second;
}

std::optional<std::vector<ContentRecord>> readRecords(std::string_view xml,
                                                      const std::vector<std::string>& elements) {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> p(XML_ParserCreate("UTF-8"),
                                                                   XML_ParserFree);
    if (!p || xml.size() > INT_MAX) return std::nullopt;
    Reader r;
    r.names = &elements;
    r.parser = p.get();
    XML_SetUserData(p.get(), &r);
    XML_SetElementHandler(p.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(p.get(), onText);
    XML_SetStartDoctypeDeclHandler(p.get(), onDoctype);
    if (XML_Parse(p.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK ||
        r.refused)
        return std::nullopt;
    return std::move(r.records);
}

} // namespace zserver
