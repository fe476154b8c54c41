// Markup removal: the patterns are collected first (lower case, then upper case, in text order),
// then every occurrence of each is removed from the whole text.
#include "feeds/markup_removal.h"

#include <vector>

#include "feeds/feed_exchange.h"

namespace zephrun {

namespace {

struct Marker {
    std::string_view start;
    std::string_view end;
};

// For every `start`, the text from it through the next `end`. A start with no end after it
// gives a pattern that does not occur, so collecting stops there.
void collect(std::string_view text, Marker m, std::vector<std::string>& patterns) {
    size_t pos = 0;
    for (;;) {
        size_t a = text.find(m.start, pos);
        if (a == std::string_view::npos) return;
        size_t e = text.find(m.end, a + m.start.size());
        if (e == std::string_view::npos) return;
        pos = e + m.end.size();
        patterns.emplace_back(text.substr(a, pos - a));
    }
}

std::string removeMarkup(std::string_view text, Marker lower, Marker upper,
                         std::initializer_list<std::string_view> closers) {
    std::vector<std::string> patterns;
    collect(text, lower, patterns);
    collect(text, upper, patterns);
    std::string out(text);
    for (const auto& p : patterns) out = removeAll(out, p);
    for (auto c : closers) out = removeAll(out, c);
    return out;
}

} // namespace

std::string stringWithoutBaliseA(std::string_view text) {
    return removeMarkup(text, {"<a", ">"}, {"<A", ">"}, {"</a>", "</A>"});
}

std::string stringWithoutBaliseImg(std::string_view text) {
    return removeMarkup(text, {"<img", ">"}, {"<IMG", ">"}, {"</IMG>", "</img>"});
}

std::string stringWithoutBaliseObject(std::string_view text) {
    return removeMarkup(text, {"<object", "</object>"}, {"<OBJECT", "</OBJECT>"}, {});
}

std::string stringWithoutBaliseScript(std::string_view text) {
    return removeMarkup(text, {"<script", "</script>"}, {"<SCRIPT", "</SCRIPT>"}, {});
}

} // namespace zephrun
