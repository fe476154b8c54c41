// Parameter parsing and answer wrapping for the web request handlers.
#include "server/web_request_context.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zserver {

std::optional<std::string> param(const Action& a, const std::string& name) {
    auto it = a.params.find(name);
    if (it == a.params.end()) return std::nullopt;
    return it->second;
}

std::optional<int> pageParam(const Action& a) {
    auto v = param(a, "num_page");
    if (!v) return 1;
    int page = 0;
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), page);
    if (ec != std::errc() || end != v->data() + v->size() || v->empty()) return std::nullopt;
    return page;
}

std::optional<double> numberParam(const Action& a, const std::string& name, double min,
                                  double max) {
    auto v = param(a, name);
    if (!v || v->empty()) return std::nullopt;
    double d = 0;
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), d);
    if (ec != std::errc() || end != v->data() + v->size() || !std::isfinite(d) || d < min ||
        d > max)
        return std::nullopt;
    return d;
}

WebRequestAnswer xmlpipeAnswer(const std::string& document) {
    return {true, "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + document + "]]>"};
}

WebRequestAnswer elementAnswer(const std::string& element) {
    return {true, element};
}

std::string decimal(double v) {
    char b[48];
    std::snprintf(b, sizeof b, "%f", v);
    return b;
}

} // namespace zserver
