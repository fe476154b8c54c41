// The desktop's location sources: the system's (the GeoClue location service over D-Bus where
// the desktop offers it, else a configured position, else nothing so that the manager answers
// "location unknown") and the scripted one used by tests and scripted runs.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/location/location_manager.h"

namespace zplatform {

// "LAT,LON" (degrees, blanks allowed around the numbers) as a position with an accuracy of
// kConfiguredAccuracy metres; none when malformed or out of range.
std::optional<Location> parseLocation(std::string_view text);

// Reads ZEPHRUN_LOCATION; none when unset or malformed (a malformed value is logged).
std::optional<Location> environmentLocation();

class GeoClueSession;

class SystemLocationSource : public LocationSource {
  public:
    static constexpr double kConfiguredAccuracy = 100;

    struct Options {
        bool useGeoClue = true;
        // The position used when the location service gives none; when unset,
        // environmentLocation().
        std::optional<Location> configured;
    };

    SystemLocationSource() : SystemLocationSource(Options{}) {}
    explicit SystemLocationSource(Options options);
    ~SystemLocationSource() override;

    // True when this build can ask GeoClue.
    static bool geoClueBuiltIn();

    void start(AnswerFn answer) override;
    void stop() override;

  private:
    std::optional<Location> fallback() const;

    Options options_;
    std::shared_ptr<GeoClueSession> session_;
};

// Answers every start with what was scripted last: a position, or nothing (the manager's
// time-out then reports "location unknown"). Thread-safe.
class ScriptedLocationSource : public LocationSource {
  public:
    void answerLocation(double latitude, double longitude, double accuracy = 10);
    void answerNone();
    // The arguments of a script line "location LAT LON" or "location none"; false when they
    // are neither (nothing changes then).
    bool script(std::string_view arguments);

    void start(AnswerFn answer) override;
    void stop() override {}

  private:
    mutable std::mutex mutex_;
    std::optional<Location> next_;
};

} // namespace zplatform
