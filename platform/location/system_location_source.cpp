// The system's location source (GeoClue, then a configured position) and the scripted one.
#include "platform/location/system_location_source.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef ZEPHRUN_HAVE_GEOCLUE
#include "platform/location/geoclue_session.h"
#endif

namespace zplatform {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<double> number(std::string_view s) {
    s = trimmed(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<Location> position(std::string_view latitude, std::string_view longitude,
                                 double accuracy) {
    auto lat = number(latitude);
    auto lon = number(longitude);
    if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180) return std::nullopt;
    return Location{*lat, *lon, accuracy};
}

} // namespace

std::optional<Location> parseLocation(std::string_view text) {
    size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    return position(text.substr(0, comma), text.substr(comma + 1),
                    SystemLocationSource::kConfiguredAccuracy);
}

std::optional<Location> environmentLocation() {
    const char* value = std::getenv("ZEPHRUN_LOCATION");
    if (!value || !*value) return std::nullopt;
    auto location = parseLocation(value);
    if (!location)
        std::fprintf(stderr, "location: ZEPHRUN_LOCATION is not \"latitude,longitude\": %s\n",
                     value);
    return location;
}

// --- System source ---

SystemLocationSource::SystemLocationSource(Options options) : options_(options) {}

SystemLocationSource::~SystemLocationSource() {
    stop();
}

bool SystemLocationSource::geoClueBuiltIn() {
#ifdef ZEPHRUN_HAVE_GEOCLUE
    return true;
#else
    return false;
#endif
}

std::optional<Location> SystemLocationSource::fallback() const {
    return options_.configured ? options_.configured : environmentLocation();
}

void SystemLocationSource::start(AnswerFn answer) {
    stop();
    std::optional<Location> fallback = this->fallback();
#ifdef ZEPHRUN_HAVE_GEOCLUE
    if (options_.useGeoClue) {
        session_ = GeoClueSession::start(
            [answer](const Location& location) {
                answer({location, {}});
            },
            [answer, fallback](bool denied, const std::string& reason) {
                std::fprintf(stderr, "location: GeoClue gives no position (%s)\n", reason.c_str());
                if (fallback)
                    answer({fallback, {}});
                else if (denied)
                    answer({std::nullopt, {kCLErrorDomain, kCLErrorDenied}});
                // Otherwise silence: the manager's time-out reports the position unknown.
            });
        return;
    }
#endif
    if (fallback) answer({fallback, {}});
}

void SystemLocationSource::stop() {
#ifdef ZEPHRUN_HAVE_GEOCLUE
    if (session_) session_->cancel();
#endif
    session_.reset();
}

// --- Scripted source ---

void ScriptedLocationSource::answerLocation(double latitude, double longitude, double accuracy) {
    std::lock_guard lock(mutex_);
    next_ = Location{latitude, longitude, accuracy};
}

void ScriptedLocationSource::answerNone() {
    std::lock_guard lock(mutex_);
    next_.reset();
}

bool ScriptedLocationSource::script(std::string_view arguments) {
    arguments = trimmed(arguments);
    if (arguments == "none") {
        answerNone();
        return true;
    }
    size_t blank = arguments.find_first_of(" \t");
    if (blank == std::string_view::npos) return false;
    auto location = position(arguments.substr(0, blank), arguments.substr(blank + 1), 10);
    if (!location) return false;
    answerLocation(location->latitude, location->longitude, location->horizontalAccuracy);
    return true;
}

void ScriptedLocationSource::start(AnswerFn answer) {
    std::optional<Location> next;
    {
        std::lock_guard lock(mutex_);
        next = next_;
    }
    if (next) answer({next, {}});
}

} // namespace zplatform
