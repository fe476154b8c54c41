// Location manager: scripted answers, silence turned into "location unknown" after the
// time-out, the configured and environment positions, the system source without GeoClue, and
// answers that come only through the interface run loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/location/location_manager.h"
#include "platform/location/system_location_source.h"
#include "platform/run_loop.h"

using namespace zplatform;

namespace {

constexpr double kGenerous = 10.0;

struct Recorder : LocationManagerDelegate {
    std::vector<Location> locations;
    std::vector<LocationError> errors;
    void didUpdateToLocation(LocationManager&, const Location& l) override {
        locations.push_back(l);
    }
    void didFailWithError(LocationManager&, const LocationError& e) override {
        errors.push_back(e);
    }
    size_t answers() const { return locations.size() + errors.size(); }
};

// Waits on the interface loop (outermost, as the application's own runs are) for `n` answers.
bool waitForAnswers(const Recorder& r, size_t n, double seconds = kGenerous) {
    return RunLoop::main().runUntil([&] { return r.answers() >= n; }, seconds);
}

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(LocationManager, ScriptedPositionAnswersEachStartAndNoneFailsAfterTheTimeout) {
    auto script = std::make_shared<ScriptedLocationSource>();
    ASSERT_TRUE(script->script("48.8566 2.3522"));
    LocationManager manager(script);
    manager.setTimeout(0.2);
    Recorder r;
    manager.setDelegate(&r);

    manager.startUpdatingLocation();
    EXPECT_EQ(r.answers(), 0u); // never from inside the start
    ASSERT_TRUE(waitForAnswers(r, 1));
    EXPECT_NEAR(r.locations[0].latitude, 48.8566, 1e-9);
    EXPECT_NEAR(r.locations[0].longitude, 2.3522, 1e-9);
    EXPECT_GE(r.locations[0].horizontalAccuracy, 0);
    // The time-out does not add a failure after an answer.
    RunLoop::main().runFor(0.3);
    EXPECT_EQ(r.answers(), 1u);

    // A start of a manager already updating answers again.
    manager.startUpdatingLocation();
    ASSERT_TRUE(waitForAnswers(r, 2));
    EXPECT_EQ(r.locations.size(), 2u);

    ASSERT_TRUE(script->script("none"));
    manager.startUpdatingLocation();
    RunLoop::main().runFor(0.1);
    EXPECT_EQ(r.answers(), 2u); // still looking
    ASSERT_TRUE(waitForAnswers(r, 3));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].domain, kCLErrorDomain);
    EXPECT_EQ(r.errors[0].code, kCLErrorLocationUnknown);
    EXPECT_EQ(manager.location()->latitude, r.locations[1].latitude); // last position kept

    // Stopped: neither the source nor the time-out answers any more.
    script->answerLocation(1, 2);
    manager.startUpdatingLocation();
    manager.stopUpdatingLocation();
    RunLoop::main().runFor(0.3);
    EXPECT_EQ(r.answers(), 3u);

    EXPECT_FALSE(script->script("48.8 east"));
    EXPECT_FALSE(script->script("91 0"));
    EXPECT_FALSE(script->script(""));
}

TEST(LocationManager, AnswersWaitForTheOutermostLoop) {
    auto script = std::make_shared<ScriptedLocationSource>();
    script->answerLocation(45.76, 4.83);
    LocationManager manager(script);
    Recorder r;
    manager.setDelegate(&r);
    bool done = false;
    RunLoop::main().post([&] {
        manager.startUpdatingLocation();
        RunLoop::main().runFor(0.1); // a synchronous request in progress
        EXPECT_EQ(r.answers(), 0u);
        done = true;
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return done; }, kGenerous));
    ASSERT_TRUE(waitForAnswers(r, 1));
}

TEST(SystemLocationSource, ConfiguredOrEnvironmentPositionElseUnknown) {
    EXPECT_FALSE(parseLocation("48.85"));
    EXPECT_FALSE(parseLocation("abc,2"));
    EXPECT_FALSE(parseLocation("48.85,200"));
    EXPECT_FALSE(parseLocation("nan,2"));
    auto parsed = parseLocation(" -33.86 , 151.2 ");
    ASSERT_TRUE(parsed);
    EXPECT_DOUBLE_EQ(parsed->latitude, -33.86);
    EXPECT_DOUBLE_EQ(parsed->longitude, 151.2);

    Recorder r;
    {
        ScopedEnv env("ZEPHRUN_LOCATION", "43.2965,5.3698");
        LocationManager manager(
            std::make_shared<SystemLocationSource>(SystemLocationSource::Options{false, {}}));
        manager.setDelegate(&r);
        manager.startUpdatingLocation();
        ASSERT_TRUE(waitForAnswers(r, 1));
        ASSERT_EQ(r.locations.size(), 1u);
        EXPECT_DOUBLE_EQ(r.locations[0].latitude, 43.2965);
        EXPECT_DOUBLE_EQ(r.locations[0].longitude, 5.3698);

        // A configured position comes before the environment's.
        manager.setSource(std::make_shared<SystemLocationSource>(
            SystemLocationSource::Options{false, Location{1.5, 2.5, 30}}));
        manager.startUpdatingLocation();
        ASSERT_TRUE(waitForAnswers(r, 2));
        EXPECT_DOUBLE_EQ(r.locations[1].latitude, 1.5);
    }
    {
        ScopedEnv env("ZEPHRUN_LOCATION", "not a place");
        LocationManager manager(
            std::make_shared<SystemLocationSource>(SystemLocationSource::Options{false, {}}));
        manager.setTimeout(0.2);
        manager.setDelegate(&r);
        manager.startUpdatingLocation();
        ASSERT_TRUE(waitForAnswers(r, 3));
        ASSERT_EQ(r.errors.size(), 1u);
        EXPECT_EQ(r.errors[0].code, kCLErrorLocationUnknown);
    }
}

TEST(SystemLocationSource, WithoutALocationServiceTheEnvironmentPositionAnswersQuickly) {
    if (!SystemLocationSource::geoClueBuiltIn()) GTEST_SKIP() << "built without GeoClue";
    // No system bus here: GeoClue fails on its own thread and the fallback answers.
    ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zephrun-test-bus");
    ScopedEnv env("ZEPHRUN_LOCATION", "50.63,3.06");
    LocationManager manager;
    manager.setTimeout(5);
    Recorder r;
    manager.setDelegate(&r);
    auto started = std::chrono::steady_clock::now();
    manager.startUpdatingLocation();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
    ASSERT_TRUE(waitForAnswers(r, 1, 3));
    ASSERT_EQ(r.locations.size(), 1u);
    EXPECT_DOUBLE_EQ(r.locations[0].latitude, 50.63);
}
