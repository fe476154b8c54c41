// Text and date helpers.
#include "platform/text_date.h"

#include <cstdio>
#include <ctime>

namespace zplatform {

std::string protocolDate() {
    return protocolDate(std::chrono::system_clock::now());
}

std::string protocolDate(std::chrono::system_clock::time_point when) {
    std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(when));
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char text[64]; // room for any int, though years stay four digits
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::optional<std::chrono::system_clock::time_point> parseProtocolDate(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    auto field = [&](size_t at, size_t len, int& out) {
        out = 0;
        for (size_t i = at; i < at + len; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, s;
    if (!field(0, 4, y) || !field(5, 2, mo) || !field(8, 2, d) || !field(11, 2, h) ||
        !field(14, 2, mi) || !field(17, 2, s))
        return std::nullopt;
    using namespace std::chrono;
    year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    return sys_days(date) + hours(h) + minutes(mi) + seconds(s);
}

std::string removingCharacters(std::string_view text, std::string_view characters) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (characters.find(c) == std::string_view::npos) out += c;
    return out;
}

std::string replacingOccurrences(std::string_view text, std::string_view from,
                                 std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string escapingXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace zplatform
