// The readable text of an HTML page, as the web view shows it: title, paragraphs and line
// breaks; tags, comments, scripts and styles dropped; character references decoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct WebPageText {
    std::string title;
    // One entry per line; an empty entry separates paragraphs (never first, last or doubled).
    std::vector<std::string> lines;

    // The lines joined by line feeds.
    std::string text() const;
};

WebPageText htmlToText(std::string_view html);
// Named (the common Latin-1 and typographic ones) and numeric character references to UTF-8;
// unknown or unterminated references stay as written.
std::string decodeHtmlEntities(std::string_view text);
// ISO-8859-1 bytes to UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

} // namespace ui
