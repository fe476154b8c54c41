#include "app/community/tour_tracker/concert_calendar.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace zephrun {

namespace {

constexpr std::size_t kMaxLineOctets = 75;

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool isRealDay(const CalendarDate& d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1900 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    const int last = kDays[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
    return d.day <= last;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The venue is the title's part before " - " ("La Laiterie - Zephrun" -> "La Laiterie").
std::string venueOf(const std::string& title) {
    const auto dash = title.find(" - ");
    return dash == std::string::npos ? std::string() : title.substr(0, dash);
}

// The feed's degrees as read (floats), without the noise of their binary form: 48.5749, not
// 48.574902.
std::string degrees(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

} // namespace

std::optional<CalendarDate> concertDay(std::string_view text) {
    text = trimmed(text);
    CalendarDate d;
    bool read = false;
    if (text.size() == 10 && text[2] == '/' && text[5] == '/')
        read =
            digits(text, 0, 2, d.day) && digits(text, 3, 2, d.month) && digits(text, 6, 4, d.year);
    else if (text.size() == 10 && text[4] == '-' && text[7] == '-')
        read =
            digits(text, 0, 4, d.year) && digits(text, 5, 2, d.month) && digits(text, 8, 2, d.day);
    if (!read || !isRealDay(d)) return std::nullopt;
    return d;
}

std::string icsEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ';':
            out += "\\;";
            break;
        case ',':
            out += "\\,";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') break; // CRLF: one line feed
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) break;
            out += c;
        }
    }
    return out;
}

std::string icsFold(std::string_view line) {
    std::string out;
    std::size_t limit = kMaxLineOctets; // the first line; the next ones start with a blank
    while (line.size() > limit) {
        std::size_t cut = limit;
        // Back up to the start of a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (cut == 0) cut = limit;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kMaxLineOctets - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::optional<std::string> concertCalendar(const ConcertsDescription& concert, std::time_t now) {
    const std::optional<CalendarDate> day = concertDay(concert.cDate);
    if (!day) return std::nullopt;
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02dT%02d%02d%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    char start[32];
    std::snprintf(start, sizeof start, "%04d%02d%02d", day->year, day->month, day->day);

    std::string location = venueOf(concert.cTitle);
    if (!concert.cAdresse.empty()) location += (location.empty() ? "" : ", ") + concert.cAdresse;

    std::string ics;
    ics += icsFold("BEGIN:VCALENDAR");
    ics += icsFold("VERSION:2.0");
    ics += icsFold("PRODID:-//Zephrun//Tour Tracker//EN");
    ics += icsFold("CALSCALE:GREGORIAN");
    ics += icsFold("METHOD:PUBLISH");
    ics += icsFold("BEGIN:VEVENT");
    ics += icsFold("UID:" + icsEscape("concert-" + concert.cID + "@zephrun"));
    ics += icsFold(std::string("DTSTAMP:") + stamp);
    // A whole day: without DTEND the event lasts that day.
    ics += icsFold(std::string("DTSTART;VALUE=DATE:") + start);
    ics += icsFold("SUMMARY:" + icsEscape(concert.cTitle));
    if (!location.empty()) ics += icsFold("LOCATION:" + icsEscape(location));
    if (concert.cLatitude != 0 || concert.cLongitude != 0)
        ics += icsFold("GEO:" + degrees(concert.cLatitude) + ";" + degrees(concert.cLongitude));
    ics += icsFold("END:VEVENT");
    ics += icsFold("END:VCALENDAR");
    return ics;
}

std::string concertCalendarPath(const std::string& directory, const std::string& concertID) {
    std::string safe;
    for (char c : concertID)
        safe += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
    if (safe.empty()) safe = "concert";
    if (safe.size() > 64) safe.resize(64);
    return directory + "/Zephrun-" + safe + ".ics";
}

} // namespace zephrun
