// HTML to text for the web view.
#include "platform/ui/web_page_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <utility>

namespace ui {
namespace {

constexpr std::pair<std::string_view, char32_t> kEntities[] = {
    {"amp", U'&'},     {"lt", U'<'},       {"gt", U'>'},      {"quot", U'"'},    {"apos", U'\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},     {"reg", 0xAE},     {"deg", 0xB0},     {"laquo", 0xAB},
    {"raquo", 0xBB},   {"middot", 0xB7},   {"Agrave", 0xC0},  {"Acirc", 0xC2},   {"Ccedil", 0xC7},
    {"Egrave", 0xC8},  {"Eacute", 0xC9},   {"Ecirc", 0xCA},   {"Icirc", 0xCE},   {"Ocirc", 0xD4},
    {"Ugrave", 0xD9},  {"Ucirc", 0xDB},    {"agrave", 0xE0},  {"aacute", 0xE1},  {"acirc", 0xE2},
    {"auml", 0xE4},    {"ccedil", 0xE7},   {"egrave", 0xE8},  {"eacute", 0xE9},  {"ecirc", 0xEA},
    {"euml", 0xEB},    {"iacute", 0xED},   {"icirc", 0xEE},   {"iuml", 0xEF},    {"ntilde", 0xF1},
    {"oacute", 0xF3},  {"ocirc", 0xF4},    {"ouml", 0xF6},    {"ugrave", 0xF9},  {"uacute", 0xFA},
    {"ucirc", 0xFB},   {"uuml", 0xFC},     {"szlig", 0xDF},   {"oelig", 0x153},  {"OElig", 0x152},
    {"ndash", 0x2013}, {"mdash", 0x2014},  {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"hellip", 0x2026}, {"euro", 0x20AC},  {"trade", 0x2122}, {"bull", 0x2022},
    {"times", 0xD7},
};

void appendUtf8(std::string& out, char32_t c) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The reference starting at text[i] == '&': its length and code point, or 0 when none.
size_t parseReference(std::string_view text, size_t i, char32_t& code) {
    size_t semi = text.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 12 || semi == i + 1) return 0;
    std::string_view name = text.substr(i + 1, semi - i - 1);
    if (name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) return 0;
        std::uint32_t value = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return 0;
            value = value * (hex ? 16 : 10) + d;
        }
        code = value;
        return semi - i + 1;
    }
    for (const auto& [entity, c] : kEntities) {
        if (entity == name) {
            code = c;
            return semi - i + 1;
        }
    }
    return 0;
}

bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isBlockTag(std::string_view name) {
    static constexpr std::string_view kBlocks[] = {
        "p",  "div",   "h1", "h2",      "h3",      "h4",     "h5",     "h6",         "ul",   "ol",
        "li", "table", "tr", "section", "article", "header", "footer", "blockquote", "pre",  "hr",
        "dl", "dt",    "dd", "nav",     "form",    "body",   "main",   "figure",     "aside"};
    return std::find(std::begin(kBlocks), std::end(kBlocks), name) != std::end(kBlocks);
}

// Position after the end of the element whose raw content starts at `from` ("</name" closes it),
// or the end of the text.
size_t skipRawElement(std::string_view html, size_t from, std::string_view name) {
    std::string close = "</" + std::string(name);
    for (size_t i = from; i + close.size() <= html.size(); ++i) {
        if (html[i] != '<') continue;
        if (lower(html.substr(i, close.size())) == close) {
            size_t end = html.find('>', i);
            return end == std::string_view::npos ? html.size() : end + 1;
        }
    }
    return html.size();
}

class TextBuilder {
  public:
    void text(std::string_view raw) {
        std::string decoded = decodeHtmlEntities(raw);
        for (char c : decoded) {
            if (isSpace(c)) {
                pendingSpace_ = true;
                continue;
            }
            if (pendingSpace_ && !line_.empty()) line_ += ' ';
            pendingSpace_ = false;
            line_ += c;
        }
    }
    void lineBreak() {
        lines_.push_back(line_);
        line_.clear();
        pendingSpace_ = false;
    }
    void paragraphBreak() {
        if (!line_.empty()) lineBreak();
        line_.clear();
        pendingSpace_ = false;
        if (!lines_.empty() && !lines_.back().empty()) lines_.emplace_back();
    }
    std::vector<std::string> finish() {
        if (!line_.empty()) lineBreak();
        // No blank lines first or last, never two in a row.
        std::vector<std::string> out;
        for (auto& l : lines_) {
            if (l.empty() && (out.empty() || out.back().empty())) continue;
            out.push_back(std::move(l));
        }
        while (!out.empty() && out.back().empty()) out.pop_back();
        return out;
    }

  private:
    std::vector<std::string> lines_;
    std::string line_;
    bool pendingSpace_ = false;
};

std::string collapseSpaces(std::string_view raw) {
    TextBuilder b;
    b.text(raw);
    auto lines = b.finish();
    return lines.empty() ? std::string() : lines.front();
}

} // namespace

std::string WebPageText::text() const {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += '\n';
        out += lines[i];
    }
    return out;
}

std::string decodeHtmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        size_t length = text[i] == '&' ? parseReference(text, i, code) : 0;
        if (length) {
            appendUtf8(out, code);
            i += length;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

WebPageText htmlToText(std::string_view html) {
    WebPageText page;
    TextBuilder body;
    size_t i = 0;
    while (i < html.size()) {
        // '<' opens markup only before a letter, '/', '!' or '?'; otherwise it is text.
        bool markup = html[i] == '<' && i + 1 < html.size() &&
                      (std::isalpha(static_cast<unsigned char>(html[i + 1])) ||
                       html[i + 1] == '/' || html[i + 1] == '!' || html[i + 1] == '?');
        if (!markup) {
            size_t next = html.find('<', i + 1);
            if (next == std::string_view::npos) next = html.size();
            body.text(html.substr(i, next - i));
            i = next;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        // The tag's end, skipping '>' inside quoted attribute values.
        size_t j = i + 1;
        char quote = 0;
        for (; j < html.size(); ++j) {
            char c = html[j];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        std::string_view tag = html.substr(i + 1, j - i - 1);
        i = j < html.size() ? j + 1 : html.size();
        bool closing = !tag.empty() && tag[0] == '/';
        if (closing) tag.remove_prefix(1);
        size_t nameEnd = 0;
        while (nameEnd < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[nameEnd])))) {
            ++nameEnd;
        }
        std::string name = lower(tag.substr(0, nameEnd));
        if (name.empty()) continue; // <!DOCTYPE>, <?xml?>, stray '<'
        if (!closing && (name == "script" || name == "style" || name == "noscript")) {
            i = skipRawElement(html, i, name);
            continue;
        }
        if (!closing && name == "title") {
            size_t end = skipRawElement(html, i, name);
            size_t closeStart = html.rfind('<', end ? end - 1 : 0);
            if (closeStart == std::string_view::npos || closeStart < i) closeStart = end;
            page.title = collapseSpaces(html.substr(i, closeStart - i));
            i = end;
            continue;
        }
        if (name == "br") {
            body.lineBreak();
        } else if (isBlockTag(name) || name == "td" || name == "th") {
            if (name == "td" || name == "th") {
                body.text(" ");
            } else {
                body.paragraphBreak();
            }
        }
    }
    page.lines = body.finish();
    return page;
}

} // namespace ui
