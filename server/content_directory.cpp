// Reading the content directory: files are read per request and checked with expat before use.
#include "server/content_directory.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <expat.h>
#include <fstream>
#include <memory>
#include <sstream>

#include "server/content_records.h"

namespace zserver {
namespace fs = std::filesystem;
namespace {

std::optional<std::string> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return ss.str();
}

// Collects the attributes of the root and the text of its direct children; refuses DTDs.
struct SmallDoc {
    std::string root;
    std::vector<std::pair<std::string, std::string>> rootAttrs;
    std::vector<std::pair<std::string, std::string>> children; // name, text
    int depth = 0;
    bool refused = false;
    XML_Parser parser = nullptr;
};

void sdStart(void* d, const XML_Char* name, const XML_Char** atts) {
    auto& sd = *static_cast<SmallDoc*>(d);
    if (++sd.depth == 1) {
        sd.root = name;
        for (; *atts; atts += 2) sd.rootAttrs.emplace_back(atts[0], atts[1]);
    } else if (sd.depth == 2) {
        sd.children.emplace_back(name, "");
    }
}
void sdEnd(void* d, const XML_Char*) {
    --static_cast<SmallDoc*>(d)->depth;
}
void sdText(void* d, const XML_Char* s, int len) {
    auto& sd = *static_cast<SmallDoc*>(d);
    if (sd.depth == 2 && !sd.children.empty())
        sd.children.back().second.append(s, static_cast<size_t>(len));
}
void sdDoctype(void* d, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto& sd = *static_cast<SmallDoc*>(d);
    sd.refused = true;
    XML_StopParser(sd.parser, XML_FALSE);
}

std::optional<SmallDoc> parseSmall(const std::string& xml) {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> p(XML_ParserCreate("UTF-8"),
                                                                   XML_ParserFree);
    if (!p) return std::nullopt;
    SmallDoc sd;
    sd.parser = p.get();
    XML_SetUserData(p.get(), &sd);
    XML_SetElementHandler(p.get(), sdStart, sdEnd);
    XML_SetCharacterDataHandler(p.get(), sdText);
    XML_SetStartDoctypeDeclHandler(p.get(), sdDoctype);
    if (xml.size() > INT32_MAX) return std::nullopt;
    if (XML_Parse(p.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK ||
        sd.refused)
        return std::nullopt;
    return sd;
}

std::string rootAttr(const SmallDoc& sd, const char* name) {
    for (auto& [k, v] : sd.rootAttrs)
        if (k == name) return v;
    return {};
}

std::optional<int> toInt(std::string_view s) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

} // namespace

std::string withServerAddress(std::string text, std::string_view baseURL) {
    static constexpr std::string_view kMark = "@SERVER@";
    for (size_t pos = 0; (pos = text.find(kMark, pos)) != std::string::npos; pos += baseURL.size())
        text.replace(pos, kMark.size(), baseURL);
    return text;
}

bool isProtocolDate(const std::string& t) {
    static constexpr char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != sizeof kShape - 1) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        bool digit = std::isdigit(static_cast<unsigned char>(t[i])) != 0;
        if (kShape[i] == 'd' ? !digit : t[i] != kShape[i]) return false;
    }
    return true;
}

bool isNewer(const std::string& candidate, const std::string& known) {
    if (!isProtocolDate(candidate)) return false;
    if (!isProtocolDate(known)) return true;
    return candidate > known;
}

std::optional<ServedConfig> ContentDirectory::config() const {
    auto text = readFile(root_ / "ZephrunConfig.xml");
    if (!text) return std::nullopt;
    auto doc = parseSmall(*text);
    if (!doc || doc->root != "config") return std::nullopt;
    // The client cuts the block textually, from "<config date" to the first "</config>".
    auto begin = text->find("<config date");
    auto end = text->find("</config>", begin == std::string::npos ? 0 : begin);
    if (begin == std::string::npos || end == std::string::npos) return std::nullopt;
    ServedConfig c;
    c.date = rootAttr(*doc, "date");
    c.block = text->substr(begin, end + std::strlen("</config>") - begin);
    return c;
}

std::optional<Notification> ContentDirectory::notification() const {
    auto text = readFile(root_ / "notification.xml");
    if (!text) return std::nullopt;
    auto doc = parseSmall(*text);
    if (!doc || doc->root != "notification") return std::nullopt;
    Notification n;
    n.date = rootAttr(*doc, "date");
    for (auto& [name, value] : doc->children) {
        if (name == "title")
            n.title = value;
        else if (name == "message")
            n.message = value;
        else if (name == "button")
            n.button = value;
    }
    // Without a title the client shows nothing; such a file configures no notification.
    if (n.title.empty() || !isProtocolDate(n.date)) return std::nullopt;
    return n;
}

std::vector<int> ContentDirectory::feedIds() const {
    std::vector<int> ids;
    std::error_code ec;
    for (auto& entry : fs::directory_iterator(root_ / "feeds", ec)) {
        if (entry.path().extension() != ".xml") continue;
        if (auto id = toInt(entry.path().stem().string())) ids.push_back(*id);
    }
    return ids;
}

std::optional<std::string> ContentDirectory::feedPage(int id, int page) const {
    if (page < 1) return std::nullopt;
    return document("feeds/" + std::to_string(id) + (page == 1 ? "" : "-" + std::to_string(page)) +
                    ".xml");
}

std::optional<std::string> ContentDirectory::document(const std::string& relative) const {
    auto text = readFile(root_ / relative);
    if (!text) return std::nullopt;
    // The document travels in a CDATA section after a declaration of the reply's own.
    if (text->find("]]>") != std::string::npos) return std::nullopt;
    size_t pos = 0;
    if (text->compare(0, 5, "<?xml") == 0) {
        pos = text->find("?>");
        if (pos == std::string::npos) return std::nullopt;
        pos += 2;
    }
    // The readers cut at "</xmlpipe>]]": nothing may stand between the document and the CDATA end.
    size_t end = text->size();
    while (pos < end && std::isspace(static_cast<unsigned char>((*text)[pos]))) ++pos;
    while (end > pos && std::isspace(static_cast<unsigned char>((*text)[end - 1]))) --end;
    return text->substr(pos, end - pos);
}

std::map<std::string, int> ContentDirectory::webRequestIds() const {
    std::map<std::string, int> ids;
    auto text = readFile(root_ / "ZephrunConfig.xml");
    if (!text) return ids;
    auto vars = readRecords(*text, {"var"});
    if (!vars) return ids;
    for (const ContentRecord& v : *vars) {
        std::string name = v.attribute("name");
        if (name.rfind("id_wr_", 0) != 0) continue;
        std::string value;
        for (char c : v.text)
            if (!std::isspace(static_cast<unsigned char>(c))) value += c;
        if (auto id = toInt(value)) ids[name] = *id;
    }
    return ids;
}

} // namespace zserver
