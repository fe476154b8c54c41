// A coming concert as an iCalendar event (RFC 5545): one VEVENT with its UID, the time stamp, the
// day, the title, the venue and address and the place, in lines folded at 75 octets with the
// texts escaped; written to a file the system's calendar opens.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/concerts_description.h"

namespace zephrun {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
};

// The concert day of a feed date: "dd/MM/yyyy" (the feeds' form) or "yyyy-MM-dd"; none when the
// text is neither or names no real day.
std::optional<CalendarDate> concertDay(std::string_view text);

// A TEXT value escaped: backslash, ";" and "," escaped, line feeds as "\n", other control
// characters dropped.
std::string icsEscape(std::string_view text);
// One content line folded: at most 75 octets a line, continuation lines starting with a blank,
// never splitting a UTF-8 character; every line ends with CRLF.
std::string icsFold(std::string_view line);

// The calendar of one concert; none when its date cannot be read. `now` is the DTSTAMP.
std::optional<std::string> concertCalendar(const ConcertsDescription& concert, std::time_t now);

// The file for a concert's calendar in `directory`: "Zephrun-<id>.ics", the id reduced to
// letters, digits, "-" and "_" so that a server's id never names another place.
std::string concertCalendarPath(const std::string& directory, const std::string& concertID);

} // namespace zephrun
