// LocationManager: the platform's location manager (`CLLocationManager`) — start and stop
// updating, a delegate told of each new position or of a failure — over a LocationSource that
// finds the position (the desktop's location service, a configured position, or a script).
//
// It always answers: a start that no position follows within timeout() seconds is answered
// with the failure kCLErrorLocationUnknown. Each start asks the source again, so a requester
// that starts a manager already updating still gets a fresh answer.
//
// Threads: the manager is used on the interface thread and its delegate is called there, from
// the outermost run loop only (never inside a synchronous wait, never inside
// startUpdatingLocation). Sources may answer from any thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zplatform {

struct Location {
    double latitude = 0;  // degrees
    double longitude = 0; // degrees
    // Metres; negative when the position is not valid.
    double horizontalAccuracy = -1;
};

inline constexpr const char* kCLErrorDomain = "kCLErrorDomain";
enum CLError {
    kCLErrorLocationUnknown = 0,
    kCLErrorDenied = 1,
    kCLErrorNetwork = 2,
};

struct LocationError {
    std::string domain = kCLErrorDomain;
    int code = kCLErrorLocationUnknown;
};

// What a source finds: a position, or the failure that ends the search.
struct LocationAnswer {
    std::optional<Location> location;
    LocationError error;
};

class LocationSource {
  public:
    using AnswerFn = std::function<void(const LocationAnswer&)>;
    virtual ~LocationSource() = default;
    // Starts looking; `answer` may be called from any thread, as often as positions arrive,
    // until stop(). A source that finds nothing may stay silent: the manager's time-out answers.
    virtual void start(AnswerFn answer) = 0;
    // Stops looking; returns at once (blocking work is left to finish on its own thread).
    virtual void stop() = 0;
};

class LocationManager;

class LocationManagerDelegate {
  public:
    virtual ~LocationManagerDelegate() = default;
    virtual void didUpdateToLocation(LocationManager& manager, const Location& location) = 0;
    virtual void didFailWithError(LocationManager& manager, const LocationError& error) = 0;
};

class LocationManager {
  public:
    static constexpr double kDefaultTimeout = 10.0;

    // With no source, the system's (SystemLocationSource with its defaults).
    explicit LocationManager(std::shared_ptr<LocationSource> source = nullptr);
    ~LocationManager();
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    // Not owned; called as the file comment says.
    void setDelegate(LocationManagerDelegate* delegate) { delegate_ = delegate; }
    LocationManagerDelegate* delegate() const { return delegate_; }

    // Replaces the source; updates in progress stop.
    void setSource(std::shared_ptr<LocationSource> source);
    const std::shared_ptr<LocationSource>& source() const { return source_; }
    void setTimeout(double seconds) { timeout_ = seconds; }
    double timeout() const { return timeout_; }

    void startUpdatingLocation();
    void stopUpdatingLocation();
    bool isUpdating() const;
    // The last position delivered.
    std::optional<Location> location() const { return last_; }

  private:
    struct Shared;
    void answered(unsigned generation, const LocationAnswer& answer);

    std::shared_ptr<LocationSource> source_;
    LocationManagerDelegate* delegate_ = nullptr;
    double timeout_ = kDefaultTimeout;
    std::optional<Location> last_;
    std::shared_ptr<Shared> shared_;
};

} // namespace zplatform
