// The frame of the member site's pages, shared by the pages the server writes as it answers
// (login, profile, registration, logout) and those the content generator writes beforehand
// (legal notice, news articles, store and video pages), so that the site looks like one site.
#pragma once

#include <string>
#include <string_view>

namespace zserver::site {

enum class Lang { French, English };

inline const char* code(Lang lang) {
    return lang == Lang::French ? "fr" : "en";
}
// The text of the page's language.
inline const char* pick(Lang lang, const char* french, const char* english) {
    return lang == Lang::French ? french : english;
}

// Text for element content and double-quoted attribute values.
std::string escapeHtml(std::string_view text);

// A whole HTML5 page: the head (charset, viewport, title, the stylesheet "/site/style.css"), a
// header with the site's name linking to "/site/", `body` (HTML, already escaped), and a footer
// with the link to the other language's version when `otherLanguage` is not empty.
std::string page(Lang lang, std::string_view title, std::string_view body,
                 std::string_view otherLanguage = {});

// The site's stylesheet: modest, readable on a 320-point screen and on a desktop.
std::string styleSheet();

} // namespace zserver::site
