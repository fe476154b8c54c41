// The WEBREQUEST exchange, reply cuts, text cleaning and cache writes shared by the feed models.
#include "feeds/feed_exchange.h"

#include "client/kt_webtools.h"
#include "feeds/feed_delegate.h"
#include "platform/atomic_file.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zephrun {

std::optional<std::string> sendFeedRequest(FeedDelegate& delegate, const FeedQuery& query) {
    kt::KT_webtools& wt = delegate.myWT();
    wt.KT_prepareWebRequest();
    wt.KT_addAction("WEBREQUEST", std::to_string(query.webRequestId), query.paramNames,
                    query.paramValues);
    wt.KT_finishWebRequest();
    wt.KT_setTimeout(query.timeout);
    wt.KT_sendWithResponseNow();
    return wt.KT_getResponseDecrypted();
}

std::string actionMarker(std::string_view id) {
    std::string marker = "<action name=\"WEBREQUEST\" id=\"";
    marker += id;
    marker += "\" status=\"ok\" >";
    return marker;
}

std::string actionMarker(std::int32_t id) {
    return actionMarker(std::to_string(id));
}

std::string removeChars(std::string_view text, std::string_view chars) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (chars.find(c) == std::string_view::npos) out += c;
    return out;
}

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string removeAll(std::string_view text, std::string_view what) {
    return replaceAll(text, what, {});
}

std::string cleanText(std::string_view text) {
    return removeChars(text, "\n\t\r");
}
std::string cleanSpaces(std::string_view text) {
    return removeChars(text, "\n\t\r ");
}

std::optional<std::string> textBetween(std::string_view text, std::string_view start,
                                       std::string_view end) {
    size_t a = text.find(start);
    if (a == std::string_view::npos) return std::nullopt;
    std::string_view rest = text.substr(a + start.size());
    size_t b = rest.find(end);
    if (b == std::string_view::npos) return std::nullopt;
    return std::string(rest.substr(0, b));
}

namespace {
std::optional<std::string_view> afterMarker(std::string_view text, std::string_view marker) {
    size_t a = text.find(marker);
    if (a == std::string_view::npos) return std::nullopt;
    return text.substr(a + marker.size());
}
} // namespace

std::optional<std::string> cutXmlpipe(std::string_view reply, std::string_view id) {
    auto afterAction = afterMarker(reply, actionMarker(id));
    if (!afterAction) return std::nullopt;
    return textBetween(*afterAction, "<![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "</xmlpipe>]]");
}

std::optional<std::string> cutElement(std::string_view reply, std::string_view id,
                                      std::string_view open, std::string_view close) {
    auto afterAction = afterMarker(reply, actionMarker(id));
    if (!afterAction) return std::nullopt;
    auto inner = textBetween(*afterAction, open, close);
    if (!inner) return std::nullopt;
    std::string doc(open);
    doc += *inner;
    doc += close;
    return doc;
}

bool replaceCache(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    return zplatform::writeFileAtomically(path, bytes);
}

bool appendCache(const std::string& path, std::string_view text) {
    if (path.empty()) return false;
    std::string content = zplatform::readWholeFile(path).value_or("");
    content += text;
    return zplatform::writeFileAtomically(path, content);
}

std::optional<std::string> attribute(const char** attributes, std::string_view name) {
    if (!attributes) return std::nullopt;
    for (const char** a = attributes; a[0]; a += 2)
        if (name == a[0]) return std::string(a[1] ? a[1] : "");
    return std::nullopt;
}

int intAttribute(const char** attributes, std::string_view name) {
    auto value = attribute(attributes, name);
    if (!value) return 0;
    // Leading blanks, an optional sign, digits; saturates like the platform's intValue.
    errno = 0;
    long long v = std::strtoll(value->c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

float floatAttribute(const char** attributes, std::string_view name) {
    auto value = attribute(attributes, name);
    if (!value) return 0.0f;
    const char* s = value->c_str();
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') ++s;
    // Decimal only: hexadecimal, "inf" and "nan" read as 0 as they do on the phone.
    if (!(std::isdigit(static_cast<unsigned char>(*s)) || *s == '-' || *s == '+' || *s == '.'))
        return 0.0f;
    if ((s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))) return 0.0f;
    char* end = nullptr;
    float f = std::strtof(s, &end);
    if (end == s) return 0.0f;
    return f;
}

} // namespace zephrun
