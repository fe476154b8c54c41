// Page frame and stylesheet of the member site.
#include "server/html_page.h"

#include "platform/text_date.h"

namespace zserver::site {

std::string escapeHtml(std::string_view text) {
    return zplatform::escapingXml(text);
}

std::string page(Lang lang, std::string_view title, std::string_view body,
                 std::string_view otherLanguage) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"";
    out += code(lang);
    out += "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    out += escapeHtml(title);
    out += " – Zephrun</title>\n<link rel=\"stylesheet\" href=\"/site/style.css\">\n</head>\n"
           "<body>\n<header><a class=\"brand\" href=\"/site/\">Zephrun</a></header>\n<main>\n";
    out += body;
    out += "\n</main>\n<footer>";
    if (!otherLanguage.empty()) {
        out += "<a href=\"" + escapeHtml(otherLanguage) + "\" hreflang=\"";
        out += lang == Lang::French ? "en\">English" : "fr\">Français";
        out += "</a> · ";
    }
    out += "<a href=\"/site/mentions_";
    out += code(lang);
    out += ".html\">";
    out += pick(lang, "Mentions légales", "Legal notice");
    out += "</a></footer>\n</body>\n</html>\n";
    return out;
}

std::string styleSheet() {
    return "/* The member site: one column, the artist's colours, readable on a phone. */\n"
           "body { margin: 0; font-family: \"Trebuchet MS\", \"Open Sans\", sans-serif;\n"
           "       color: #222; background: #f4f1ec; line-height: 1.45; }\n"
           "header { background: #e63e26; padding: 0.6em 1em; }\n"
           "header .brand { color: #fff; font-weight: bold; font-size: 1.3em; "
           "text-decoration: none; }\n"
           "main { max-width: 40em; margin: 0 auto; padding: 1em; }\n"
           "footer { max-width: 40em; margin: 0 auto; padding: 1em; font-size: 0.85em; }\n"
           "h1 { font-size: 1.4em; color: #c0321e; }\n"
           "a { color: #0a6fa3; }\n"
           "form p { margin: 0.5em 0; }\n"
           "label { display: block; font-weight: bold; }\n"
           "input, select { font: inherit; padding: 0.3em; width: 100%; max-width: 20em; "
           "box-sizing: border-box; }\n"
           "button { font: inherit; padding: 0.4em 1.2em; background: #e63e26; color: #fff; "
           "border: 0; border-radius: 3px; }\n"
           ".error { color: #b00020; font-weight: bold; }\n"
           "dl.profile dt { font-weight: bold; }\n"
           "dl.profile dd { margin: 0 0 0.5em 0; }\n"
           "video, img, audio { max-width: 100%; }\n"
           "article { border-top: 1px solid #ddd; padding-top: 0.5em; }\n"
           ".meta { color: #666; font-size: 0.9em; }\n";
}

} // namespace zserver::site
